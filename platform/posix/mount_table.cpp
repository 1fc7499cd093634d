#include "platform/posix/mount_table.h"

#include <sstream>

namespace platform::posix {

std::string UnescapeMountField(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size();
        if (octal && field[i + 1] >= '0' && field[i + 1] <= '3' && field[i + 2] >= '0' &&
            field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

// A line: id, parent, major:minor, root, mount point, options, optional fields, "-",
// file-system type, source, super options.
std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        for (std::string field; fields >> field;) parts.push_back(field);
        std::size_t separator = 6;
        while (separator < parts.size() && parts[separator] != "-") ++separator;
        if (parts.size() < 6 || separator + 2 >= parts.size()) continue;
        entries.push_back({UnescapeMountField(parts[4]), UnescapeMountField(parts[separator + 1]),
                           UnescapeMountField(parts[separator + 2])});
    }
    return entries;
}

}  // namespace platform::posix
