#include "platform/registry/out_parameters.h"

#include <cstring>

namespace platform {

Long CopyValue(const TreeValue& value, Dword* type, std::uint8_t* data, Dword* size) {
    const auto stored = static_cast<Dword>(value.data.size());
    if (type) *type = value.type;
    if (!data) {
        if (size) *size = stored;
        return kErrorSuccess;
    }
    if (*size < stored) {
        *size = stored;
        return kErrorMoreData;
    }
    if (stored) std::memcpy(data, value.data.data(), stored);
    *size = stored;
    return kErrorSuccess;
}

Long CopyListedName(const std::u16string& name, char16_t* buffer, Dword* length) {
    if (*length <= name.size()) return kErrorMoreData;
    std::memcpy(buffer, name.c_str(), (name.size() + 1) * sizeof(char16_t));
    *length = static_cast<Dword>(name.size());
    return kErrorSuccess;
}

void ClearClassAndTime(char16_t* className, Dword* classLength, void* lastWriteTime) {
    if (className && classLength && *classLength) className[0] = u'\0';
    if (classLength) *classLength = 0;
    if (lastWriteTime) std::memset(lastWriteTime, 0, 8);
}

}  // namespace platform
