// What Debian's cregexport (libcreg-utils), a reader of 9x registry files written apart
// from ours, sees in a file: every key by its path, with its values' names, types and bytes.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace testing_support {

// A value as name, type and data bytes.
using ExportedValue = std::tuple<std::string, unsigned, std::string>;
// Keys by path ("Software\Sub"; the root is "") with their values in the file's order.
using ExportedTree = std::map<std::string, std::vector<ExportedValue>>;

inline bool HaveCregExport() { return std::system("cregexport -V >/dev/null 2>&1") == 0; }

inline unsigned ExportedType(const std::string& line) {
    static const std::map<std::string, unsigned> kTypes = {{"REG_NONE", 0},
                                                           {"REG_SZ", 1},
                                                           {"REG_EXPAND_SZ", 2},
                                                           {"REG_BINARY", 3},
                                                           {"REG_DWORD_LITTLE_ENDIAN", 4},
                                                           {"REG_DWORD_BIG_ENDIAN", 5},
                                                           {"REG_LINK", 6},
                                                           {"REG_MULTI_SZ", 7},
                                                           {"REG_RESOURCE_LIST", 8},
                                                           {"REG_FULL_RESOURCE_DESCRIPTOR", 9},
                                                           {"REG_RESOURCE_REQUIREMENTS_LIST", 10},
                                                           {"REG_QWORD_LITTLE_ENDIAN", 11}};
    const auto open = line.rfind('(');
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return 0xFFFFFFFF;
    const auto found = kTypes.find(line.substr(open + 1, close - open - 1));
    return found == kTypes.end() ? 0xFFFFFFFF : found->second;
}

// Runs cregexport on path; nullopt when it refused the file (its messages in *errors).
inline std::optional<ExportedTree> CregExport(const std::string& path,
                                              std::string* errors = nullptr,
                                              const std::string& codePage = "windows-1252") {
    const std::string command =
        "cregexport -c " + codePage + " '" + path + "' 2>" + path + ".errors";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string text;
    char buffer[65536];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        text.append(buffer, got);
    const int status = ::pclose(pipe);
    if (errors) {
        errors->clear();
        if (FILE* file = std::fopen((path + ".errors").c_str(), "r")) {
            while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file))
                errors->append(buffer, got);
            std::fclose(file);
        }
    }
    std::remove((path + ".errors").c_str());
    if (status != 0) return std::nullopt;
    ExportedTree tree;
    std::istringstream lines(text);
    std::string line;
    std::vector<ExportedValue>* key = nullptr;
    ExportedValue* value = nullptr;
    std::size_t size = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("Key path: ", 0) == 0) {
            key = &tree[line.substr(10)];
            value = nullptr;
        } else if (key && line.rfind("Value: ", 0) == 0) {
            std::string name = line.substr(line.find(' ', 7) + 1);
            if (name == "(default)") name.clear();
            key->emplace_back(name, 0, "");
            value = &key->back();
        } else if (value && line.rfind("Type: ", 0) == 0) {
            std::get<1>(*value) = ExportedType(line);
        } else if (value && line.rfind("Data size: ", 0) == 0) {
            size = std::stoul(line.substr(11));
        } else if (value && line.rfind("Data: ", 0) == 0 && std::get<1>(*value) == 4 && size == 4) {
            // A DWORD is shown as its number only.
            const unsigned long number = std::stoul(line.substr(6));
            std::string bytes(4, '\0');
            for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
            std::get<2>(*value) = bytes;
        } else if (value && line.size() > 10 && line[8] == ':' && line[9] == ' ') {
            std::istringstream hex(line.substr(10));
            std::string token;
            std::string& bytes = std::get<2>(*value);
            std::size_t row = std::min<std::size_t>(16, size - bytes.size());
            while (row > 0 && hex >> token) {
                bytes.push_back(static_cast<char>(std::stoul(token, nullptr, 16)));
                --row;
            }
        }
    }
    return tree;
}

}  // namespace testing_support
