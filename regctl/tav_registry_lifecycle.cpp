// Creation, sizing, loading and saving of a placed control.
#include "regctl/tav_registry.h"

namespace regctl {

void TavRegistry::UserControl_Initialize() {
    width_ = kControlWidth;
    height_ = kControlHeight;
}

void TavRegistry::UserControl_Resize() {
    width_ = kControlWidth;
    height_ = kControlHeight;
}

void TavRegistry::Resize(std::int32_t width, std::int32_t height) {
    width_ = width;
    height_ = height;
    UserControl_Resize();
}

// Members are stored directly, in this order: no property write runs, so loading neither
// validates nor notifies. A conversion that fails leaves the entries already read in place.
void TavRegistry::UserControl_ReadProperties(PropertyBag& PropBag) {
    const Variant noValue;
    const Variant noText{std::u16string()};
    const Variant zero16{std::int16_t{0}};
    const Variant zero32{std::int32_t{0}};

    RegistryKey_ = ToInt16(PropBag.ReadProperty("RegistryKey", zero16));
    KeyName_ = ToText(PropBag.ReadProperty("KeyName", noText));
    SubKey_ = ToText(PropBag.ReadProperty("SubKey", noText));
    ValueName_ = ToText(PropBag.ReadProperty("ValueName", noText));
    ValueSetting_ = PropBag.ReadProperty("ValueSetting", noValue);
    ValueType_ = ToInt32(PropBag.ReadProperty("ValueType", zero32));
    Encryption_ = ToInt16(PropBag.ReadProperty("Encryption", zero16));
    m_VolumeLabel = ToText(PropBag.ReadProperty("VolumeLabel", noText));
    m_SerialNumber = ToText(PropBag.ReadProperty("SerialNumber", noText));
    m_Drive = ToText(PropBag.ReadProperty("Drive", noText));
    EncryptionKey_ = ToInt32(PropBag.ReadProperty("EncryptionKey", zero32));
}

void TavRegistry::UserControl_WriteProperties(PropertyBag& PropBag) const {
    const Variant noValue;
    const Variant noText{std::u16string()};
    const Variant zero16{std::int16_t{0}};
    const Variant zero32{std::int32_t{0}};

    PropBag.WriteProperty("RegistryKey", RegistryKey_, zero16);
    PropBag.WriteProperty("KeyName", KeyName_, noText);
    PropBag.WriteProperty("SubKey", SubKey_, noText);
    PropBag.WriteProperty("ValueName", ValueName_, noText);
    PropBag.WriteProperty("ValueSetting", ValueSetting_, noValue);
    PropBag.WriteProperty("ValueType", ValueType_, zero32);
    PropBag.WriteProperty("Encryption", Encryption_, zero16);
    PropBag.WriteProperty("VolumeLabel", m_VolumeLabel, noText);
    PropBag.WriteProperty("SerialNumber", m_SerialNumber, noText);
    PropBag.WriteProperty("Drive", m_Drive, noText);
    PropBag.WriteProperty("EncryptionKey", EncryptionKey_, zero32);
}

}  // namespace regctl
