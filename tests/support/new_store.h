// The keys and values the program gives a store it makes, for tests that make one.
#pragma once

#include "app/new_installation.h"
#include "platform/posix/account.h"

namespace testing_support {

inline platform::InitialContents NewInstallation() {
    return app::NewInstallation(platform::posix::AccountFullName());
}

}  // namespace testing_support
