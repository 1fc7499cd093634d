// Which line of Windows this is.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Whether this Windows is of the 9x line (95, 98, ME): GetVersion's high bit. Its
// registry keeps 8-bit text only, and most of its Unicode functions are stubs.
inline bool IsWindows9x() { return (GetVersion() & 0x80000000u) != 0; }

}  // namespace platform::win32
