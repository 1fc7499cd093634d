// The two windows' forms, wired to their window logic: the logic's view of a window is
// the form, and a front end draws the form.
#pragma once

#include <memory>

#include "app/form.h"
#include "app/license.h"
#include "app/vantrel.h"
#include "app/views.h"

namespace app {

// What only a toolkit can do for the main window.
class VantrelFrontEnd {
public:
    virtual ~VantrelFrontEnd() = default;

    // Shows the window modeless, centred on the screen the first time.
    virtual void Show() = 0;
    // Tells the user something, and returns when the user has read it.
    virtual void ShowMessage(const std::u16string& text) = 0;
    // Closes every window without further events and ends the program.
    virtual void EndProgram() = 0;
    // Creates a licence window whose clicks go to logic.
    virtual std::unique_ptr<LicenseView> CreateLicenseWindow(License& logic) = 0;
};

// The main window's form, and the view its logic sees.
class VantrelForm final : public VantrelView {
public:
    explicit VantrelForm(VantrelFrontEnd& frontEnd);

    Form& Model() noexcept { return form_; }
    const Form& Model() const noexcept { return form_; }
    // Sends clicks and tab changes to logic; they go nowhere before, and nowhere after
    // Disconnect.
    void Connect(Vantrel& logic);
    void Disconnect();

    static ControlId IdOf(TextBox box);
    static ControlId IdOf(Button button);

    void Show() override { frontEnd_.Show(); }
    std::u16string Text(TextBox box) const override { return form_.Text(IdOf(box)); }
    void SetText(TextBox box, const std::u16string& text) override {
        form_.SetText(IdOf(box), text);
    }
    void SetEnabled(Button button, bool enabled) override {
        form_.SetEnabled(IdOf(button), enabled);
    }
    void SetFocus(TextBox box) override { form_.SetFocus(IdOf(box)); }
    void ShowMessage(const std::u16string& text) override { frontEnd_.ShowMessage(text); }
    void EndProgram() override { frontEnd_.EndProgram(); }
    std::unique_ptr<LicenseView> CreateLicenseWindow(License& logic) override {
        return frontEnd_.CreateLicenseWindow(logic);
    }

private:
    VantrelFrontEnd& frontEnd_;
    Form form_;
};

// The licence window's form: the licence text, and "Close" calling logic.
std::unique_ptr<Form> MakeLicenseForm(License& logic);

}  // namespace app
