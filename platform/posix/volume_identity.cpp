#include "platform/posix/volume_identity.h"

#include <blkid/blkid.h>
#include <stdlib.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>

namespace platform::posix {
namespace {

struct ProbeFree {
    void operator()(blkid_probe probe) const noexcept { blkid_free_probe(probe); }
};

std::string LookUp(blkid_probe probe, const char* name) {
    const char* data = nullptr;
    std::size_t length = 0;
    if (blkid_probe_lookup_value(probe, name, &data, &length) != 0 || !data) return {};
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
    std::unique_ptr<blkid_struct_probe, ProbeFree> probe(
        blkid_new_probe_from_filename(path.c_str()));
    if (!probe) return std::nullopt;
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(),
                                      BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE);
    if (blkid_do_safeprobe(probe.get()) != 0) return std::nullopt;
    return VolumeIdentity{LookUp(probe.get(), "LABEL"), LookUp(probe.get(), "UUID"),
                          LookUp(probe.get(), "TYPE")};
}

std::optional<VolumeIdentity> IdentityFromUdev(const std::string& device,
                                               const std::string& diskDir) {
    const std::filesystem::path dir(diskDir);
    const auto uuid = LinkTo(dir / "by-uuid", device);
    if (!uuid) return std::nullopt;
    return VolumeIdentity{LinkTo(dir / "by-label", device).value_or(""), *uuid, ""};
}

std::optional<VolumeIdentity> IdentityFromBlkidCache(const std::string& device) {
    auto tag = [&](const char* name) {
        char* value = blkid_get_tag_value(nullptr, name, device.c_str());
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
