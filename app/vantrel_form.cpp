#include "app/vantrel_form.h"

#include <array>

namespace app {
namespace {

constexpr std::array<ControlId, 4> kBoxes{
    IndexOf(kVantrelControls, "Text1"), IndexOf(kVantrelControls, "Text2"),
    IndexOf(kVantrelControls, "Text3"), IndexOf(kVantrelControls, "Text4")};
constexpr std::array<ControlId, 4> kButtons{
    IndexOf(kVantrelControls, "Command1"), IndexOf(kVantrelControls, "Command2"),
    IndexOf(kVantrelControls, "Command3"), IndexOf(kVantrelControls, "Command4")};

}  // namespace

std::unique_ptr<Form> MakeVantrelForm() {
    return std::make_unique<Form>(kVantrelWindow, kVantrelControls, kVantrelLines, kTabCaptions);
}

ControlId VantrelForm::IdOf(TextBox box) { return kBoxes[static_cast<std::size_t>(box)]; }
ControlId VantrelForm::IdOf(Button button) { return kButtons[static_cast<std::size_t>(button)]; }

void VantrelForm::Connect(Vantrel& logic) {
    form_.OnClick(IdOf(Button::Command1), [&logic] { logic.Command1_Click(); });
    form_.OnClick(IdOf(Button::Command2), [&logic] { logic.Command2_Click(); });
    form_.OnClick(IdOf(Button::Command3), [&logic] { logic.Command3_Click(); });
    form_.OnClick(IdOf(Button::Command4), [&logic] { logic.Command4_Click(); });
    form_.OnTabChange([&logic](std::int16_t& PreviousTab) { logic.SSTab1_Click(PreviousTab); });
}

void VantrelForm::Disconnect() {
    for (const ControlId button : kButtons) form_.OnClick(button, nullptr);
    form_.OnTabChange(nullptr);
}

std::unique_ptr<Form> MakeLicenseForm(License& logic) {
    auto form = std::make_unique<Form>(kLicenseWindow, kLicenseControls);
    form->Typed(IndexOf(kLicenseControls, "Text1"), std::u16string(kLicenseText));
    form->OnClick(IndexOf(kLicenseControls, "Command1"), [&logic] { logic.Command1_Click(); });
    form->OnClose([&logic] { logic.Form_Unload(); });
    return form;
}

}  // namespace app
