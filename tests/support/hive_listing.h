// What an independent reader of hives (libregf's regfexport) sees in a hive, and what our
// tree holds, in one form to compare: a line per key, and per value its name, type and size.
#pragma once

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/utf8.h"
#include "platform/registry/registry_tree.h"

namespace testing_support {

// The standard output of a shell command, nullopt when it could not be run.
inline std::optional<std::string> CommandOutput(const std::string& command, int* status = nullptr) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, got);
    const int code = ::pclose(pipe);
    if (status) *status = code;
    return out;
}

inline bool HaveProgram(const std::string& name) {
    return CommandOutput("command -v " + name + " >/dev/null 2>&1 && echo yes").value_or("") == "yes\n";
}

// The type names regfexport shows for the types Windows names.
inline std::string TypeName(platform::Dword type) {
    static const std::map<platform::Dword, std::string> names = {
        {0, "REG_NONE"},   {1, "REG_SZ"},  {2, "REG_EXPAND_SZ"},
        {3, "REG_BINARY"}, {4, "REG_DWORD_LITTLE_ENDIAN"}, {5, "REG_DWORD_BIG_ENDIAN"},
        {6, "REG_LINK"},   {7, "REG_MULTI_SZ"}, {11, "REG_QWORD_LITTLE_ENDIAN"}};
    const auto found = names.find(type);
    return found == names.end() ? "type " + std::to_string(type) : found->second;
}

// regfexport's listing of the hive at path, keys below the root without the root's name:
// "key Software\Demo", "value Software\Demo|Name|REG_SZ|8".
inline std::vector<std::string> RegfexportListing(const std::string& path) {
    std::vector<std::string> lines;
    const auto out = CommandOutput("regfexport '" + path + "' 2>&1");
    if (!out) return lines;
    std::string key, name, type;
    std::size_t begin = 0;
    while (begin < out->size()) {
        std::size_t end = out->find('\n', begin);
        if (end == std::string::npos) end = out->size();
        const std::string line = out->substr(begin, end - begin);
        begin = end + 1;
        if (line.starts_with("Key path: ")) {
            const std::string full = line.substr(10);
            const std::size_t slash = full.find('\\');
            key = slash == std::string::npos ? "" : full.substr(slash + 1);
            if (!key.empty()) lines.push_back("key " + key);
        } else if (line.starts_with("Value: ")) {
            const std::size_t space = line.find(' ', 7);
            name = space == std::string::npos ? "" : line.substr(space + 1);
            if (name == "(default)") name.clear();
        } else if (line.starts_with("Type: ")) {
            const std::size_t open = line.rfind('('), close = line.rfind(')');
            type = open == std::string::npos ? line.substr(6) : line.substr(open + 1, close - open - 1);
            // A type Windows does not name: "unknown: 0x00012345".
            if (const std::size_t hex = type.find("0x"); hex != std::string::npos) {
                type = "type " + std::to_string(std::stoul(type.substr(hex), nullptr, 16));
            }
        } else if (line.starts_with("Data size: ")) {
            lines.push_back("value " + key + "|" + name + "|" + type + "|" + line.substr(11));
        }
    }
    return lines;
}

// The same listing of a tree, from the key base down, keys in the tree's order.
inline std::vector<std::string> TreeListing(platform::RegistryTree& tree, platform::NodeId base) {
    std::vector<std::string> lines;
    std::vector<std::pair<platform::NodeId, std::string>> pending{{base, ""}};
    while (!pending.empty()) {
        auto [key, path] = pending.back();
        pending.pop_back();
        if (!path.empty()) lines.push_back("key " + path);
        for (const auto& [name, value] : tree.Values(key)) {
            lines.push_back("value " + path + "|" + platform::posix::Utf16ToUtf8(name) + "|" +
                            TypeName(value.type) + "|" + std::to_string(value.data.size()));
        }
        const auto children = tree.ChildNames(key);
        for (auto child = children.rbegin(); child != children.rend(); ++child) {
            const std::string name = platform::posix::Utf16ToUtf8(*child);
            pending.emplace_back(*tree.FindChild(key, *child), path.empty() ? name : path + "\\" + name);
        }
    }
    return lines;
}

}  // namespace testing_support
