// The saved settings a host keeps for each placed control.
#pragma once

#include <string_view>

#include "regctl/variant.h"

namespace regctl {

// Named, typed entries; names match without regard to case.
class PropertyBag {
public:
    virtual ~PropertyBag() = default;

    // The stored value of name, or defaultValue when there is none.
    virtual Variant ReadProperty(std::string_view name, const Variant& defaultValue) = 0;

    // Records value under name; a value equal to defaultValue (same kind and value) is not
    // stored, so an entry still at its default leaves nothing behind.
    virtual void WriteProperty(std::string_view name, const Variant& value,
                               const Variant& defaultValue) = 0;
};

}  // namespace regctl
