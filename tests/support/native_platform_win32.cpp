#include "native_platform.h"
#include "platform/win32/win32_system.h"

namespace testing_support {

platform::SystemApi& NativeSystem() {
    static platform::win32::Win32System system;
    return system;
}

}  // namespace testing_support

#include "code_page.h"

namespace testing_support {

bool UseCodePage(unsigned codePage) { return platform::codepage::ActiveCodePage() == codePage; }

}  // namespace testing_support
