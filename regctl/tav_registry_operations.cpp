// The five registry operations. Each opens or creates its key afresh and closes it before
// it returns; a failed registry call raises Error and the operation goes on.
#include <array>

#include "platform/codepage.h"
#include "platform/key_handle.h"
#include "regctl/error_codes.h"
#include "regctl/runtime_error.h"
#include "regctl/tav_registry.h"

namespace regctl {
namespace {

using platform::codepage::Encode;

const std::uint8_t* Bytes(const std::string& text) {
    return reinterpret_cast<const std::uint8_t*>(text.c_str());
}

}  // namespace

void TavRegistry::RaiseError(std::int16_t code, std::u16string_view message) {
    std::int16_t ErrCode = code;
    std::u16string ErrMsg(message);
    Error.Raise(ErrCode, ErrMsg);
}

// The separator is added even when SubKey is empty; the registry ignores a trailing one.
std::u16string TavRegistry::ValuePath() const { return KeyName_ + u"\\" + SubKey_; }

void TavRegistry::DeleteKey() {
    const platform::Hkey root = platform::RootKey(GetHkey());
    auto& registry = platform_.registry;
    platform::KeyHandle key(registry);
    if (registry.RegOpenKeyExA(root, Encode(KeyName_).c_str(), 0, platform::kKeyAllAccess,
                               key.Out()) != platform::kErrorSuccess) {
        RaiseError(kErrorKeyNotReached, u"Unable To Open Key");
    }
    if (registry.RegDeleteKeyA(key.get(), Encode(SubKey_).c_str()) != platform::kErrorSuccess) {
        RaiseError(kErrorValueKeyNotOpened, u"Unable To Delete Key");
    }
    key.Close();
}

void TavRegistry::CreateKey() {
    const platform::Hkey root = platform::RootKey(GetHkey());
    const std::u16string path = SubKey_.empty() ? KeyName_ : KeyName_ + u"\\" + SubKey_;
    auto& registry = platform_.registry;
    platform::KeyHandle key(registry);
    platform::Dword disposition = 0;
    const platform::Long status = registry.RegCreateKeyExA(
        root, Encode(path).c_str(), 0, nullptr, platform::kRegOptionNonVolatile,
        platform::kKeyAllAccess, nullptr, key.Out(), &disposition);
    key.Close();
    if (status != platform::kErrorSuccess)
        RaiseError(kErrorKeyNotReached, u"Unable To Create A New Key");
}

void TavRegistry::QueryValue() {
    const platform::Hkey root = platform::RootKey(GetHkey());
    const std::string name = Encode(ValueName_);
    auto& registry = platform_.registry;
    platform::KeyHandle key(registry);
    if (registry.RegOpenKeyExA(root, Encode(ValuePath()).c_str(), 0, platform::kKeyAllAccess,
                               key.Out()) != platform::kErrorSuccess) {
        RaiseError(kErrorValueKeyNotOpened, u"Unable To Open Key");
    }
    platform::Dword type = 0;
    platform::Dword size = 0;
    if (registry.RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        platform::kErrorSuccess) {
        RaiseError(kErrorValueNotRead, u"Unable To Query Reg Value");
    }

    Variant value;
    bool isString = false;
    if (type == platform::kRegSz) {
        std::string buffer(size, '\0');
        platform::Dword got = size;
        const platform::Long status =
            registry.RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                                      reinterpret_cast<std::uint8_t*>(buffer.data()), &got);
        // The whole buffer goes through the text box, which keeps what stands before the
        // first NUL: the terminator, and anything behind an embedded NUL, fall away.
        Text1.Text(platform::codepage::Decode(buffer));
        if (status == platform::kErrorSuccess) value = EnDeCrypt(Text1.Text());
        isString = true;
    } else if (type == platform::kRegDword) {
        // Never more than the integer's 4 bytes: longer data reports ERROR_MORE_DATA and
        // the value is delivered as empty.
        std::array<std::uint8_t, 4> bytes{};
        platform::Dword got = bytes.size();
        if (registry.RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, bytes.data(),
                                      &got) == platform::kErrorSuccess) {
            value = static_cast<std::int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                              static_cast<std::uint32_t>(bytes[3]) << 24);
        }
    }
    key.Close();
    RegKey.Raise(value, isString);
}

void TavRegistry::SetValue() {
    const platform::Hkey root = platform::RootKey(GetHkey());
    const platform::Dword kind = GetVtype();
    const std::string name = Encode(ValueName_);
    auto& registry = platform_.registry;
    platform::KeyHandle key(registry);
    if (registry.RegOpenKeyExA(root, Encode(ValuePath()).c_str(), 0, platform::kKeyAllAccess,
                               key.Out()) != platform::kErrorSuccess) {
        RaiseError(kErrorValueKeyNotOpened, u"Unable To Open Registry Key");
    }
    if (kind == platform::kRegSz) {
        Text1.Text(ToText(ValueSetting_));
        const std::string text = Encode(EnDeCrypt(Text1.Text()));
        // The size counts the terminating NUL, as the function's contract asks, so that
        // no registry holds an unterminated string written by this control.
        if (registry.RegSetValueExA(key.get(), name.c_str(), 0, platform::kRegSz, Bytes(text),
                                    static_cast<platform::Dword>(text.size() + 1)) !=
            platform::kErrorSuccess) {
            RaiseError(kErrorStringNotWritten, u"Unable To Set String Value");
        }
    } else {
        const auto number = static_cast<std::uint32_t>(ToInt32(ValueSetting_));
        const std::array<std::uint8_t, 4> bytes = {
            static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
        if (registry.RegSetValueExA(key.get(), name.c_str(), 0, platform::kRegDword, bytes.data(),
                                    bytes.size()) != platform::kErrorSuccess) {
            RaiseError(kErrorLongNotWritten, u"Unable To Set Long Value");
        }
    }
    key.Close();
}

void TavRegistry::DeleteValue() {
    const platform::Hkey root = platform::RootKey(GetHkey());
    auto& registry = platform_.registry;
    platform::KeyHandle key(registry);
    if (registry.RegOpenKeyExA(root, Encode(ValuePath()).c_str(), 0, platform::kKeyAllAccess,
                               key.Out()) != platform::kErrorSuccess) {
        RaiseError(kErrorKeyNotReached, u"Unable To Open Key");
    }
    if (registry.RegDeleteValueA(key.get(), Encode(ValueName_).c_str()) !=
        platform::kErrorSuccess) {
        RaiseError(kErrorValueNotDeleted, u"Unable To Delete Key Value");
    }
    key.Close();
}

}  // namespace regctl
