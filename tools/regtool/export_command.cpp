// export: a tree to a .reg file, written whole or not at all.
#include "tools/regtool/command.h"
#include "tools/regtool/host_io.h"
#include "tools/regtool/reg_file.h"
#include "tools/regtool/registry_tree.h"

namespace regtool {

int Export(Command& cmd) {
    if (cmd.line.positional.size() != 2) return cmd.Fail(kSyntax);
    const auto key = ParseKeyName(cmd.line.positional[0]);
    if (!key) return cmd.Fail(kInvalidKey);
    const std::u16string& file = cmd.line.positional[1];
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
    // Written one key at a time, so that a tree of any size takes the memory of its
    // largest key.
    const int version = cmd.line.Has(u"regedit4") ? 4 : 5;
    OutputFile output(file);
    bool written = output.Write(RegFileHeaderText(version));
    const platform::Long status =
        WalkTree(cmd.api, *key, [&](const KeyName& name, platform::Hkey handle) {
            ExportedKey exported{name.Full(), {}};
            if (const platform::Long read = ReadValues(cmd.api, handle, exported.values))
                return read;
            written = written && output.Write(RegFileKeyText(exported, version));
            return platform::kErrorSuccess;
        });
    if (status) return cmd.FailStatus(status);
    if (!written || !output.Commit())
        return cmd.Fail(u"ERROR: Cannot write the file " + file + u".\n");
    return cmd.Succeed();
}

}  // namespace regtool
