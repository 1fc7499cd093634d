// Whether a wineserver serves a Wine prefix: it holds the lock of its server folder while it
// runs, and writes its registry over any change made beside it when it next saves.
#pragma once

#include <string>

namespace wine {

// True while a wineserver holds the lock of the prefix's server folder.
bool WineServerServes(const std::string& prefix);

}  // namespace wine
