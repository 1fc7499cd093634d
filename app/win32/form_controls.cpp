#include "app/win32/form_controls.h"

#include <commctrl.h>

#include <tuple>

#include "app/win32/resource_ids.h"
#include "platform/codepage.h"
#include "platform/win32/windows_version.h"

namespace app::win32 {
namespace {

// GetWindowTextW, where the system implements it: on Windows NT an edit box can hold
// pasted characters that the code page cannot, and the window logic must see them to
// refuse saving them. Windows 9x keeps 8-bit text only and has a stub in its place.
using GetTextW = int(WINAPI*)(HWND, LPWSTR, int);
using GetLengthW = int(WINAPI*)(HWND);

void* WideFunction(const char* name) {
    HMODULE user = GetModuleHandleA("user32.dll");
    if (platform::win32::IsWindows9x() || !user) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(user, name));
}

// The window class and styles of each kind of control, in the order of ControlKind. A
// picture is drawn by its window, at its own size on the page's background.
constexpr std::tuple<const char*, DWORD, DWORD> kClasses[] = {
    {WC_TABCONTROLA, WS_TABSTOP | WS_CLIPSIBLINGS, 0},
    {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0},
    {"STATIC", SS_LEFT | SS_NOPREFIX, 0},
    {"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {"EDIT", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
     WS_EX_CLIENTEDGE},
    {"STATIC", SS_OWNERDRAW, 0},
};
static_assert(std::size(kClasses) == static_cast<std::size_t>(ControlKind::Picture) + 1);

// The font a definition names at dpi; the system's font mapper falls back to a similar
// face where this one is missing.
Font MakeFont(const FontSpec& definition, int dpi) {
    LOGFONTA description{};
    description.lfHeight = -MulDiv(definition.points, dpi, 72);
    description.lfWeight = definition.weight;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = DEFAULT_QUALITY;
    const std::string face = platform::codepage::Encode(definition.family);
    lstrcpynA(description.lfFaceName, face.c_str(), LF_FACESIZE);
    return Font(CreateFontIndirectA(&description), &DeleteObject);
}

// Creates the control `id` of a form as a child of parent, at its place. Throws
// WindowError when the window system refuses.
HWND CreateControl(HWND parent, const Form& form, ControlId id, int dpi, HFONT font) {
    const ControlDefinition& definition = form.Definition(id);
    auto [className, style, extendedStyle] = kClasses[static_cast<std::size_t>(definition.kind)];
    style |= WS_CHILD;
    if (form.Visible(id)) style |= WS_VISIBLE;
    if (!form.Enabled(id)) style |= WS_DISABLED;
    const PixelRect place = form.Place(id, dpi);
    HWND control = CreateWindowExA(
        extendedStyle, className, platform::codepage::Encode(definition.caption).c_str(), style,
        place.left, place.top, place.width, place.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(id))),
        GetModuleHandleA(nullptr), nullptr);
    if (!control)
        throw WindowError("The control " + std::string(definition.name) + " cannot be created.");
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

}  // namespace

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

std::u16string WindowText(HWND window) {
    static const auto getText = reinterpret_cast<GetTextW>(WideFunction("GetWindowTextW"));
    static const auto getLength =
        reinterpret_cast<GetLengthW>(WideFunction("GetWindowTextLengthW"));
    if (getText && getLength) {
        const int length = getLength(window);
        std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
        const int got = getText(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
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

HICON LoadIconOf(int id, int size) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                         IMAGE_ICON, size, size, LR_SHARED));
}

