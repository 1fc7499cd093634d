// System information: the setup program's defaults, the directories, the computer name
// and the volume's label and serial number. Failures read as fixed texts, never as errors.
#include <array>
#include <cstring>

#include "platform/codepage.h"
#include "platform/key_handle.h"
#include "regctl/tav_registry.h"

namespace regctl {
namespace {

constexpr std::size_t kTextBuffer = 1024;
constexpr std::u16string_view kNoVolumeName = u"(No Volume Name!)";

std::u16string TrimSpaces(const std::u16string& text) {
    const auto first = text.find_first_not_of(u' ');
    if (first == std::u16string::npos) return {};
    return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

// The text in front of the first NUL of a buffer.
std::u16string BeforeNul(const char* buffer, std::size_t size) {
    return platform::codepage::Decode(std::string_view(buffer, strnlen(buffer, size)));
}

std::u16string Hex(std::uint16_t value) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    do {
        text.insert(text.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

}  // namespace

std::u16string TavRegistry::ReadSetupDefault(const char* valueName) {
    auto& registry = platform_.registry;
    platform::KeyHandle key(registry);
    if (registry.RegOpenKeyExA(platform::RootKey(platform::kHkeyCurrentUser),
                               "SOFTWARE\\Microsoft\\MS Setup (ACME)\\User Info", 0,
                               platform::kKeyAllAccess, key.Out()) != platform::kErrorSuccess) {
        key.Forget();
        return {};
    }
    std::array<std::uint8_t, kTextBuffer> buffer{};
    platform::Dword type = 0;
    platform::Dword size = buffer.size();
    std::u16string result;
    if (registry.RegQueryValueExA(key.get(), valueName, nullptr, &type, buffer.data(), &size) ==
        platform::kErrorSuccess) {
        std::string text(reinterpret_cast<const char*>(buffer.data()), size);
        // Only the one final NUL goes; a value stored without one is taken whole.
        if (!text.empty() && text.back() == '\0') text.pop_back();
        result = TrimSpaces(platform::codepage::Decode(text));
    }
    return result;
}

std::u16string TavRegistry::ReadDefName() { return ReadSetupDefault("DefName"); }

std::u16string TavRegistry::ReadDefCompany() { return ReadSetupDefault("DefCompany"); }

std::u16string TavRegistry::UserName() { return ReadDefName(); }

void TavRegistry::UserName(std::u16string /*vNewUser*/) {
    m_UserName = ReadDefName();
    NotifyChanged("UserName");
}

std::u16string TavRegistry::CompanyName() { return ReadDefCompany(); }

void TavRegistry::CompanyName(std::u16string /*vNewCompany*/) {
    m_CompanyName = ReadDefCompany();
    NotifyChanged("CompanyName");
}

std::u16string TavRegistry::ReadWindowsDir() {
    std::array<char, kTextBuffer> buffer{};
    platform_.system.GetWindowsDirectoryA(buffer.data(), buffer.size());
    return BeforeNul(buffer.data(), buffer.size());
}

std::u16string TavRegistry::ReadWinSysDir() {
    std::array<char, kTextBuffer> buffer{};
    platform_.system.GetSystemDirectoryA(buffer.data(), buffer.size());
    return BeforeNul(buffer.data(), buffer.size());
}

// A failed call leaves the size word as it was, so its result decides: without a name
// the computer name is the empty string, not the whole buffer.
std::u16string TavRegistry::ReadComputerName() {
    std::array<char, kTextBuffer> buffer{};
    platform::Dword size = buffer.size();
    if (!platform_.system.GetComputerNameA(buffer.data(), &size)) return {};
    const std::size_t length = std::min<std::size_t>(size, buffer.size());
    return TrimSpaces(platform::codepage::Decode(std::string_view(buffer.data(), length)));
}

std::u16string TavRegistry::WindowsDir() { return ReadWindowsDir(); }

void TavRegistry::WindowsDir(std::u16string /*vNewDir*/) {
    m_WindowsDir = ReadWindowsDir();
    NotifyChanged("WindowsDir");
}

Variant TavRegistry::WinSysDir() { return ReadWinSysDir(); }

void TavRegistry::WinSysDir(Variant /*vNewValue*/) {
    m_WinSysDir = ReadWinSysDir();
    NotifyChanged("WinSysDir");
}

std::u16string TavRegistry::ComputerName() { return ReadComputerName(); }

void TavRegistry::ComputerName(std::u16string /*vNewCname*/) {
    m_ComputerName = ReadComputerName();
    NotifyChanged("ComputerName");
}

std::u16string TavRegistry::VolumeLabel() {
    RefreshVolumeInfo();
    return m_VolumeLabel;
}

void TavRegistry::VolumeLabel(std::u16string vNewVol) {
    m_VolumeLabel = std::move(vNewVol);
    NotifyChanged("VolumeLabel");
}

std::u16string TavRegistry::SerialNumber() {
    RefreshVolumeInfo();
    return m_SerialNumber;
}

void TavRegistry::SerialNumber(std::u16string vNewSerial) {
    m_SerialNumber = std::move(vNewSerial);
    NotifyChanged("SerialNumber");
}

std::u16string TavRegistry::Drive() const { return m_Drive; }

void TavRegistry::Drive(std::u16string vNewDrive) {
    m_Drive = std::move(vNewDrive);
    NotifyChanged("Drive");
    RefreshVolumeInfo();
}

// The buffers start as spaces and the serial as 0, so a failed call, which writes
// nothing, reads as "(No Volume Name!)" and "0-0".
void TavRegistry::RefreshVolumeInfo() {
    std::array<char, 14> label;
    label.fill(' ');
    std::array<char, 32> fileSystem;
    fileSystem.fill(' ');
    platform::Dword serial = 0, maxComponentLength = 0, flags = 0;
    platform_.system.GetVolumeInformationA(platform::codepage::Encode(m_Drive).c_str(),
                                           label.data(), label.size(), &serial,
                                           &maxComponentLength, &flags, fileSystem.data(),
                                           fileSystem.size());
    std::u16string text = BeforeNul(label.data(), label.size());
    if (TrimSpaces(text).empty()) text = kNoVolumeName;
    m_VolumeLabel = std::move(text);

    const auto value = static_cast<std::int32_t>(serial);
    const std::u16string upper = Hex(static_cast<std::uint16_t>(HighWord(value)));
    const std::u16string lower = Hex(static_cast<std::uint16_t>(LowWord(value)));
    m_SerialNumber = upper + (lower.size() == 3 ? u"-0" : u"-") + lower;
}

std::int16_t TavRegistry::HighWord(std::int32_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(value) >> 16);
}

std::int16_t TavRegistry::LowWord(std::int32_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(value) & 0xFFFF);
}

}  // namespace regctl
