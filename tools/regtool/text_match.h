// Matching names and data as the tool's searches and comparisons do: without regard to
// case unless asked, whole or anywhere in the text.
#pragma once

#include <string>
#include <string_view>

namespace regtool {

// Every letter of the scripts the code pages of Windows hold (Latin, Greek, Cyrillic) in
// upper case, one UTF-16 unit at a time, as registry names compare.
std::u16string FoldCase(std::u16string_view text);

// Whether two names are the same name, as the registry compares them.
bool SameName(std::u16string_view a, std::u16string_view b);

// How a search compares a text with what it looks for.
struct TextPattern {
    std::u16string text;      // "*" finds everything
    bool caseSensitive = false;
    bool exact = false;

    bool Matches(std::u16string_view candidate) const;
};

}  // namespace regtool
