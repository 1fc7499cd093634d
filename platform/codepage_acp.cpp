// The active code page of Windows, through the system's own converter.
#include <windows.h>

#include "platform/codepage.h"

namespace platform::codepage {

namespace {

// No best-fit mapping: a character outside the code page becomes '?' rather than a
// look-alike, so that what cannot be represented is visible as such. Windows 9x knows no
// such flag and refuses the call with it; it maps no look-alikes in the first place.
DWORD NoBestFit() { return (GetVersion() & 0x80000000u) ? 0 : WC_NO_BEST_FIT_CHARS; }

}  // namespace

std::string Encode(std::u16string_view text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_ACP, NoBestFit(), wide, length, nullptr, 0, "?", nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, NoBestFit(), wide, length, out.data(), size, "?", nullptr);
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
