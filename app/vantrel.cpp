#include "app/vantrel.h"

#include <algorithm>

#include "app/window_definitions.h"
#include "platform/codepage.h"
#include "regctl/error_codes.h"
#include "regctl/memory_property_bag.h"

namespace app {
namespace {

// The four registration values: value name, box, and the label's words for messages.
struct RegistrationValue {
    const char16_t* valueName;
    TextBox box;
    const char16_t* label;
};

constexpr std::array<RegistrationValue, 4> kRegistrationValues{{
    {u"RegisteredOwner", TextBox::Text1, u"Registered Owner"},
    {u"RegisteredOrganization", TextBox::Text2, u"Registered Organization"},
    {u"ProductId", TextBox::Text3, u"Product ID"},
    {u"ProductKey", TextBox::Text4, u"Product Key"},
}};

// The setup defaults, written after the four, company first.
constexpr std::array<RegistrationValue, 2> kSetupDefaults{{
    {u"DefCompany", TextBox::Text2, u""},
    {u"DefName", TextBox::Text1, u""},
}};

// The settings the window's definition stores for its two controls, names in lower case.
regctl::MemoryPropertyBag StoredSettings(std::int16_t root, const char16_t* keyName) {
    return regctl::MemoryPropertyBag{
        {"_extentx", std::int32_t{476}},
        {"_extenty", std::int32_t{450}},
        {"registrykey", root},
        {"keyname", keyName},
        {"volumelabel", u"(No Volume Name!)"},
        {"serialnumber", u"0-0"},
    };
}

// The labels of the values marked, separated by commas.
std::u16string Labels(const std::array<bool, 4>& marked) {
    std::u16string names;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        if (!marked[i]) continue;
        if (!names.empty()) names += u", ";
        names += kRegistrationValues[i].label;
    }
    return names;
}

// "A", "A and B", "A, B and C".
std::u16string Listed(const std::array<bool, 4>& marked) {
    std::u16string names;
    const auto count = static_cast<std::size_t>(std::count(marked.begin(), marked.end(), true));
    std::size_t listed = 0;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        if (!marked[i]) continue;
        if (listed > 0) names += listed + 1 == count ? u" and " : u", ";
        names += kRegistrationValues[i].label;
        ++listed;
    }
    return names;
}

bool Any(const std::array<bool, 4>& marked) {
    return std::find(marked.begin(), marked.end(), true) != marked.end();
}

bool Several(const std::array<bool, 4>& marked) {
    return std::count(marked.begin(), marked.end(), true) > 1;
}

std::u16string LossyLoadMessage(const std::array<bool, 4>& lossy) {
    const bool several = Several(lossy);
    return Listed(lossy) + (several ? u" hold" : u" holds") +
           u" characters that this system's code page cannot show; the box" +
           (several ? u"es show" : u" shows") + u" other characters in their place.\n\n" +
           u"OK saves nothing until you retype " + (several ? u"them" : u"it") +
           u". Cancel keeps " + (several ? u"them as they are." : u"it as it is.");
}

std::u16string LossySaveMessage(const std::array<bool, 4>& lossy) {
    const bool several = Several(lossy);
    return u"Nothing was saved. " + Listed(lossy) + (several ? u" hold" : u" holds") +
           u" characters that this system's code page cannot show; retype " +
           (several ? u"them" : u"it") + u", or press Cancel to keep " +
           (several ? u"them as they are." : u"it as it is.");
}

std::u16string CodePageNumber() {
    const std::string digits = std::to_string(platform::codepage::ActiveCodePage());
    return std::u16string(digits.begin(), digits.end());
}

std::u16string UnsavableMessage(const std::array<bool, 4>& unsavable) {
    return u"Nothing was saved.\n\nThese boxes hold characters that this system's code page (" +
           CodePageNumber() + u") cannot hold: " + Labels(unsavable) +
           u".\n\nChange those characters, then press OK again, or press Cancel.";
}

