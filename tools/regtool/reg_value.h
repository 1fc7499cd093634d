// A registry value as the command-line tool handles it, and its text forms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace regtool {

inline constexpr platform::Dword kRegQword = 11;

struct RegValue {
    std::u16string name;  // empty: the key's default value
    platform::Dword type = platform::kRegSz;
    std::vector<std::uint8_t> data;

    friend bool operator==(const RegValue&, const RegValue&) = default;
};

// "REG_SZ", "REG_DWORD", ...; "REG_UNKNOWN(n)" hex-free fallback for other codes.
std::string TypeName(platform::Dword type);
// Every type name the tool writes, as a list: "REG_SZ, REG_EXPAND_SZ, ... and REG_NONE".
std::string TypeNames();
// The code of a type name (case-insensitive), or nullopt.
std::optional<platform::Dword> TypeFromName(std::string_view name);

// UTF-16 text as registry string data, with its terminating NUL.
std::vector<std::uint8_t> StringData(std::u16string_view text);
// Registry string data as UTF-16 text, without the terminating NUL (odd byte dropped).
std::u16string TextOf(const std::vector<std::uint8_t>& data);
// A 32-bit number as REG_DWORD data, little-endian.
std::vector<std::uint8_t> DwordData(std::uint32_t value);

// The data as `reg query` shows it: strings as text (REG_MULTI_SZ parts joined by "\0"),
// REG_DWORD and REG_QWORD as 0x%x, everything else as upper-case hex pairs.
std::u16string QueryText(const RegValue& value);

// A 64-bit number as REG_QWORD data, little-endian.
std::vector<std::uint8_t> QwordData(std::uint64_t value);

// Data as the registry stores it from the text `add /d` gives for a type: strings as
// they are, REG_MULTI_SZ parts split at the separator (one final separator ends the last
// part), REG_DWORD and REG_QWORD as decimal or 0x hex, other types as hex pairs; nullopt
// when the text does not fit the type, or a REG_MULTI_SZ part between separators is empty.
std::optional<std::vector<std::uint8_t>> DataFromText(platform::Dword type,
                                                      const std::u16string& text,
                                                      std::u16string_view separator = u"\\0");

}  // namespace regtool
