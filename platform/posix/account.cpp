#include "platform/posix/account.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix/utf8.h"

namespace platform::posix {

std::u16string AccountFullName() {
    if (const passwd* account = getpwuid(getuid())) {
        // The first field of the comment is the full name; the rest are phone numbers.
        const std::string gecos = account->pw_gecos ? account->pw_gecos : "";
        const std::string fullName = gecos.substr(0, gecos.find(','));
        return Utf8ToUtf16(fullName.empty() ? account->pw_name : fullName);
    }
    const char* user = std::getenv("USER");
    return user ? Utf8ToUtf16(user) : std::u16string();
}

}  // namespace platform::posix
