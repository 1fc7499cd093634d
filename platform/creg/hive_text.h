// The 8-bit code page a Windows 9x installation keeps its names and strings in: 1252
// unless the user names another. Text is converted here and nowhere else.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace creg {

class HiveText {
public:
    // codePage is 1252 or one that the C library converts (874, 932, 936, 949, 950, 1250
    // to 1258).
    explicit HiveText(unsigned codePage = 1252) : codePage_(codePage) {}
    unsigned CodePage() const { return codePage_; }

    std::u16string Decode(std::string_view bytes) const;
    // The bytes of text, or nullopt when the code page cannot hold every character of it.
    std::optional<std::string> Encode(std::u16string_view text) const;

    // A value's data as the registry functions give it: strings in UTF-16 and ending in
    // a NUL, whether the file kept one or not; other types as they are.
    std::vector<std::uint8_t> DecodeData(platform::Dword type, std::string_view data) const;
    // A value's data as the file keeps it; nullopt for a string the code page cannot hold.
    std::optional<std::string> EncodeData(platform::Dword type, const std::uint8_t* data,
                                          std::size_t size) const;

    // Whether values of type hold text in the code page.
    static bool IsText(platform::Dword type);

private:
    unsigned codePage_;
};

// The code page an installation's text is read in: VANTREL_9X_CODEPAGE when it names one
// this program converts, else 1252; nullopt, with the reason, for a value it cannot use.
std::optional<unsigned> InstallationCodePage(std::string* problem);

}  // namespace creg