// Windows NT lets only administrators change what is kept for every user of the computer.
std::u16string NotSavedMessage(const std::array<bool, 4>& notSaved, bool administratorsOnly) {
    const std::u16string names = Labels(notSaved);
    const std::u16string whatToDo =
        administratorsOnly
            ? u"These values are kept for all users of this computer, and only an administrator "
              u"can change them. Start Vantrel Edit 98 as an administrator to change them, or "
              u"press Cancel."
            : u"Check that you may change this part of the registry, then press OK again, or "
              u"press Cancel.";
    if (std::find(notSaved.begin(), notSaved.end(), false) == notSaved.end()) {
        return u"The registration information could not be saved.\n\nNot saved: " + names +
               u".\n\n" + whatToDo;
    }
    return u"Some of the registration information could not be saved.\n\nNot saved: " + names +
           u".\nThe other values were saved.\n\n" + whatToDo;
}

}  // namespace

Vantrel::Vantrel(platform::Platform platform, VantrelView& view, ProblemSource registryProblem,
                 const platform::CodePageLosses* losses, std::u16string registryName)
    : view_(view),
      registryProblem_(std::move(registryProblem)),
      losses_(losses),
      registryName_(std::move(registryName)),
      registry_(platform.registry),
      windowsNt_(platform.registry.Family() == platform::RegistryFamily::WindowsNt),
      TavRegistry1({registry_, platform.system}, *this),
      TavRegistry2({registry_, platform.system}, *this),
      TavRegistry3({registry_, platform.system}, *this) {
    auto settings1 = StoredSettings(2, u"software\\microsoft\\windows\\currentversion");
    TavRegistry1.UserControl_ReadProperties(settings1);
    auto settings2 = StoredSettings(1, u"software\\Microsoft\\ms setup (ACME)\\User Info");
    TavRegistry2.UserControl_ReadProperties(settings2);
    auto settings3 = StoredSettings(2, u"software\\microsoft\\windows nt\\currentversion");
    TavRegistry3.UserControl_ReadProperties(settings3);
    TavRegistry1.RegKey.Handle(
        [this](regctl::Variant& vValue, bool& vType) { TavRegistry1_RegKey(vValue, vType); });
    TavRegistry3.RegKey.Handle(
        [this](regctl::Variant& vValue, bool& vType) { TavRegistry3_RegKey(vValue, vType); });
}

Vantrel::~Vantrel() = default;

std::u16string Vantrel::RegistryProblem() const {
    return registryProblem_ ? registryProblem_() : std::u16string();
}

void Vantrel::Form_Load() {
    // Off Windows the registry could be any of several on the machine: the title says which.
    if (!registryName_.empty()) {
        view_.SetCaption(std::u16string(kVantrelWindow.caption) + u" - " + registryName_);
    }
    view_.Show();
    if (const std::u16string problem = RegistryProblem(); !problem.empty()) {
        view_.ShowMessage(problem);
    }
    std::array<bool, 4> lossy{};
    // A value the NT key cannot give (the key or the value is missing) raises Error there
    // and is read from the 9x key instead, where older setups and Wine keep it as well.
    bool notInNtKey = false;
    TavRegistry3.Error.Handle([&](std::int16_t&, std::u16string&) { notInNtKey = true; });
    for (std::size_t i = 0; i < kRegistrationValues.size(); ++i) {
        const auto& value = kRegistrationValues[i];
        const unsigned long lossesBefore = losses_ ? losses_->LossyReads() : 0;
        notInNtKey = !windowsNt_;
        if (windowsNt_) {
            TavRegistry3.ValueName(value.valueName);
            TavRegistry3.QueryValue();
        }
        if (notInNtKey) {
            TavRegistry1.ValueName(value.valueName);
            // RegKey has stored the value in strValue before QueryValue returns.
            TavRegistry1.QueryValue();
        }
        view_.SetText(value.box, strValue);
        lossy[i] = losses_ && losses_->LossyReads() != lossesBefore;
        lossyShown_[i] = lossy[i] ? std::optional(strValue) : std::nullopt;
    }
    TavRegistry3.Error.Handle(nullptr);
    if (Any(lossy)) view_.ShowMessage(LossyLoadMessage(lossy));
    view_.SetFocus(TextBox::Text1);
}

