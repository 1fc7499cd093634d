// The main window's logic: loading and saving the registration information, the commands
// and the tab switch. It hosts the window's registry controls: one for the registration
// values where Windows 9x keeps them, one for the setup defaults and, on a registry of the
// NT line, one for the registration values where Windows NT keeps them.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/license.h"
#include "app/refusal_watch.h"
#include "app/views.h"
#include "platform/code_page_losses.h"
#include "platform/platform.h"
#include "regctl/tav_registry.h"

namespace app {

class Vantrel : private regctl::ControlSite {
public:
    // Says, in words for the user, why the registry cannot be used or changed; empty
    // while it can.
    using ProblemSource = std::function<std::u16string()>;

    // Creates the window's registry controls from the window's stored settings. A
    // problem of the registry is told once at load, and again with a save that failed.
    // losses, when given, tells which loaded values lost characters to the code page.
    // registryName, when given, names the registry open, and the title shows it.
    Vantrel(platform::Platform platform, VantrelView& view, ProblemSource registryProblem = {},
            const platform::CodePageLosses* losses = nullptr, std::u16string registryName = {});
    Vantrel(const Vantrel&) = delete;
    Vantrel& operator=(const Vantrel&) = delete;
    ~Vantrel() override;

    // Shows the window, its title naming the registry when one was named, and loads the four registration values into the boxes, on Windows
    // NT each from the NT key, else from the 9x key; says which boxes show a value that
    // lost characters to the code page.
    void Form_Load();
    // "OK": saves the four values (on Windows NT to the NT key, then to the 9x key) and the
    // setup defaults, then ends the program. Nothing
    // is written while a box still shows a value that lost characters on its way in, or
    // holds typed text that the code page cannot hold.
    void Command1_Click();
    // "Cancel": ends the program without saving.
    void Command2_Click();
    // "Clear": empties the four boxes.
    void Command3_Click();
    // "License": opens the licence window, or brings it to the front.
    void Command4_Click();
    // The active tab changed; PreviousTab was active before.
    void SSTab1_Click(std::int16_t& PreviousTab);

    // The licence window's logic while the window exists.
    License* LicenseWindow() const noexcept { return license_.get(); }

private:
    // The window keeps no settings of its own: a change of a control's property is not saved.
    void PropertyChanged(std::string_view) override {}
    void TavRegistry1_RegKey(regctl::Variant& vValue, bool& vType);
    void TavRegistry3_RegKey(regctl::Variant& vValue, bool& vType);
    std::u16string RegistryProblem() const;
    bool RefuseLossyValues();
    bool RefuseUnsavableText();
    // Writes the four boxes through control, marking in notSaved the values it could not.
    void SaveRegistrationValues(regctl::TavRegistry& control, std::array<bool, 4>& notSaved);

    VantrelView& view_;
    ProblemSource registryProblem_;
    const platform::CodePageLosses* losses_;
    std::u16string registryName_;
    // What a box was loaded with, for each value that lost characters on the way.
    std::array<std::optional<std::u16string>, 4> lossyShown_;
    std::u16string strValue;
    RefusalWatch registry_;
    const bool windowsNt_;
    regctl::TavRegistry TavRegistry1;
    regctl::TavRegistry TavRegistry2;
    regctl::TavRegistry TavRegistry3;
    std::unique_ptr<License> license_;
};

}  // namespace app
