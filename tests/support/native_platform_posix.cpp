#include "native_platform.h"
#include "platform/posix/posix_system.h"

namespace testing_support {

platform::SystemApi& NativeSystem() {
    static platform::posix::PosixSystem system;
    return system;
}

}  // namespace testing_support

#include "code_page.h"
#include "platform/codepage_choice.h"

namespace testing_support {

bool UseCodePage(unsigned codePage) { return platform::codepage::Use(codePage); }

}  // namespace testing_support
