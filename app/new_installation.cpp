#include "app/new_installation.h"

namespace app {

platform::InitialContents NewInstallation(std::u16string_view owner) {
    const std::u16string name(owner);
    return {
        {platform::kHkeyLocalMachine,
         u"Software\\Microsoft\\Windows\\CurrentVersion",
         {{u"RegisteredOwner", name},
          {u"RegisteredOrganization", u""},
          {u"ProductId", u""},
          {u"ProductKey", u""}}},
        {platform::kHkeyUsers,
         u".Default\\Software\\Microsoft\\MS Setup (ACME)\\User Info",
         {{u"DefName", name}, {u"DefCompany", u""}}},
    };
}

}  // namespace app
