#include "tools/regtool/commands.h"

#include <map>
#include <optional>

#include "tools/regtool/host_io.h"
#include "tools/regtool/key_name.h"
#include "tools/regtool/reg_file.h"
#include "tools/regtool/registry_tree.h"

namespace regtool {
namespace {

using platform::Long;

constexpr std::u16string_view kSuccess = u"The operation completed successfully.\n";
constexpr std::u16string_view kNotFound =
    u"ERROR: The system was unable to find the specified registry key or value.";
constexpr std::u16string_view kSyntax = u"ERROR: Invalid syntax.\n";
constexpr std::size_t kFlushSize = 1 << 16;

std::u16string Lower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return out;
}

std::u16string Ascii(std::string_view text) { return {text.begin(), text.end()}; }

// Switches take / or -; only names the tool knows count, so that a path such as
// /tmp/x.reg stays an argument.
struct CommandLine {
    std::vector<std::u16string> positional;
    std::map<std::u16string, std::optional<std::u16string>> switches;
    bool valid = true;

    bool Has(const char16_t* name) const { return switches.count(name) != 0; }
    std::u16string Value(const char16_t* name) const {
        const auto found = switches.find(name);
        return found != switches.end() && found->second ? *found->second : std::u16string();
    }
};

CommandLine Parse(const std::vector<std::u16string>& arguments) {
    static const std::map<std::u16string, bool> kKnown = {
        {u"v", true},  {u"ve", false}, {u"va", false}, {u"s", false},        {u"t", true},
        {u"d", true},  {u"f", false},  {u"y", false},  {u"regedit4", false},
    };
    CommandLine line;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::u16string& argument = arguments[i];
        if (argument.size() > 1 && (argument[0] == u'/' || argument[0] == u'-')) {
            const auto known = kKnown.find(Lower(argument.substr(1)));
            if (known != kKnown.end()) {
                if (line.switches.count(known->first)) line.valid = false;
                if (known->second) {
                    if (i + 1 >= arguments.size()) {
                        line.valid = false;
                        break;
                    }
                    line.switches[known->first] = arguments[++i];
                } else {
                    line.switches[known->first] = std::nullopt;
                }
                continue;
            }
        }
        line.positional.push_back(argument);
    }
    return line;
}

class Runner {
public:
    Runner(ToolEnvironment& environment) : env_(environment), api_(environment.registry) {}

    int Run(const std::vector<std::u16string>& arguments) {
        if (arguments.empty()) return Fail(kSyntax);
        const std::u16string command = Lower(arguments[0]);
        line_ = Parse(arguments);
        if (!line_.valid) return Fail(kSyntax);
        if (command == u"query") return Query();
        if (command == u"add") return Add();
        if (command == u"delete") return Delete();
        if (command == u"export") return Export();
        if (command == u"import") return Import();
        return Fail(u"ERROR: Invalid syntax. The commands are QUERY, ADD, DELETE, EXPORT and IMPORT.\n");
    }

private:
    int Fail(std::u16string_view message) {
        env_.err += message;
        return 1;
    }
    int Succeed() {
        env_.out += kSuccess;
        return 0;
    }
    static std::u16string StatusMessage(Long status) {
        switch (status) {
            case platform::kErrorFileNotFound:
                return std::u16string(kNotFound);
            case platform::kErrorAccessDenied:
                return u"ERROR: Access is denied.";
            case platform::kErrorDiskFull:
                return u"ERROR: There is not enough space on the disk.";
            default:
                return u"ERROR: The registry refused the operation (status " +
                       Ascii(std::to_string(status)) + u").";
        }
    }
    int FailStatus(Long status) { return Fail(StatusMessage(status) + u"\n"); }

    std::optional<KeyName> Key(std::size_t positionals) {
        if (line_.positional.size() != positionals) return std::nullopt;
        return ParseKeyName(line_.positional[0]);
    }

    // Exactly one of /v NAME and /ve, or neither; the name of the value it means.
    std::optional<std::optional<std::u16string>> ValueChoice() {
        if (line_.Has(u"v") && line_.Has(u"ve")) return std::nullopt;
        if (line_.Has(u"v")) return std::optional<std::u16string>(line_.Value(u"v"));
        if (line_.Has(u"ve")) return std::optional<std::u16string>(u"");
        return std::optional<std::u16string>();
    }

    static std::u16string ValueLine(const RegValue& value) {
        const std::u16string name = value.name.empty() ? u"(Default)" : value.name;
        return u"    " + name + u"    " + Ascii(TypeName(value.type)) + u"    " +
               QueryText(value) + u"\n";
    }

