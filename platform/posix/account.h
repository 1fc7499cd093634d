// The user this program runs as, as the account database names them.
#pragma once

#include <string>

namespace platform::posix {

// The user's full name from the account database, else the login name, else $USER.
std::u16string AccountFullName();

}  // namespace platform::posix
