#include "regctl/memory_property_bag.h"

#include <algorithm>

namespace regctl {
namespace {

// Property names are identifiers, so ASCII case folding is enough.
bool SameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

MemoryPropertyBag::MemoryPropertyBag(std::initializer_list<Entry> entries) {
    for (const auto& [name, value] : entries) WriteProperty(name, value, Variant());
}

std::vector<MemoryPropertyBag::Entry>::iterator MemoryPropertyBag::Find(std::string_view name) {
    return std::find_if(entries_.begin(), entries_.end(),
                        [&](const Entry& entry) { return SameName(entry.first, name); });
}

Variant MemoryPropertyBag::ReadProperty(std::string_view name, const Variant& defaultValue) {
    const auto found = Find(name);
    return found == entries_.end() ? defaultValue : found->second;
}

void MemoryPropertyBag::WriteProperty(std::string_view name, const Variant& value,
                                      const Variant& defaultValue) {
    const auto found = Find(name);
    if (value == defaultValue) {
        // A value back at its default leaves no entry, as if never written.
        if (found != entries_.end()) entries_.erase(found);
        return;
    }
    if (found != entries_.end()) {
        found->second = value;
    } else {
        entries_.emplace_back(std::string(name), value);
    }
}

}  // namespace regctl