    int Query() {
        const auto key = Key(1);
        const auto choice = ValueChoice();
        if (line_.positional.size() != 1 || !choice) return Fail(kSyntax);
        if (!key) return Fail(u"ERROR: Invalid key name.\n");
        if (!*choice) return QueryTree(*key, line_.Has(u"s"));
        platform::Hkey handle = platform::kNullKey;
        if (const Long status = Open(api_, *key, &handle)) return FailStatus(status);
        platform::KeyHandle open(api_, handle);
        // Listed rather than read by name, to show the name as the registry spells it.
        std::vector<RegValue> values;
        if (const Long status = ReadValues(api_, open.get(), values)) return FailStatus(status);
        for (const auto& value : values) {
            if (Lower(value.name) == Lower(**choice)) {
                env_.out += u"\n" + key->Full() + u"\n" + ValueLine(value) + u"\n";
                return 0;
            }
        }
        return FailStatus(platform::kErrorFileNotFound);
    }

    int QueryTree(const KeyName& key, bool recursive) {
        if (!recursive) {
            platform::Hkey handle = platform::kNullKey;
            if (const Long status = Open(api_, key, &handle)) return FailStatus(status);
            platform::KeyHandle open(api_, handle);
            std::vector<std::u16string> children;
            if (const Long status = ListKey(key, open.get())) return FailStatus(status);
            if (const Long status = ReadSubKeys(api_, open.get(), children)) {
                return FailStatus(status);
            }
            if (!children.empty()) env_.out += u"\n";
            for (const auto& child : children) env_.out += Child(key, child).Full() + u"\n";
            return 0;
        }
        const Long status = WalkTree(api_, key, [this](const KeyName& name, platform::Hkey handle) {
            return ListKey(name, handle);
        });
        return status ? FailStatus(status) : 0;
    }

    // A key's name and its values, as query shows them.
    Long ListKey(const KeyName& key, platform::Hkey handle) {
        std::vector<RegValue> values;
        if (const Long status = ReadValues(api_, handle, values)) return status;
        env_.out += u"\n" + key.Full() + u"\n";
        for (const auto& value : values) env_.out += ValueLine(value);
        // A long listing goes out as it is made rather than held whole.
        if (env_.flushOut && env_.out.size() > kFlushSize) env_.flushOut(env_.out);
        return platform::kErrorSuccess;
    }

