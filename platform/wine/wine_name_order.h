// The order in which Wine's server keeps, and so lists, the subkeys and values of a key.
#pragma once

#include <string_view>

namespace wine {

// Whether a comes before b as Wine orders names: unit by unit in lower case (so that "_"
// comes before the letters), then the shorter first.
bool WineNameLess(std::u16string_view a, std::u16string_view b);

}  // namespace wine
