// import: a .reg file, applied in one transaction where the registry has them. Each change
// is applied as its line is read, so that the file is never held as a list of changes.
#include "platform/codepage.h"
#include "tools/regtool/command.h"
#include "tools/regtool/host_io.h"
#include "tools/regtool/reg_file.h"
#include "tools/regtool/registry_tree.h"

namespace regtool {
namespace {

// Reads a file through without applying it, for a registry where nothing can be undone:
// notes, on a registry that keeps 8-bit text only, the first key or value that holds a
// character the code page cannot, as the words of a refusal, and its line.
class Checker final : public RegFileSink {
public:
    explicit Checker(bool eightBitRegistry) : eightBit_(eightBitRegistry) {}

    bool Key(const RegFileKey& section) override {
        if (eightBit_ && !unstorable_ && !platform::codepage::CanEncode(section.key.path)) {
            unstorable_ = std::pair(section.line, u"the key name \"" + section.key.Full() + u"\"");
        }
        return true;
    }

    bool Value(const RegFileValue& entry) override {
        if (!eightBit_ || unstorable_) return true;
        using platform::codepage::CanEncode;
        const RegValue& value = entry.value;
        const std::u16string name = value.name.empty() ? u"(Default)" : value.name;
        if (!CanEncode(value.name)) {
            unstorable_ = std::pair(entry.line, u"the value name \"" + name + u"\"");
        } else if (platform::IsStringType(value.type) && !entry.remove &&
                   !CanEncode(TextOf(value.data))) {
            unstorable_ = std::pair(entry.line, u"the data of the value \"" + name + u"\"");
        }
        return true;
    }

    const std::optional<std::pair<int, std::u16string>>& Unstorable() const { return unstorable_; }

private:
    bool eightBit_;
    std::optional<std::pair<int, std::u16string>> unstorable_;
};

// Applies each change as it is read: a key is created, or its tree deleted, at its line,
// and its values are set through the one handle of the key. Stops at the first change the
// registry refuses.
class Applier final : public RegFileSink {
public:
    // listApplied: keep the names of the keys applied whole, for a registry that cannot undo
    // them.
    Applier(platform::WideRegistryApi& api, bool listApplied)
        : api_(api), open_(api), listApplied_(listApplied) {}

    bool Key(const RegFileKey& section) override {
        KeyDone();
        line_ = section.line;
        if (section.remove) {
            status_ = DeleteTree(api_, section.key);
            if (status_ == platform::kErrorFileNotFound) status_ = platform::kErrorSuccess;
        } else {
            platform::KeyHandle created(api_);
            status_ = api_.RegCreateKeyExW(section.key.root, section.key.path.c_str(), 0, nullptr, 0,
                                           platform::kKeyAllAccess, nullptr, created.Out(), nullptr);
            if (status_ == platform::kErrorSuccess) open_ = std::move(created);
            else created.Forget();
        }
        if (status_ == platform::kErrorSuccess && listApplied_) pending_ = section.key.Full();
        return status_ == platform::kErrorSuccess;
    }

    bool Value(const RegFileValue& entry) override {
        line_ = entry.line;
        const RegValue& value = entry.value;
        if (entry.remove) {
            status_ = api_.RegDeleteValueW(open_.get(), value.name.c_str());
            if (status_ == platform::kErrorFileNotFound) status_ = platform::kErrorSuccess;
        } else {
            status_ = api_.RegSetValueExW(open_.get(), value.name.c_str(), 0, value.type,
                                          value.data.data(),
                                          static_cast<platform::Dword>(value.data.size()));
        }
        return status_ == platform::kErrorSuccess;
    }

    // The status of the last change, and the line it was read from.
    platform::Long Status() const { return status_; }
    int Line() const { return line_; }
    // The keys applied whole before the change that failed, when they are listed.
    const std::vector<std::u16string>& Applied() {
        if (status_ == platform::kErrorSuccess) KeyDone();
        return applied_;
    }

private:
    // The key read last had all its values applied.
    void KeyDone() {
        open_.Close();
        if (!pending_.empty()) applied_.push_back(std::move(pending_));
        pending_.clear();
    }

    platform::WideRegistryApi& api_;
    platform::KeyHandle open_;
    bool listApplied_;
    platform::Long status_ = platform::kErrorSuccess;
    int line_ = 0;
    std::u16string pending_;
    std::vector<std::u16string> applied_;
};

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
    const EightBitText eightBit = utf8 ? EightBitText::kUtf8 : EightBitText::kCodePage;
    const auto syntaxError = [&](const RegFileError& error) {
        return cmd.Fail(u"ERROR: " + file + u", line " + Ascii(std::to_string(error.line)) + u": " +
                        Ascii(error.message) + u". Nothing was imported.\n");
    };
    // A REGEDIT4 file holds the code page's text, but editors on Linux save UTF-8: read
    // in the code page, such a file would turn every accented letter into two.
    const auto ambiguous = utf8 ? std::nullopt : Utf8InEightBitFile(bytes);
    // Where a change cannot be undone, or the file is to be refused anyway, it is read
    // through first, so that a fault anywhere in it stops it before anything is applied;
    // its own faults come before the others.
    if (ambiguous || !cmd.env.beginTransaction || cmd.env.eightBitRegistry) {
        Checker checker(cmd.env.eightBitRegistry);
        if (const auto error = ReadRegFile(bytes, eightBit, checker)) return syntaxError(*error);
        if (ambiguous) {
            return cmd.Fail(u"ERROR: " + file + u" is a REGEDIT4 file, whose text is in the code "
                            u"page, but its bytes are UTF-8: line " +
                            Ascii(std::to_string(ambiguous->line)) + u" reads \"" +
                            ambiguous->asUtf8 + u"\" as UTF-8 and \"" + ambiguous->asCodePage +
                            u"\" in the code page. Import it with /utf8 to read it as UTF-8. "
                            u"Nothing was imported.\n");
        }
        if (const auto& unstorable = checker.Unstorable()) {
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
    // Within the transaction a fault further on undoes what was applied before it.
    Applier applier(cmd.api, !transaction);
    if (const auto error = ReadRegFile(bytes, eightBit, applier)) return syntaxError(*error);
    if (const platform::Long status = applier.Status(); status != platform::kErrorSuccess) {
        std::u16string message =
            u"ERROR: " + file + u", line " + Ascii(std::to_string(applier.Line())) + u": " +
            (status == platform::kErrorDiskFull ? u"there is not enough space on the disk."
             : status == platform::kErrorNoUnicodeTranslation
                 ? u"a name or text holds characters that this Windows cannot keep in its "
                   u"registry."
                 : u"the registry refused the change (status " + Ascii(std::to_string(status)) +
                       u").");
        if (transaction) {
            message += u" Nothing was imported.\n";
        } else {
            message += u" Keys applied before it:";
            for (const auto& key : applier.Applied()) message += u"\n  " + key;
            if (applier.Applied().empty()) message += u" none";
            message += u"\n";
        }
        return cmd.Fail(message);
    }
    if (transaction && !transaction->Commit()) {
        return cmd.Fail(u"ERROR: The registry refused the import. Nothing was imported.\n");
    }
    return cmd.Succeed();
}

}  // namespace regtool
