#include "platform/posix/volume_identity.h"

#include <blkid/blkid.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>

namespace platform::posix {
namespace {

// libblkid, loaded the first time a volume is asked about rather than with the program:
// the editor's window never asks, and would pay for loading it at every start. Null
// functions where the library cannot be loaded: nothing is then read from a device.
struct Blkid {
    decltype(&blkid_new_probe_from_filename) newProbeFromFilename = nullptr;
    decltype(&blkid_probe_enable_superblocks) enableSuperblocks = nullptr;
    decltype(&blkid_probe_set_superblocks_flags) setSuperblocksFlags = nullptr;
    decltype(&blkid_do_safeprobe) doSafeprobe = nullptr;
    decltype(&blkid_probe_lookup_value) lookupValue = nullptr;
    decltype(&blkid_free_probe) freeProbe = nullptr;
    decltype(&blkid_get_tag_value) getTagValue = nullptr;

    bool Loaded() const {
        return newProbeFromFilename && enableSuperblocks && setSuperblocksFlags && doSafeprobe &&
               lookupValue && freeProbe && getTagValue;
    }
};

template <typename Function>
void Find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
}

// Loaded once and kept for the life of the program.
const Blkid* LoadBlkid() {
    static const Blkid blkid = [] {
        Blkid loaded;
        void* library = dlopen("libblkid.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!library) return loaded;
        Find(library, "blkid_new_probe_from_filename", loaded.newProbeFromFilename);
        Find(library, "blkid_probe_enable_superblocks", loaded.enableSuperblocks);
        Find(library, "blkid_probe_set_superblocks_flags", loaded.setSuperblocksFlags);
        Find(library, "blkid_do_safeprobe", loaded.doSafeprobe);
        Find(library, "blkid_probe_lookup_value", loaded.lookupValue);
        Find(library, "blkid_free_probe", loaded.freeProbe);
        Find(library, "blkid_get_tag_value", loaded.getTagValue);
        return loaded;
    }();
    return blkid.Loaded() ? &blkid : nullptr;
}

std::string LookUp(const Blkid& blkid, blkid_probe probe, const char* name) {
    const char* data = nullptr;
    std::size_t length = 0;
    if (blkid.lookupValue(probe, name, &data, &length) != 0 || !data) return {};
    return std::string(data, strnlen(data, length));
}

// udev writes characters unsafe in file names as \xNN.
std::string UnescapeUdev(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out.push_back(static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

// The name of the link in dir that leads to device, if any.
std::optional<std::string> LinkTo(const std::filesystem::path& dir, const std::string& device) {
    std::error_code error;
    const auto target = std::filesystem::canonical(device, error);
    if (error) return std::nullopt;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        std::error_code linkError;
        if (std::filesystem::canonical(entry.path(), linkError) == target && !linkError) {
            return UnescapeUdev(entry.path().filename().string());
        }
    }
    return std::nullopt;
}

std::string HexDigitsOf(std::string_view uuid) {
    std::string digits;
    for (const char c : uuid) {
        if (std::isxdigit(static_cast<unsigned char>(c))) digits.push_back(c);
    }
    return digits;
}

}  // namespace

std::optional<VolumeIdentity> ProbeFilesystem(const std::string& path) {
    const Blkid* blkid = LoadBlkid();
    if (!blkid) return std::nullopt;
    const auto free = [blkid](blkid_probe probe) { blkid->freeProbe(probe); };
    std::unique_ptr<blkid_struct_probe, decltype(free)> probe(
        blkid->newProbeFromFilename(path.c_str()), free);
    if (!probe) return std::nullopt;
    blkid->enableSuperblocks(probe.get(), 1);
    blkid->setSuperblocksFlags(probe.get(),
                               BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE);
    if (blkid->doSafeprobe(probe.get()) != 0) return std::nullopt;
    return VolumeIdentity{LookUp(*blkid, probe.get(), "LABEL"), LookUp(*blkid, probe.get(), "UUID"),
                          LookUp(*blkid, probe.get(), "TYPE")};
}

std::optional<VolumeIdentity> IdentityFromUdev(const std::string& device,
                                               const std::string& diskDir) {
    const std::filesystem::path dir(diskDir);
    const auto uuid = LinkTo(dir / "by-uuid", device);
    if (!uuid) return std::nullopt;
    return VolumeIdentity{LinkTo(dir / "by-label", device).value_or(""), *uuid, ""};
}

std::optional<VolumeIdentity> IdentityFromBlkidCache(const std::string& device) {
    const Blkid* blkid = LoadBlkid();
    if (!blkid) return std::nullopt;
    auto tag = [&](const char* name) {
        char* value = blkid->getTagValue(nullptr, name, device.c_str());
        std::string text = value ? value : "";
        free(value);
        return text;
    };
    VolumeIdentity identity{tag("LABEL"), tag("UUID"), tag("TYPE")};
    if (identity.uuid.empty()) return std::nullopt;
    return identity;
}

// The form of the UUID text tells the family when the type does not (a FUSE mount, say):
// FAT and exFAT write "1A2B-3C4D", NTFS sixteen hex digits.
std::optional<std::uint32_t> SerialFromUuid(std::string_view type, std::string_view uuid) {
    const std::string digits = HexDigitsOf(uuid);
    const bool fatForm = uuid.size() == 9 && uuid[4] == '-' && digits.size() == 8;
    const bool ntfsForm = uuid.size() == 16 && digits.size() == 16;
    std::string chosen;
    if (type == "vfat" || type == "msdos" || type == "exfat" || fatForm) {
        if (digits.size() != 8) return std::nullopt;
        chosen = digits;
    } else if (type == "ntfs" || type == "ntfs3" || ntfsForm) {
        if (digits.size() != 16) return std::nullopt;
        chosen = digits.substr(8);
    } else {
        if (digits.size() < 8) return std::nullopt;
        chosen = digits.substr(0, 8);
    }
    return static_cast<std::uint32_t>(std::stoul(chosen, nullptr, 16));
}

}  // namespace platform::posix
