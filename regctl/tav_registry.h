// TavRegistry: the registry control. One instance names a registry location, a value type
// and a value to write, and reports what it reads and what fails through its events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "regctl/control_site.h"
#include "regctl/event.h"
#include "regctl/property_bag.h"
#include "regctl/scratch_text_box.h"
#include "regctl/variant.h"

namespace regctl {

// Member identifier under which ShowAboutBox is registered as the standard about box.
inline constexpr int kAboutBoxDispatchId = -552;

// The fixed size of a placed control, in twips.
inline constexpr std::int32_t kControlWidth = 270;
inline constexpr std::int32_t kControlHeight = 255;

class TavRegistry {
public:
    // Delivers the value QueryValue read and whether the registry typed it as a string.
    Event<TavRegistry, Variant, bool> RegKey;
    // Reports one failed registry call with its code (1000 to 1005) and message.
    Event<TavRegistry, std::int16_t, std::u16string> Error;

    // Creates the control on its host's platform and site; runs UserControl_Initialize.
    TavRegistry(platform::Platform platform, ControlSite& site);

    TavRegistry(const TavRegistry&) = delete;
    TavRegistry& operator=(const TavRegistry&) = delete;

    // Root-key selector 0 to 5.
    std::int32_t RegistryKey() const;
    // Accepts 0 to 5, else run-time error 380.
    void RegistryKey(std::int32_t vNewRegKey);

    // Deletes the key SubKey below the key KeyName.
    void DeleteKey();
    // Creates the key KeyName\SubKey (KeyName alone when SubKey is empty), with every
    // missing key above it.
    void CreateKey();
    // Reads the value ValueName of the key KeyName\SubKey and delivers it through RegKey.
    void QueryValue();

    // Key path below the root.
    std::u16string KeyName() const;
    // Stores the path exactly as given.
    void KeyName(std::u16string sNewKey);

    // Key path below KeyName; may be empty.
    std::u16string SubKey() const;
    // Stores the path exactly as given.
    void SubKey(std::u16string sNewSubKey);

    // Writes ValueSetting as ValueName into the existing key KeyName\SubKey, as a string
    // or a 32-bit integer according to ValueType.
    void SetValue();

    // The root-key code of RegistryKey; run-time error 380 when it is outside 0 to 5.
    std::uint32_t GetHkey() const;

    // Name of the value the value operations address.
    std::u16string ValueName() const;
    // Stores the name exactly as given.
    void ValueName(std::u16string NewValueName);

    // Value-type selector: 0 string, 1 32-bit integer.
    std::int32_t ValueType() const;
    // Accepts 0 and 1, else run-time error 380.
    void ValueType(std::int32_t NewValueType);

    // The value SetValue writes, as a caller or the saved settings left it.
    Variant ValueSetting() const;
    // Stores the value; unless ValueType is 0 it must be a number within 32 bits
    // (error 13 when it is no number, 380 when it is out of range).
    void ValueSetting(Variant vNewValue);

    // The registry type of ValueType (1 or 4); run-time error 380 for any other selector.
    std::uint32_t GetVtype() const;

    // Deletes the value ValueName of the key KeyName\SubKey.
    void DeleteValue();

    // The about box of the control: it has none, so this does nothing.
    void ShowAboutBox();

    // The setup program's default user name (DefName) of the current user; empty when it
    // cannot be read.
    std::u16string UserName();
    // Keeps a fresh reading in m_UserName; the argument is discarded, the registry untouched.
    void UserName(std::u16string vNewUser);

    // The setup program's default company (DefCompany); empty when it cannot be read.
    std::u16string CompanyName();
    // Keeps a fresh reading in m_CompanyName; the argument is discarded.
    void CompanyName(std::u16string vNewCompany);

    // The Windows directory, read afresh.
    std::u16string WindowsDir();
    // Keeps a fresh reading in m_WindowsDir; the argument is discarded.
    void WindowsDir(std::u16string vNewDir);

    // The system directory, read afresh, as a tagged string.
    Variant WinSysDir();
    // Keeps a fresh reading in m_WinSysDir; the argument is discarded.
    void WinSysDir(Variant vNewValue);

    // The computer name without spaces around it; empty when the platform has none.
    std::u16string ComputerName();
    // Keeps a fresh reading in m_ComputerName; the argument is discarded.
    void ComputerName(std::u16string vNewCname);

    // Scrambles or unscrambles text as Encryption selects, with EncryptionKey; error 5
    // when a negative key drives a code below 0.
    std::u16string EnDeCrypt(std::u16string sText) const;

    // Scrambling switch: 0 off, 2 unscramble, anything else scramble.
    std::int32_t Encryption() const;
    // Stores the switch; overflow (6) outside 16 bits.
    void Encryption(std::int32_t vNewValue);

    // The label of the volume at Drive, refreshed; "(No Volume Name!)" when it has none or
    // cannot be read.
    std::u16string VolumeLabel();
    // Stores a label to be saved, until the next refresh; the volume is untouched.
    void VolumeLabel(std::u16string vNewVol);

    // The serial number of the volume at Drive as text ("1A2B-3C4D"), refreshed; "0-0"
    // when it cannot be read.
    std::u16string SerialNumber();
    // Stores a serial text to be saved, until the next refresh.
    void SerialNumber(std::u16string vNewSerial);

    // The root path of the volume, as written.
    std::u16string Drive() const;
    // Stores the root path, then refreshes the label and serial number.
    void Drive(std::u16string vNewDrive);

    // Scrambling key.
    std::int32_t EncryptionKey() const;
    // Stores the key; every value is a key.
    void EncryptionKey(std::int32_t vNewKey);

    // Host events: creation, loading, resizing and saving of a placed instance.
    void UserControl_Initialize();
    void UserControl_ReadProperties(PropertyBag& PropBag);
    void UserControl_Resize();
    void UserControl_WriteProperties(PropertyBag& PropBag) const;

    // The control's extent in twips.
    std::int32_t Width() const noexcept { return width_; }
    std::int32_t Height() const noexcept { return height_; }
    // Asks the control to take another extent; it keeps its fixed size.
    void Resize(std::int32_t width, std::int32_t height);

private:
    std::u16string ReadDefName();
    std::u16string ReadDefCompany();
    std::u16string ReadWindowsDir();
    std::u16string ReadWinSysDir();
    std::u16string ReadComputerName();
    std::u16string ScramblePass(const std::u16string& text, std::int32_t key) const;
    std::u16string UnscramblePass(const std::u16string& text, std::int32_t key) const;
    void RefreshVolumeInfo();
    static std::int16_t HighWord(std::int32_t value);
    static std::int16_t LowWord(std::int32_t value);

    std::u16string ReadSetupDefault(const char* valueName);

    void NotifyChanged(std::string_view propertyName);
    void RaiseError(std::int16_t code, std::u16string_view message);
    std::u16string ValuePath() const;

    platform::Platform platform_;
    ControlSite& site_;

    std::int16_t RegistryKey_ = 0;
    std::u16string KeyName_;
    std::u16string SubKey_;
    std::u16string ValueName_;
    std::int32_t ValueType_ = 0;
    Variant ValueSetting_;
    ScratchTextBox Text1;

    std::int16_t Encryption_ = 0;
    std::int32_t EncryptionKey_ = 0;
    std::u16string m_VolumeLabel;
    std::u16string m_SerialNumber;
    std::u16string m_Drive;
    std::u16string m_UserName;
    std::u16string m_CompanyName;
    std::u16string m_WindowsDir;
    std::u16string m_WinSysDir;
    std::u16string m_ComputerName;

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

}  // namespace regctl
