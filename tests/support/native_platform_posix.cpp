#include "native_platform.h"
#include "platform/posix/posix_system.h"

namespace testing_support {

platform::SystemApi& NativeSystem() {
    static platform::posix::PosixSystem system;
    return system;
}

}  // namespace testing_support
