// The main window's logic: loading and saving the registration information, the commands
// and the tab switch. It hosts the window's two registry controls.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "app/license.h"
#include "app/views.h"
#include "platform/platform.h"
#include "regctl/tav_registry.h"

namespace app {

class Vantrel : private regctl::ControlSite {
public:
    // Creates the window's two registry controls from the window's stored settings.
    // A notice about the platform (a registry that cannot be used) is shown once at load.
    Vantrel(platform::Platform platform, VantrelView& view, std::u16string platformNotice = {});
    Vantrel(const Vantrel&) = delete;
    Vantrel& operator=(const Vantrel&) = delete;
    ~Vantrel() override;

    // Shows the window and loads the four registration values into the boxes.
    void Form_Load();
    // "OK": saves the four values and the setup defaults, then ends the program.
    void Command1_Click();
    // "Cancel": ends the program without saving.
    void Command2_Click();
    // "Clear": empties the four boxes.
    void Command3_Click();
    // "License": opens the licence window, or brings it to the front.
    void Command4_Click();
    // The active tab changed; PreviousTab was active before.
    void SSTab1_Click(std::int16_t& PreviousTab);

    // Whether a property of a registry control changed since the window was created.
    bool SettingsChanged() const noexcept { return settingsChanged_; }
    // The licence window's logic while the window exists.
    License* LicenseWindow() const noexcept { return license_.get(); }

private:
    void PropertyChanged(std::string_view propertyName) override;
    void TavRegistry1_RegKey(regctl::Variant& vValue, bool& vType);

    VantrelView& view_;
    std::u16string platformNotice_;
    std::u16string strValue;
    bool settingsChanged_ = false;
    regctl::TavRegistry TavRegistry1;
    regctl::TavRegistry TavRegistry2;
    std::unique_ptr<License> license_;
};

}  // namespace app