FormControls::FormControls(Form& form, HWND parent, int dpi) : form_(form), parent_(parent) {
    fonts_.push_back(MakeFont(kDefaultFont, dpi));
    for (ControlId id = 0; id < form.ControlCount(); ++id) {
        const ControlDefinition& definition = form.Definition(id);
        if (definition.font) fonts_.push_back(MakeFont(*definition.font, dpi));
        controls_.push_back(CreateControl(parent, form, id, dpi,
                                          (definition.font ? fonts_.back() : fonts_[0]).get()));
        if (definition.kind == ControlKind::TabControl) tabs_ = controls_.back();
        // A box is made with its caption; what it holds is the form's text, CR LF line
        // ends and all, which a multi-line edit box wants.
        ControlChanged(id);
    }
    for (std::size_t line = 0; line < form.Lines().size(); ++line) {
        const PixelRect place = form.LinePlace(line, dpi);
        lines_.push_back(CreateWindowExA(0, "STATIC", "",
                                         WS_CHILD | (form.LineVisible(line) ? WS_VISIBLE : 0),
                                         place.left, place.top, place.width, place.height, parent,
                                         nullptr, GetModuleHandleA(nullptr), nullptr));
        if (!lines_.back()) throw WindowError("A line of the window cannot be created.");
    }
    for (std::size_t i = 0; tabs_ && i < form.TabCaptions().size(); ++i) {
        std::string text = platform::codepage::Encode(form.TabCaptions()[i]);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageA(tabs_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    // The tab control lies beneath the controls placed on its pages.
    if (tabs_)
        SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    form.Observe(this);
}

std::optional<ControlId> FormControls::IdOf(HWND control) const {
    for (ControlId id = 0; id < controls_.size(); ++id) {
        if (control && (controls_[id] == control || IsChild(controls_[id], control))) return id;
    }
    return std::nullopt;
}

void FormControls::ControlChanged(ControlId id) {
    HWND control = controls_[id];
    const ControlKind kind = form_.Definition(id).kind;
    if ((kind == ControlKind::TextBox || kind == ControlKind::ReadOnlyMultiLineText) &&
        WindowText(control) != form_.Text(id)) {
        PutWindowText(control, form_.Text(id));
    }
    EnableWindow(control, form_.Enabled(id));
    ShowWindow(control, form_.Visible(id) ? SW_SHOWNA : SW_HIDE);
}

void FormControls::LineChanged(std::size_t line) {
    ShowWindow(lines_[line], form_.LineVisible(line) ? SW_SHOWNA : SW_HIDE);
}

void FormControls::Command(WPARAM wParam, LPARAM lParam) {
    const auto id = IdOf(reinterpret_cast<HWND>(lParam));
    if (!id) return;
    const ControlKind kind = form_.Definition(*id).kind;
    const int code = HIWORD(wParam);
    if (kind == ControlKind::Button && code == BN_CLICKED) form_.Click(*id);
    if (kind == ControlKind::TextBox && code == EN_CHANGE)
        form_.Typed(*id, WindowText(controls_[*id]));
}

void FormControls::Notify(const NMHDR& header) {
    if (tabs_ && header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
        form_.SelectTab(static_cast<int>(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0)));
    }
}

bool FormControls::MoveFocus(bool backwards) {
    const auto target = form_.NextInTabOrder(IdOf(GetFocus()), backwards);
    if (!target) return false;
    HWND control = controls_[*target];
    ::SetFocus(control);
    // As in a dialog box, an edit box reached by Tab has its text selected.
    if (form_.Definition(*target).kind == ControlKind::TextBox) {
        SendMessageA(control, EM_SETSEL, 0, -1);
    }
    return true;
}

void FormControls::PaintPageBackground(HWND control, HDC dc) const {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, tabs_, reinterpret_cast<POINT*>(&place), 2);
    POINT origin{};
    OffsetViewportOrgEx(dc, -place.left, -place.top, &origin);
    SendMessageA(tabs_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

// Labels stand on whatever the tab control draws for its page, themed or not; the rules
// are drawn in the window's text colour, as the Qt front end draws them.
HBRUSH FormControls::StaticColours(HWND control, HDC dc) const {
    for (HWND line : lines_) {
        if (line == control) return GetSysColorBrush(COLOR_WINDOWTEXT);
    }
    const auto id = IdOf(control);
    if (!id || !tabs_ || form_.Definition(*id).page == Page::Window) return nullptr;
    PaintPageBackground(control, dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void FormControls::DrawPicture(const DRAWITEMSTRUCT& item) const {
    if (tabs_) PaintPageBackground(item.hwndItem, item.hDC);
    DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, LoadIconOf(IDI_VANTREL, 32), 32, 32, 0,
               nullptr, DI_NORMAL);
}

}  // namespace app::win32
