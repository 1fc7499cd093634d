// The two windows' forms, wired to their window logic: the logic's view of a window is
// its form, which a front end draws, and what only a toolkit can do is the front end's.
#pragma once

#include <memory>

#include "app/form.h"
#include "app/license.h"
#include "app/vantrel.h"
#include "app/views.h"

namespace app {

// The main window's form as the view its logic sees. A front end derives from it and
// does the rest: Show, ShowMessage, EndProgram and CreateLicenseWindow.
class VantrelForm : public VantrelView {
public:
    // Over a form that MakeVantrelForm made, which outlives this.
    explicit VantrelForm(Form& form) : form_(form) {}

    // The view the window logic is given.
    VantrelView& View() noexcept { return *this; }
    Form& Model() noexcept { return form_; }
    const Form& Model() const noexcept { return form_; }
    // Sends clicks and tab changes to logic; they go nowhere before, and nowhere after
    // Disconnect.
    void Connect(Vantrel& logic);
    void Disconnect();

    static ControlId IdOf(TextBox box);
    static ControlId IdOf(Button button);

    void SetCaption(const std::u16string& caption) final { form_.SetCaption(caption); }
    std::u16string Text(TextBox box) const final { return form_.Text(IdOf(box)); }
    void SetText(TextBox box, const std::u16string& text) final { form_.SetText(IdOf(box), text); }
    void SetEnabled(Button button, bool enabled) final { form_.SetEnabled(IdOf(button), enabled); }
    void SetFocus(TextBox box) final { form_.SetFocus(IdOf(box)); }

private:
    Form& form_;
};

// The main window's form, its controls not yet wired to any logic.
std::unique_ptr<Form> MakeVantrelForm();

// The licence window's form: the licence text, and "Close" and the frame's close box
// calling logic.
std::unique_ptr<Form> MakeLicenseForm(License& logic);

}  // namespace app
