// The registration information a registry made for this program holds at first.
#pragma once

#include <string_view>

#include "platform/initial_contents.h"

namespace app {

// The keys a new Windows installation has for the registration editor: the four
// registration values (owner set, the rest empty) and the setup program's default user,
// whose name is the owner's too.
platform::InitialContents NewInstallation(std::u16string_view owner);

}  // namespace app
