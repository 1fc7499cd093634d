// The lines of Wine's text registry files: escaped names and strings, values of every
// type, key lines and the times written with them, read and written as wineserver does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry_tree.h"

namespace wine {

// A value as a line of the file holds it.
struct ValueLine {
    std::u16string name;
    platform::TreeValue value;
};

// A key line: the path below the file's base key, split at its backslashes.
struct KeyLine {
    std::vector<std::u16string> path;
};

// Reads escaped text from pos up to the unescaped end character, and moves pos past it;
// nullopt with fault set when the text is malformed or never ends.
std::optional<std::u16string> ReadEscaped(std::string_view line, std::size_t& pos, char end,
                                          std::string& fault);
// Reads escaped text as ReadEscaped does, into a buffer of the thread's that the next call
// reuses: the text is to be copied out, if kept, before the next.
std::optional<std::u16string_view> DecodeEscaped(std::string_view line, std::size_t& pos, char end,
                                                 std::string& fault);
// Writes text with Wine's escapes; the two specials (quotes, brackets) get a backslash.
void WriteEscaped(std::u16string_view text, std::string_view specials, std::string& out);

// Reads a value line, its continuation lines already joined; nullopt with fault set.
std::optional<ValueLine> ParseValueLine(std::string_view line, std::string& fault);
// Whether ParseValueLine would read the line, without keeping what it holds; fault set if not.
bool CheckValueLine(std::string_view line, std::string& fault);
// Writes a value as wineserver does: strings that end in a NUL as strings, four-byte
// DWORDs as dword:, everything else as hex, wrapped at 76 columns.
void WriteValueLine(const std::u16string& name, const platform::TreeValue& value, std::string& out);

// Reads "[path] seconds"; nullopt with fault set.
std::optional<KeyLine> ParseKeyLine(std::string_view line, std::string& fault);
// Reads "[path] seconds" as ParseKeyLine does, the path whole, in DecodeEscaped's buffer.
std::optional<std::u16string_view> ReadKeyPath(std::string_view line, std::string& fault);
// Writes the key line and its #time line for a key modified at the given FILETIME.
void WriteKeyLines(const std::vector<std::u16string>& path, std::uint64_t modified,
                   std::string& out);
// Reads the hexadecimal FILETIME of a "#time=" line's rest; nullopt when malformed.
std::optional<std::uint64_t> ParseTime(std::string_view digits);

// The current time as a FILETIME (100 ns since 1601).
std::uint64_t FileTimeNow();

}  // namespace wine
