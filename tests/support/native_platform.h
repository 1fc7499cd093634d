// The platform's own system calls, for tests that need real ones.
#pragma once

#include "platform/system_api.h"

namespace testing_support {

platform::SystemApi& NativeSystem();

}  // namespace testing_support
