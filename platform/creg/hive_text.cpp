#include "platform/creg/hive_text.h"

#include <cstdlib>

#include "platform/codepage_converters.h"

namespace creg {

bool HiveText::IsText(platform::Dword type) {
    return type == platform::kRegSz || type == platform::kRegExpandSz ||
           type == platform::kRegMultiSz;
}

std::u16string HiveText::Decode(std::string_view bytes) const {
    if (codePage_ == 1252) return platform::codepage::DecodeWindows1252(bytes);
    return platform::codepage::DecodeByIconv(codePage_, bytes);
}

std::optional<std::string> HiveText::Encode(std::u16string_view text) const {
    std::string bytes = codePage_ == 1252 ? platform::codepage::EncodeWindows1252(text)
                                          : platform::codepage::EncodeByIconv(codePage_, text);
    if (Decode(bytes) != text) return std::nullopt;
    return bytes;
}

std::vector<std::uint8_t> HiveText::DecodeData(platform::Dword type, std::string_view data) const {
    if (!IsText(type)) return {data.begin(), data.end()};
    std::u16string text = Decode(data);
    // Windows 98 keeps a string as the program gave it, NUL or not; readers get one.
    if (text.empty() || text.back() != u'\0') text.push_back(u'\0');
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    for (const char16_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

std::optional<std::string> HiveText::EncodeData(platform::Dword type, const std::uint8_t* data,
                                                std::size_t size) const {
    if (!IsText(type)) return std::string(reinterpret_cast<const char*>(data), size);
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    }
    return Encode(text);
}

std::optional<unsigned> InstallationCodePage(std::string* problem) {
    const char* named = std::getenv("VANTREL_9X_CODEPAGE");
    if (!named || !*named) return 1252;
    char* end = nullptr;
    const unsigned long page = std::strtoul(named, &end, 10);
    if (*end == '\0' &&
        (page == 1252 || platform::codepage::IconvConverts(static_cast<unsigned>(page)))) {
        return static_cast<unsigned>(page);
    }
    if (problem) {
        *problem = std::string("VANTREL_9X_CODEPAGE=") + named +
                   " names no code page of Windows 9x that this program converts (1252, 874, "
                   "932, 936, 949, 950, 1250 to 1258).";
    }
    return std::nullopt;
}

}  // namespace creg
