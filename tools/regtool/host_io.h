// What the tool needs of the system it runs on: whole files and console text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace regtool {

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::u16string& path, std::string& bytes);
// Writes a whole file, replacing it; false when it cannot be written.
bool WriteWholeFile(const std::u16string& path, const std::string& bytes);
bool FileExists(const std::u16string& path);
// Text as the console shows it (UTF-8).
std::string ConsoleText(std::u16string_view text);
// A command-line argument (UTF-8 off Windows) as UTF-16; nullopt when it is not valid text.
std::optional<std::u16string> ArgumentText(std::string_view argument);

}  // namespace regtool
