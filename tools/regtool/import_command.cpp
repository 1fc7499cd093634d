// import: a .reg file, applied in one transaction where the registry has them.
#include "platform/codepage.h"
#include "tools/regtool/command.h"
#include "tools/regtool/host_io.h"
#include "tools/regtool/reg_file.h"
#include "tools/regtool/registry_tree.h"

namespace regtool {
namespace {

platform::Long Apply(Command& cmd, const RegFileKey& section, int& failedLine) {
    if (section.remove) {
        const platform::Long status = DeleteTree(cmd.api, section.key);
        return status == platform::kErrorFileNotFound ? platform::kErrorSuccess : status;
    }
    platform::Hkey handle = platform::kNullKey;
    if (const platform::Long status =
            cmd.api.RegCreateKeyExW(section.key.root, section.key.path.c_str(), 0, nullptr, 0,
                                    platform::kKeyAllAccess, nullptr, &handle, nullptr)) {
        return status;
    }
    platform::KeyHandle open(cmd.api, handle);
    for (const auto& entry : section.values) {
        failedLine = entry.line;
        platform::Long status = platform::kErrorSuccess;
        if (entry.remove) {
            status = cmd.api.RegDeleteValueW(open.get(), entry.value.name.c_str());
            if (status == platform::kErrorFileNotFound) status = platform::kErrorSuccess;
        } else {
            status = cmd.api.RegSetValueExW(open.get(), entry.value.name.c_str(), 0,
                                            entry.value.type, entry.value.data.data(),
                                            static_cast<platform::Dword>(entry.value.data.size()));
        }
        if (status != platform::kErrorSuccess) return status;
    }
    return platform::kErrorSuccess;
}

// On a registry that keeps 8-bit text only, the first key or value of the file that holds
// a character the code page cannot, as the words of a refusal, and its line.
std::optional<std::pair<int, std::u16string>> Unstorable(const RegFile& reg) {
    using platform::codepage::CanEncode;
    for (const auto& section : reg.keys) {
        if (!CanEncode(section.key.path)) {
            return std::pair(section.line, u"the key name \"" + section.key.Full() + u"\"");
        }
        for (const auto& entry : section.values) {
            const RegValue& value = entry.value;
            const bool text = platform::IsStringType(value.type);
            const std::u16string name = value.name.empty() ? u"(Default)" : value.name;
            if (!CanEncode(value.name))
                return std::pair(entry.line, u"the value name \"" + name + u"\"");
            if (text && !entry.remove && !CanEncode(TextOf(value.data))) {
                return std::pair(entry.line, u"the data of the value \"" + name + u"\"");
            }
        }
    }
    return std::nullopt;
}

}  // namespace

int Import(Command& cmd) {
    const std::u16string& file = cmd.line.positional[0];
    if (IsFolder(file)) {
        return cmd.Fail(u"ERROR: " + file + u" is a folder. Name the .reg file to import.\n");
    }
    std::string bytes;
    if (!ReadWholeFile(file, bytes))
        return cmd.Fail(u"ERROR: Cannot read the file " + file + u".\n");
    const bool utf8 = cmd.line.Has(u"utf8");
    auto parsed = ParseRegFile(bytes, utf8 ? EightBitText::kUtf8 : EightBitText::kCodePage);
    if (const auto* error = std::get_if<RegFileError>(&parsed)) {
        return cmd.Fail(u"ERROR: " + file + u", line " + Ascii(std::to_string(error->line)) +
                        u": " + Ascii(error->message) + u". Nothing was imported.\n");
    }
    // A REGEDIT4 file holds the code page's text, but editors on Linux save UTF-8: read
    // in the code page, such a file would turn every accented letter into two.
    if (const auto ambiguous = utf8 ? std::nullopt : Utf8InEightBitFile(bytes)) {
        return cmd.Fail(u"ERROR: " + file + u" is a REGEDIT4 file, whose text is in the code "
                        u"page, but its bytes are UTF-8: line " +
                        Ascii(std::to_string(ambiguous->line)) + u" reads \"" + ambiguous->asUtf8 +
                        u"\" as UTF-8 and \"" + ambiguous->asCodePage +
                        u"\" in the code page. Import it with /utf8 to read it as UTF-8. "
                        u"Nothing was imported.\n");
    }
    const RegFile& reg = std::get<RegFile>(parsed);
    if (cmd.env.eightBitRegistry) {
        if (const auto unstorable = Unstorable(reg)) {
            return cmd.Fail(u"ERROR: " + file + u", line " +
                            Ascii(std::to_string(unstorable->first)) + u": " + unstorable->second +
                            u" holds characters that this Windows cannot keep in its registry. "
                            u"Nothing was imported.\n");
        }
    }
    std::unique_ptr<RegistryTransaction> transaction;
    if (cmd.env.beginTransaction) {
        transaction = cmd.env.beginTransaction();
        if (!transaction) return cmd.Fail(u"ERROR: The registry cannot be changed now.\n");
    }
    std::vector<std::u16string> applied;
    for (const auto& section : reg.keys) {
        int failedLine = section.line;
        const platform::Long status = Apply(cmd, section, failedLine);
        if (status != platform::kErrorSuccess) {
            std::u16string message =
                u"ERROR: " + file + u", line " + Ascii(std::to_string(failedLine)) + u": " +
                (status == platform::kErrorDiskFull ? u"there is not enough space on the disk."
                                                    : u"the registry refused the change (status " +
                                                          Ascii(std::to_string(status)) + u").");
            if (transaction) {
                message += u" Nothing was imported.\n";
            } else {
                message += u" Keys applied before it:";
                for (const auto& key : applied) message += u"\n  " + key;
                if (applied.empty()) message += u" none";
                message += u"\n";
            }
            return cmd.Fail(message);
        }
        applied.push_back(section.key.Full());
    }
    if (transaction && !transaction->Commit()) {
        return cmd.Fail(u"ERROR: The registry refused the import. Nothing was imported.\n");
    }
    return cmd.Succeed();
}

}  // namespace regtool