void Vantrel::TavRegistry1_RegKey(regctl::Variant& vValue, bool& /*vType*/) {
    strValue = regctl::ToText(vValue);
}

void Vantrel::TavRegistry3_RegKey(regctl::Variant& vValue, bool& /*vType*/) {
    strValue = regctl::ToText(vValue);
}

// A box that still shows what a lossy read gave it would write the lost characters' stand-ins
// over the stored text; a box the user retyped, or cleared, holds what the user meant.
bool Vantrel::RefuseLossyValues() {
    std::array<bool, 4> lossy{};
    for (std::size_t i = 0; i < kRegistrationValues.size(); ++i) {
        lossy[i] = lossyShown_[i] && view_.Text(kRegistrationValues[i].box) == *lossyShown_[i];
    }
    if (Any(lossy)) view_.ShowMessage(LossySaveMessage(lossy));
    return Any(lossy);
}

bool Vantrel::RefuseUnsavableText() {
    std::array<bool, 4> unsavable{};
    for (std::size_t i = 0; i < kRegistrationValues.size(); ++i) {
        unsavable[i] = !platform::codepage::CanEncode(view_.Text(kRegistrationValues[i].box));
    }
    if (Any(unsavable)) view_.ShowMessage(UnsavableMessage(unsavable));
    return Any(unsavable);
}

// Each value is written over the old one, whatever its type, without deleting it first: a
// write that fails leaves the old value in place. While the four values are written, a
// failed open or write marks that value as not saved, and the window stays open to say so.
void Vantrel::Command1_Click() {
    if (RefuseLossyValues() || RefuseUnsavableText()) return;
    std::array<bool, 4> notSaved{};
    registry_.Reset();
    // Windows NT shows what its own key holds; the 9x key is written too, for the programs
    // that read the values there.
    if (windowsNt_) SaveRegistrationValues(TavRegistry3, notSaved);
    SaveRegistrationValues(TavRegistry1, notSaved);
    const bool administratorsOnly = windowsNt_ && registry_.AccessDenied();
    for (const auto& value : kSetupDefaults) {
        TavRegistry2.ValueName(value.valueName);
        TavRegistry2.ValueType(0);
        TavRegistry2.ValueSetting(view_.Text(value.box));
        TavRegistry2.SetValue();
    }
    for (const bool failed : notSaved) {
        if (failed) {
            const std::u16string problem = RegistryProblem();
            view_.ShowMessage(NotSavedMessage(notSaved, administratorsOnly) +
                              (problem.empty() ? u"" : u"\n\n" + problem));
            return;
        }
    }
    view_.EndProgram();
}

void Vantrel::SaveRegistrationValues(regctl::TavRegistry& control, std::array<bool, 4>& notSaved) {
    std::size_t current = 0;
    control.Error.Handle([&](std::int16_t& ErrCode, std::u16string&) {
        if (ErrCode == regctl::kErrorValueKeyNotOpened ||
            ErrCode == regctl::kErrorStringNotWritten) {
            notSaved[current] = true;
        }
    });
    for (current = 0; current < kRegistrationValues.size(); ++current) {
        const auto& value = kRegistrationValues[current];
        control.ValueName(value.valueName);
        control.ValueType(0);
        control.ValueSetting(view_.Text(value.box));
        control.SetValue();
    }
    control.Error.Handle(nullptr);
}

void Vantrel::Command2_Click() { view_.EndProgram(); }

void Vantrel::Command3_Click() {
    for (const auto& value : kRegistrationValues) view_.SetText(value.box, u"");
}

void Vantrel::Command4_Click() {
    if (!license_) {
        license_ = std::make_unique<License>([this] { license_.reset(); });
        license_->Attach(view_.CreateLicenseWindow(*license_));
    }
    license_->Show();
}

void Vantrel::SSTab1_Click(std::int16_t& PreviousTab) {
    const bool enable = PreviousTab != 0;
    view_.SetEnabled(Button::Command1, enable);
    view_.SetEnabled(Button::Command3, enable);
}

}  // namespace app
