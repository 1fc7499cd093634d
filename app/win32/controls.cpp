#include "app/win32/controls.h"

#include <commctrl.h>

#include "app/win32/resource_ids.h"

namespace app::win32 {
namespace {

const wchar_t* Wide(std::u16string_view text) {
    return reinterpret_cast<const wchar_t*>(text.data());
}

}  // namespace

Font::Font(const FontSpec& definition, int dpi) {
    LOGFONTW description{};
    description.lfHeight = -MulDiv(definition.points, dpi, 72);
    description.lfWeight = definition.weight;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = DEFAULT_QUALITY;
    // The system's font mapper falls back to a similar face when this one is missing.
    lstrcpynW(description.lfFaceName, Wide(definition.family),
              static_cast<int>(definition.family.size() + 1));
    font_ = CreateFontIndirectW(&description);
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

int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

RECT CenteredFrame(int widthTwips, int heightTwips, DWORD style, int dpi) {
    RECT frame{0, 0, TwipsToPixels(widthTwips, dpi), TwipsToPixels(heightTwips, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    return {left, top, left + width, top + height};
}

HWND CreateControl(HWND parent, const ControlDefinition& definition, int id, POINT tabOrigin,
                   int dpi, HFONT font) {
    const wchar_t* className = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD extendedStyle = 0;
    switch (definition.kind) {
        case ControlKind::TabControl:
            className = WC_TABCONTROLW;
            style |= WS_TABSTOP | WS_CLIPSIBLINGS;
            break;
        case ControlKind::Button:
            className = L"BUTTON";
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        case ControlKind::Label:
            style |= SS_LEFT;
            break;
        case ControlKind::TextBox:
            className = L"EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL;
            extendedStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::ReadOnlyMultiLineText:
            className = L"EDIT";
            style |= WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
            extendedStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Picture:
            style |= SS_ICON | SS_REALSIZEIMAGE;
            break;
    }
    const bool onPage = definition.page != Page::Window;
    const int left = TwipsToPixels(definition.rect.left, dpi) + (onPage ? tabOrigin.x : 0);
    const int top = TwipsToPixels(definition.rect.top, dpi) + (onPage ? tabOrigin.y : 0);
    HWND control = CreateWindowExW(
        extendedStyle, className, Wide(definition.caption), style, left, top,
        TwipsToPixels(definition.rect.width, dpi), TwipsToPixels(definition.rect.height, dpi),
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
        nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

std::u16string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int got = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(got));
    return text;
}

HICON LoadProgramIcon(int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VANTREL),
                                         IMAGE_ICON, size, size, LR_SHARED));
}

HICON LoadLicenseIcon(int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_LICENSE),
                                         IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace app::win32
