// A property bag held in memory: the settings a window definition carries.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "regctl/property_bag.h"

namespace regctl {

// Keeps entries in the order they were first written.
class MemoryPropertyBag : public PropertyBag {
public:
    using Entry = std::pair<std::string, Variant>;

    MemoryPropertyBag() = default;
    MemoryPropertyBag(std::initializer_list<Entry> entries);

    Variant ReadProperty(std::string_view name, const Variant& defaultValue) override;
    void WriteProperty(std::string_view name, const Variant& value,
                       const Variant& defaultValue) override;

    // The stored entries, for a host that writes them out.
    const std::vector<Entry>& Entries() const noexcept { return entries_; }

private:
    std::vector<Entry>::iterator Find(std::string_view name);

    std::vector<Entry> entries_;
};

}  // namespace regctl
