#include "app/win32/form_controls.h"

#include <algorithm>

#include "app/win32/controls.h"

namespace app::win32 {

void FormControls::Create(HWND parent, int dpi,
                          const std::function<HFONT(const ControlDefinition&)>& fontOf) {
    controls_.clear();
    for (ControlId id = 0; id < form_.ControlCount(); ++id) {
        controls_.push_back(CreateControl(parent, form_, id, dpi, fontOf(form_.Definition(id))));
        const ControlKind kind = form_.Definition(id).kind;
        if (kind == ControlKind::TextBox || kind == ControlKind::ReadOnlyMultiLineText) {
            PutWindowText(controls_.back(), form_.Text(id));
        }
    }
}

std::optional<ControlId> FormControls::IdOf(HWND control) const {
    for (ControlId id = 0; id < controls_.size(); ++id) {
        if (control && (controls_[id] == control || IsChild(controls_[id], control))) return id;
    }
    return std::nullopt;
}

void FormControls::Apply(ControlId id) {
    HWND control = controls_[id];
    const ControlKind kind = form_.Definition(id).kind;
    if ((kind == ControlKind::TextBox || kind == ControlKind::ReadOnlyMultiLineText) &&
        WindowText(control) != form_.Text(id)) {
        PutWindowText(control, form_.Text(id));
    }
    EnableWindow(control, form_.Enabled(id));
    ShowWindow(control, form_.Visible(id) ? SW_SHOWNA : SW_HIDE);
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

bool FormControls::MoveFocus(bool backwards) {
    const auto target = form_.NextInTabOrder(IdOf(GetFocus()), backwards);
    if (!target) return false;
    HWND control = controls_[*target];
    SetFocus(control);
    // As in a dialog box, an edit box reached by Tab has its text selected.
    if (form_.Definition(*target).kind == ControlKind::TextBox) {
        SendMessageA(control, EM_SETSEL, 0, -1);
    }
    return true;
}

}  // namespace app::win32
