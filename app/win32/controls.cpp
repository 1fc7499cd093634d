#include "app/win32/controls.h"

#include <commctrl.h>

#include "app/win32/resource_ids.h"
#include "app/win32/window_base.h"
#include "platform/codepage.h"
#include "platform/win32/windows_version.h"

namespace app::win32 {
namespace {

// GetWindowTextW, where the system implements it: on Windows NT an edit box can hold
// pasted characters that the code page cannot, and the window logic must see them to
// refuse saving them. Windows 9x keeps 8-bit text only and has a stub in its place.
using GetTextW = int(WINAPI*)(HWND, LPWSTR, int);
using GetLengthW = int(WINAPI*)(HWND);

struct WideText {
    GetTextW get = nullptr;
    GetLengthW length = nullptr;
};

const WideText& WideTextFunctions() {
    static const WideText functions = [] {
        WideText found;
        HMODULE user = GetModuleHandleA("user32.dll");
        if (!platform::win32::IsWindows9x() && user) {
            found.get = reinterpret_cast<GetTextW>(
                reinterpret_cast<void*>(GetProcAddress(user, "GetWindowTextW")));
            found.length = reinterpret_cast<GetLengthW>(
                reinterpret_cast<void*>(GetProcAddress(user, "GetWindowTextLengthW")));
        }
        return found;
    }();
    return functions;
}

}  // namespace

Font::Font(const FontSpec& definition, int dpi) {
    LOGFONTA description{};
    description.lfHeight = -MulDiv(definition.points, dpi, 72);
    description.lfWeight = definition.weight;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = DEFAULT_QUALITY;
    // The system's font mapper falls back to a similar face when this one is missing.
    const std::string face = platform::codepage::Encode(definition.family);
    lstrcpynA(description.lfFaceName, face.c_str(), LF_FACESIZE);
    font_ = CreateFontIndirectA(&description);
}

Font& Font::operator=(Font&& other) noexcept {
    if (this != &other) {
        if (font_) DeleteObject(font_);
        font_ = other.font_;
        other.font_ = nullptr;
    }
    return *this;
}

Font::~Font() {
    if (font_) DeleteObject(font_);
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

RECT CenteredFrame(const PixelRect& client, DWORD style) {
    RECT frame{0, 0, client.width, client.height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    return {left, top, left + width, top + height};
}

HWND CreateControl(HWND parent, const Form& form, ControlId id, int dpi, HFONT font) {
    const ControlDefinition& definition = form.Definition(id);
    const char* className = "STATIC";
    DWORD style = WS_CHILD;
    DWORD extendedStyle = 0;
    switch (definition.kind) {
        case ControlKind::TabControl:
            className = WC_TABCONTROLA;
            style |= WS_TABSTOP | WS_CLIPSIBLINGS;
            break;
        case ControlKind::Button:
            className = "BUTTON";
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        case ControlKind::Label:
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        case ControlKind::TextBox:
            className = "EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL;
            extendedStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::ReadOnlyMultiLineText:
            className = "EDIT";
            style |= WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
            extendedStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Picture:
            // Drawn by its window, at its own size on the page's background.
            style |= SS_OWNERDRAW;
            break;
    }
    if (form.Visible(id)) style |= WS_VISIBLE;
    if (!form.Enabled(id)) style |= WS_DISABLED;
    const PixelRect place = form.Place(id, dpi);
    const std::string caption = platform::codepage::Encode(definition.caption);
    HWND control = CreateWindowExA(
        extendedStyle, className, caption.c_str(), style, place.left, place.top, place.width,
        place.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(id))),
        GetModuleHandleA(nullptr), nullptr);
    if (!control) {
        throw WindowError("The control " + std::string(definition.name) + " cannot be created.");
    }
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

std::u16string WindowText(HWND window) {
    if (const WideText& wide = WideTextFunctions(); wide.get && wide.length) {
        const int length = wide.length(window);
        std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
        const int got = wide.get(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
        text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
        return text;
    }
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return platform::codepage::Decode(text);
}

void PutWindowText(HWND window, std::u16string_view text) {
    SetWindowTextA(window, platform::codepage::Encode(text).c_str());
}

HICON LoadProgramIcon(int size) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VANTREL),
                                         IMAGE_ICON, size, size, LR_SHARED));
}

HICON LoadLicenseIcon(int size) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_LICENSE),
                                         IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace app::win32
