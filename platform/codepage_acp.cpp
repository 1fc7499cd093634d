// The active code page of Windows, through the system's own converter.
#include <windows.h>

#include "platform/codepage.h"
#include "platform/win32/windows_version.h"

namespace platform::codepage {

namespace {

// Whether the active code page is UTF-8, as a manifest asks of Windows 10 (1903) and
// later. Windows then refuses the flags and the default character that the other pages
// take, and writes U+FFFD for what it cannot convert.
bool Utf8() { return GetACP() == CP_UTF8; }

// No best-fit mapping: a character outside the code page becomes '?' rather than a
// look-alike, so that what cannot be represented is visible as such. Windows 9x knows no
// such flag and refuses a call with it.
DWORD NoBestFit() { return win32::IsWindows9x() || Utf8() ? 0 : WC_NO_BEST_FIT_CHARS; }

const char* DefaultCharacter() { return Utf8() ? nullptr : "?"; }

std::string Convert(std::u16string_view text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, NoBestFit(), wide, length, nullptr, 0,
                                         DefaultCharacter(), nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, NoBestFit(), wide, length, out.data(), size, DefaultCharacter(),
                        nullptr);
    return out;
}

}  // namespace

unsigned ActiveCodePage() { return GetACP(); }

std::string Encode(std::u16string_view text) {
    std::string out = Convert(text);
    if (!win32::IsWindows9x() || Decode(out) == text) return out;
    // Windows 9x maps look-alikes it cannot be told not to: each character that does not
    // come back as itself becomes '?'.
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = i + 1 < text.size() && text[i] >= 0xD800 && text[i] < 0xDC00 &&
                          text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
        const std::u16string_view character = text.substr(i, pair ? 2 : 1);
        const std::string converted = Convert(character);
        out += Decode(converted) == character ? converted : std::string(character.size(), '?');
        if (pair) ++i;
    }
    return out;
}

std::u16string Decode(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(out.data()),
                        size);
    return out;
}

}  // namespace platform::codepage
