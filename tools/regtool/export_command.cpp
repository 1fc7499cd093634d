// export: a tree to a .reg file, written whole or not at all.
#include "platform/codepage.h"
#include "tools/regtool/command.h"
#include "tools/regtool/host_io.h"
#include "tools/regtool/reg_file.h"
#include "tools/regtool/registry_tree.h"

namespace regtool {
namespace {

// The first name or text of a key that the code page cannot hold, as the words of a
// refusal; a REGEDIT4 file would carry it as '?'.
std::optional<std::u16string> Unwritable(const ExportedKey& key) {
    using platform::codepage::CanEncode;
    if (!CanEncode(key.name)) return u"The key name \"" + key.name + u"\"";
    for (const auto& value : key.values) {
        const std::u16string name = value.name.empty() ? u"(Default)" : value.name;
        if (!CanEncode(value.name) ||
            (platform::IsStringType(value.type) && !CanEncode(TextOf(value.data)))) {
            return u"The value \"" + name + u"\" of " + key.name;
        }
    }
    return std::nullopt;
}

// A file name in a folder, written with the folder's own separator.
std::u16string InFolder(const std::u16string& folder, std::u16string_view name) {
    const char16_t separator =
        folder.find(u'/') == std::u16string::npos && folder.find(u'\\') != std::u16string::npos
            ? u'\\'
            : u'/';
    if (!folder.empty() && (folder.back() == u'/' || folder.back() == u'\\'))
        return folder + std::u16string(name);
    return folder + separator + std::u16string(name);
}

}  // namespace

int Export(Command& cmd) {
    std::u16string why;
    const auto key = cmd.Key(0, &why);
    if (!key) return cmd.Fail(why);
    const std::u16string& file = cmd.line.positional[1];
    if (IsFolder(file)) {
        return cmd.Fail(u"ERROR: " + file + u" is a folder. Name the file to write, such as " +
                        InFolder(file, u"backup.reg") + u".\n");
    }
    if (IsSpecialFile(file)) {
        return cmd.Fail(u"ERROR: " + file +
                        u" is a device, a pipe or a socket, not a file. The export is written "
                        u"beside its file and then put in its place, which would replace it. "
                        u"Name a file.\n");
    }
    {
        platform::Hkey handle = platform::kNullKey;
        if (const platform::Long status = Open(cmd.api, *key, &handle))
            return cmd.FailStatus(status);
        platform::KeyHandle open(cmd.api, handle);
    }
    if (FileExists(file) && !cmd.line.Has(u"y") &&
        !cmd.env.confirm(u"File " + file + u" already exists. Overwrite (Yes/No)? ")) {
        return cmd.Cancelled();
    }
    // One moment of the registry, as a backup must be, however long the walk takes.
    const auto snapshot = cmd.Snapshot();
    // Written one key at a time, so that a tree of any size takes the memory of its
    // largest key.
    const int version = cmd.line.Has(u"regedit4") ? 4 : 5;
    OutputFile output(file);
    bool written = output.Write(RegFileHeaderText(version));
    std::optional<std::u16string> unwritable;
    const platform::Long status =
        WalkTree(cmd.api, *key, [&](const KeyName& name, platform::Hkey handle) {
            ExportedKey exported{name.Full(), {}};
            if (const platform::Long read = ReadValues(cmd.api, handle, exported.values))
                return read;
            if (version == 4 && (unwritable = Unwritable(exported))) {
                return platform::kErrorNoUnicodeTranslation;
            }
            written = written && output.Write(RegFileKeyText(exported, version));
            return platform::kErrorSuccess;
        });
    // The output is not committed: whatever file was there stays as it was.
    if (unwritable) {
        return cmd.Fail(u"ERROR: " + *unwritable +
                        u" holds characters that the code page cannot hold, and a REGEDIT4 "
                        u"file holds text in the code page only. Export without /regedit4 to "
                        u"keep them (the file is then UTF-16). Nothing was written.\n");
    }
    if (status) return cmd.FailStatus(status);
    if (!written || !output.Commit())
        return cmd.Fail(u"ERROR: Cannot write the file " + file + u".\n");
    return cmd.Succeed();
}

}  // namespace regtool