    // The data of `add` as the registry stores it, or nullopt when /d does not fit /t.
    static std::optional<std::vector<std::uint8_t>> DataFor(platform::Dword type,
                                                            const std::u16string& text) {
        switch (type) {
            case platform::kRegSz:
            case platform::kRegExpandSz:
                return StringData(text);
            case platform::kRegMultiSz: {
                std::u16string joined;
                std::size_t start = 0;
                while (true) {
                    const std::size_t at = text.find(u"\\0", start);
                    joined += text.substr(start, at - start);
                    joined.push_back(u'\0');
                    if (at == std::u16string::npos) break;
                    start = at + 2;
                }
                if (text.empty()) joined.clear();
                return StringData(joined);
            }
            case platform::kRegDword: {
                const bool hex = text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X');
                const std::u16string digits = hex ? text.substr(2) : text;
                if (digits.empty() || digits.size() > 10) return std::nullopt;
                std::uint64_t number = 0;
                for (const char16_t c : digits) {
                    int digit = -1;
                    if (c >= u'0' && c <= u'9') digit = c - u'0';
                    if (hex && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
                    if (hex && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
                    if (digit < 0) return std::nullopt;
                    number = number * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
                }
                if (number > 0xFFFFFFFFu) return std::nullopt;
                return DwordData(static_cast<std::uint32_t>(number));
            }
            default: {
                if (text.size() % 2) return std::nullopt;
                std::vector<std::uint8_t> bytes;
                for (std::size_t i = 0; i < text.size(); i += 2) {
                    auto digit = [](char16_t c) {
                        if (c >= u'0' && c <= u'9') return c - u'0';
                        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
                        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
                        return -1;
                    };
                    const int high = digit(text[i]), low = digit(text[i + 1]);
                    if (high < 0 || low < 0) return std::nullopt;
                    bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
                }
                return bytes;
            }
        }
    }

    int Add() {
        const auto key = Key(1);
        const auto choice = ValueChoice();
        if (line_.positional.size() != 1 || !choice) return Fail(kSyntax);
        if (!key) return Fail(u"ERROR: Invalid key name.\n");
        platform::Dword type = platform::kRegSz;
        if (line_.Has(u"t")) {
            std::string name;
            for (const char16_t c : line_.Value(u"t")) name.push_back(static_cast<char>(c));
            const auto known = TypeFromName(name);
            if (!known || *known == kRegQword) return Fail(u"ERROR: Invalid type.\n");
            type = *known;
        }
        const auto data = DataFor(type, line_.Value(u"d"));
        if (!data) return Fail(u"ERROR: Invalid value for " + Ascii(TypeName(type)) + u".\n");
        // Asked before anything is written, so that no change waits on the user.
        if (*choice && !line_.Has(u"f") && ValueExists(*key, **choice) &&
            !env_.confirm(u"Value " + ((*choice)->empty() ? u"(Default)" : **choice) +
                          u" exists, overwrite(Yes/No)? ")) {
            env_.out += u"The operation was cancelled by the user.\n";
            return 0;
        }
        return AllOrNothing([&]() -> Long {
            platform::Hkey handle = platform::kNullKey;
            if (const Long status = api_.RegCreateKeyExW(key->root, key->path.c_str(), 0, nullptr,
                                                         0, platform::kKeyAllAccess, nullptr,
                                                         &handle, nullptr)) {
                return status;
            }
            platform::KeyHandle open(api_, handle);
            if (!*choice) return platform::kErrorSuccess;
            return api_.RegSetValueExW(open.get(), (*choice)->c_str(), 0, type, data->data(),
                                       static_cast<platform::Dword>(data->size()));
        });
    }

    bool ValueExists(const KeyName& key, const std::u16string& name) {
        platform::Hkey handle = platform::kNullKey;
        if (Open(api_, key, &handle) != platform::kErrorSuccess) return false;
        platform::KeyHandle open(api_, handle);
        return api_.RegQueryValueExW(open.get(), name.c_str(), nullptr, nullptr, nullptr,
                                     nullptr) == platform::kErrorSuccess;
    }

    int Delete() {
        const auto key = Key(1);
        const auto choice = ValueChoice();
        if (line_.positional.size() != 1 || !choice || (line_.Has(u"va") && *choice)) {
            return Fail(kSyntax);
        }
        if (!key) return Fail(u"ERROR: Invalid key name.\n");
        const bool force = line_.Has(u"f");
        if (!*choice && !line_.Has(u"va")) {
            if (key->path.empty()) {
                return Fail(u"ERROR: " + key->rootName +
                            u" is a root key and cannot be deleted. Nothing was deleted.\n");
            }
            if (!force && !env_.confirm(u"Permanently delete the registry key " + key->Full() +
                                        u" (Yes/No)? ")) {
                env_.out += u"The operation was cancelled by the user.\n";
                return 0;
            }
            return AllOrNothing([&] { return DeleteTree(api_, *key); });
        }
        platform::Hkey handle = platform::kNullKey;
        if (const Long status = Open(api_, *key, &handle)) return FailStatus(status);
        platform::KeyHandle open(api_, handle);
        std::vector<std::u16string> names;
        if (*choice) {
            names.push_back(**choice);
        } else {
            std::vector<RegValue> values;
            if (const Long status = ReadValues(api_, open.get(), values)) return FailStatus(status);
            for (const auto& value : values) names.push_back(value.name);
        }
        const std::u16string question =
            *choice ? u"Delete the registry value " + (names[0].empty() ? u"(Default)" : names[0]) +
                          u" (Yes/No)? "
                    : u"Delete all values under the registry key " + key->Full() + u" (Yes/No)? ";
        if (!force && !env_.confirm(question)) {
            env_.out += u"The operation was cancelled by the user.\n";
            return 0;
        }
        return AllOrNothing([&]() -> Long {
            for (const auto& name : names) {
                if (const Long status = api_.RegDeleteValueW(open.get(), name.c_str())) return status;
            }
            return platform::kErrorSuccess;
        });
    }

    // Makes changes in one transaction where the registry has them, so that a change
    // refused halfway leaves everything as it was.
    template <typename Changes>
    int AllOrNothing(Changes&& changes) {
        std::unique_ptr<RegistryTransaction> transaction;
        if (env_.beginTransaction) {
            transaction = env_.beginTransaction();
            if (!transaction) return Fail(u"ERROR: The registry cannot be changed now.\n");
        }
        const Long status = changes();
        if (status != platform::kErrorSuccess) {
            return Fail(StatusMessage(status) + (transaction ? u" Nothing was changed.\n" : u"\n"));
        }
        if (transaction && !transaction->Commit()) {
            return Fail(u"ERROR: The registry refused the change. Nothing was changed.\n");
        }
        return Succeed();
    }

    int Export() {
        if (line_.positional.size() != 2) return Fail(kSyntax);
        const auto key = ParseKeyName(line_.positional[0]);
        if (!key) return Fail(u"ERROR: Invalid key name.\n");
        const std::u16string& file = line_.positional[1];
        {
            platform::Hkey handle = platform::kNullKey;
            if (const Long status = Open(api_, *key, &handle)) return FailStatus(status);
            platform::KeyHandle open(api_, handle);
        }
        if (FileExists(file) && !line_.Has(u"y") &&
            !env_.confirm(u"File " + file + u" already exists. Overwrite (Yes/No)? ")) {
            env_.out += u"The operation was cancelled by the user.\n";
            return 0;
        }
        // Written one key at a time, so that a tree of any size takes the memory of its
        // largest key.
        const int version = line_.Has(u"regedit4") ? 4 : 5;
        OutputFile output(file);
        bool written = output.Write(RegFileHeaderText(version));
        const Long status = WalkTree(api_, *key, [&](const KeyName& name, platform::Hkey handle) {
            ExportedKey exported{name.Full(), {}};
            if (const Long read = ReadValues(api_, handle, exported.values)) return read;
            written = written && output.Write(RegFileKeyText(exported, version));
            return platform::kErrorSuccess;
        });
        if (status) return FailStatus(status);
        if (!written || !output.Commit()) return Fail(u"ERROR: Cannot write the file " + file + u".\n");
        return Succeed();
    }

    int Import() {
        if (line_.positional.size() != 1) return Fail(kSyntax);
        const std::u16string& file = line_.positional[0];
        std::string bytes;
        if (!ReadWholeFile(file, bytes)) return Fail(u"ERROR: Cannot read the file " + file + u".\n");
        auto parsed = ParseRegFile(bytes);
        if (const auto* error = std::get_if<RegFileError>(&parsed)) {
            return Fail(u"ERROR: " + file + u", line " + Ascii(std::to_string(error->line)) +
                        u": " + Ascii(error->message) + u". Nothing was imported.\n");
        }
        const RegFile& reg = std::get<RegFile>(parsed);
        std::unique_ptr<RegistryTransaction> transaction;
        if (env_.beginTransaction) {
            transaction = env_.beginTransaction();
            if (!transaction) return Fail(u"ERROR: The registry cannot be changed now.\n");
        }
        std::vector<std::u16string> applied;
        for (const auto& section : reg.keys) {
            int failedLine = section.line;
            const Long status = Apply(section, failedLine);
            if (status != platform::kErrorSuccess) {
                std::u16string message =
                    u"ERROR: " + file + u", line " + Ascii(std::to_string(failedLine)) + u": " +
                    (status == platform::kErrorDiskFull
                         ? u"there is not enough space on the disk."
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
                return Fail(message);
            }
            applied.push_back(section.key.Full());
        }
        if (transaction && !transaction->Commit()) {
            return Fail(u"ERROR: The registry refused the import. Nothing was imported.\n");
        }
        return Succeed();
    }

    Long Apply(const RegFileKey& section, int& failedLine) {
        if (section.remove) {
            const Long status = DeleteTree(api_, section.key);
            return status == platform::kErrorFileNotFound ? platform::kErrorSuccess : status;
        }
        platform::Hkey handle = platform::kNullKey;
        if (const Long status = api_.RegCreateKeyExW(section.key.root, section.key.path.c_str(), 0,
                                                     nullptr, 0, platform::kKeyAllAccess, nullptr,
                                                     &handle, nullptr)) {
            return status;
        }
        platform::KeyHandle open(api_, handle);
        for (const auto& entry : section.values) {
            failedLine = entry.line;
            Long status = platform::kErrorSuccess;
            if (entry.remove) {
                status = api_.RegDeleteValueW(open.get(), entry.value.name.c_str());
                if (status == platform::kErrorFileNotFound) status = platform::kErrorSuccess;
            } else {
                status = api_.RegSetValueExW(open.get(), entry.value.name.c_str(), 0, entry.value.type,
                                             entry.value.data.data(),
                                             static_cast<platform::Dword>(entry.value.data.size()));
            }
            if (status != platform::kErrorSuccess) return status;
        }
        return platform::kErrorSuccess;
    }

    ToolEnvironment& env_;
    platform::WideRegistryApi& api_;
    CommandLine line_;
};

}  // namespace

int RunRegCommand(const std::vector<std::u16string>& arguments, ToolEnvironment& environment) {
    return Runner(environment).Run(arguments);
}

}  // namespace regtool
