// How the registry functions fill their callers' out-parameters: sizes, short buffers
// (ERROR_MORE_DATA) and names with their NUL.
#pragma once

#include <string>

#include "platform/registry/registry_tree.h"

namespace platform {

// A value's type, and its data into a buffer of *size bytes: a null buffer asks for the
// size alone, a short one gets ERROR_MORE_DATA with the size needed and is left untouched.
Long CopyValue(const TreeValue& value, Dword* type, std::uint8_t* data, Dword* size);

// A listed name with its NUL into a buffer of *length characters; *length is then the
// name's length. A buffer without room for the NUL gets ERROR_MORE_DATA, *length unchanged.
Long CopyListedName(const std::u16string& name, char16_t* buffer, Dword* length);

// Classes and write times, which no tree keeps: empty and zero.
void ClearClassAndTime(char16_t* className, Dword* classLength, void* lastWriteTime);

}  // namespace platform
