// The codes the Error event carries. One code stands for different failures in different
// operations, so each name says where it comes from.
#pragma once

#include <cstdint>

namespace regctl {

// CreateKey could not create its key; DeleteKey or DeleteValue could not open theirs.
inline constexpr std::int16_t kErrorKeyNotReached = 1000;
// QueryValue or SetValue could not open the key; DeleteKey could not delete its sub-key.
inline constexpr std::int16_t kErrorValueKeyNotOpened = 1001;
// QueryValue could not read the value's type and size.
inline constexpr std::int16_t kErrorValueNotRead = 1002;
// SetValue could not write a string value.
inline constexpr std::int16_t kErrorStringNotWritten = 1003;
// SetValue could not write a 32-bit integer value.
inline constexpr std::int16_t kErrorLongNotWritten = 1004;
// DeleteValue could not delete the value.
inline constexpr std::int16_t kErrorValueNotDeleted = 1005;

}  // namespace regctl
