// The registry properties and the two selectors.
#include "regctl/tav_registry.h"

#include <array>
#include <limits>

#include "regctl/runtime_error.h"

namespace regctl {
namespace {

// Selector 4 skips the performance-data root, which has no selector.
constexpr std::array<std::uint32_t, 6> kRootCodes = {
    platform::kHkeyClassesRoot, platform::kHkeyCurrentUser,   platform::kHkeyLocalMachine,
    platform::kHkeyUsers,       platform::kHkeyCurrentConfig, platform::kHkeyDynData,
};

[[noreturn]] void RaiseInvalidPropertyValue() {
    throw RuntimeError(ErrorNumber::InvalidPropertyValue);
}

}  // namespace

TavRegistry::TavRegistry(platform::Platform platform, ControlSite& site)
    : platform_(platform), site_(site) {
    UserControl_Initialize();
}

void TavRegistry::NotifyChanged(std::string_view propertyName) {
    site_.PropertyChanged(propertyName);
}

std::int32_t TavRegistry::RegistryKey() const { return RegistryKey_; }

void TavRegistry::RegistryKey(std::int32_t vNewRegKey) {
    if (vNewRegKey < 0 || vNewRegKey >= static_cast<std::int32_t>(kRootCodes.size())) {
        RaiseInvalidPropertyValue();
    }
    RegistryKey_ = static_cast<std::int16_t>(vNewRegKey);
    NotifyChanged("RegistryKey");
}

std::u16string TavRegistry::KeyName() const { return KeyName_; }

void TavRegistry::KeyName(std::u16string sNewKey) {
    KeyName_ = std::move(sNewKey);
    NotifyChanged("KeyName");
}

std::u16string TavRegistry::SubKey() const { return SubKey_; }

void TavRegistry::SubKey(std::u16string sNewSubKey) {
    SubKey_ = std::move(sNewSubKey);
    NotifyChanged("SubKey");
}

std::uint32_t TavRegistry::GetHkey() const {
    // The selector may hold anything the saved settings carried.
    if (RegistryKey_ < 0 || RegistryKey_ >= static_cast<std::int16_t>(kRootCodes.size())) {
        RaiseInvalidPropertyValue();
    }
    return kRootCodes[static_cast<std::size_t>(RegistryKey_)];
}

std::u16string TavRegistry::ValueName() const { return ValueName_; }

void TavRegistry::ValueName(std::u16string NewValueName) {
    ValueName_ = std::move(NewValueName);
    NotifyChanged("ValueName");
}

std::int32_t TavRegistry::ValueType() const { return ValueType_; }

void TavRegistry::ValueType(std::int32_t NewValueType) {
    if (NewValueType != 0 && NewValueType != 1) RaiseInvalidPropertyValue();
    ValueType_ = NewValueType;
    NotifyChanged("ValueType");
}

Variant TavRegistry::ValueSetting() const { return ValueSetting_; }

void TavRegistry::ValueSetting(Variant vNewValue) {
    if (ValueType_ != 0) {
        // The bounds compare as real numbers: 2147483647.4 is out, 2147483647 in.
        const double number = ToNumber(vNewValue);
        if (!(number >= std::numeric_limits<std::int32_t>::min() &&
              number <= std::numeric_limits<std::int32_t>::max())) {
            RaiseInvalidPropertyValue();
        }
    }
    ValueSetting_ = std::move(vNewValue);
    NotifyChanged("ValueSetting");
}

std::uint32_t TavRegistry::GetVtype() const {
    switch (ValueType_) {
        case 0: return platform::kRegSz;
        case 1: return platform::kRegDword;
        default: RaiseInvalidPropertyValue();
    }
}

void TavRegistry::ShowAboutBox() {}

std::int32_t TavRegistry::Encryption() const { return Encryption_; }

void TavRegistry::Encryption(std::int32_t vNewValue) {
    if (vNewValue < std::numeric_limits<std::int16_t>::min() ||
        vNewValue > std::numeric_limits<std::int16_t>::max()) {
        throw RuntimeError(ErrorNumber::Overflow);
    }
    Encryption_ = static_cast<std::int16_t>(vNewValue);
    NotifyChanged("Encryption");
}

std::int32_t TavRegistry::EncryptionKey() const { return EncryptionKey_; }

void TavRegistry::EncryptionKey(std::int32_t vNewKey) {
    EncryptionKey_ = vNewKey;
    NotifyChanged("EncryptionKey");
}

}  // namespace regctl
