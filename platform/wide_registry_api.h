// The registry in its Unicode forms, with enumeration: what a registry of our own serves
// and what the command-line tool needs beside the seven functions of the control.
#pragma once

#include "platform/code_page_losses.h"
#include "platform/registry_api.h"

namespace platform {

// Names are NUL-terminated UTF-16; lengths of names count characters, sizes of data bytes.
class WideRegistryApi : public RegistryApi {
public:
    // Opens subKey below key; *result is null after a failure.
    virtual Long RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword options, Regsam access,
                               Hkey* result) = 0;
    // Creates subKey and every missing key above it, or opens it when it exists.
    virtual Long RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword reserved,
                                 char16_t* className, Dword options, Regsam access,
                                 const void* securityAttributes, Hkey* result,
                                 Dword* disposition) = 0;
    // Reads a value's type, size and data; a null data pointer asks for type and size only.
    virtual Long RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* reserved,
                                  Dword* type, std::uint8_t* data, Dword* size) = 0;
    // Stores size bytes of data under valueName with the given type.
    virtual Long RegSetValueExW(Hkey key, const char16_t* valueName, Dword reserved, Dword type,
                                const std::uint8_t* data, Dword size) = 0;
    // Deletes the key subKey below key; a key with subkeys is refused.
    virtual Long RegDeleteKeyW(Hkey key, const char16_t* subKey) = 0;
    // Deletes one value of key.
    virtual Long RegDeleteValueW(Hkey key, const char16_t* valueName) = 0;
    // The name of the index-th subkey; *nameLength is the buffer's size in characters on
    // the way in and the name's length on the way out.
    virtual Long RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                               Dword* reserved, char16_t* className, Dword* classLength,
                               void* lastWriteTime) = 0;
    // The name, type and data of the index-th value.
    virtual Long RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                               Dword* reserved, Dword* type, std::uint8_t* data,
                               Dword* dataSize) = 0;
    // Counts and longest lengths of a key's subkeys and values.
    virtual Long RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength,
                                  Dword* reserved, Dword* subKeys, Dword* maxSubKeyLength,
                                  Dword* maxClassLength, Dword* values,
                                  Dword* maxValueNameLength, Dword* maxValueSize,
                                  Dword* securityDescriptorSize, void* lastWriteTime) = 0;
};

// The seven 8-bit functions served by the Unicode ones through the code page, as advapi32
// serves them: names and string data are converted, other data passes unchanged. A string
// read whose text the code page cannot hold is counted.
class AnsiOverWideRegistry : public WideRegistryApi, public CodePageLosses {
public:
    Long RegOpenKeyExA(Hkey key, const char* subKey, Dword options, Regsam access,
                       Hkey* result) final;
    Long RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved, char* className,
                         Dword options, Regsam access, const void* securityAttributes,
                         Hkey* result, Dword* disposition) final;
    Long RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved, Dword* type,
                          std::uint8_t* data, Dword* size) final;
    Long RegSetValueExA(Hkey key, const char* valueName, Dword reserved, Dword type,
                        const std::uint8_t* data, Dword size) final;
    Long RegDeleteKeyA(Hkey key, const char* subKey) final;
    Long RegDeleteValueA(Hkey key, const char* valueName) final;
    unsigned long LossyReads() const final { return lossyReads_; }

private:
    unsigned long lossyReads_ = 0;
};

}  // namespace platform
