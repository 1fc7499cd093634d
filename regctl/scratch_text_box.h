// The control's hidden text box: a string holder that keeps the text before the first NUL.
#pragma once

#include <string>

namespace regctl {

// Behaves as a single-line text box does with a string holding NULs.
class ScratchTextBox {
public:
    // Keeps the characters before the first NUL (all of them when there is none).
    void Text(const std::u16string& text) { text_ = text.substr(0, text.find(u'\0')); }

    // What was kept.
    const std::u16string& Text() const noexcept { return text_; }

private:
    std::u16string text_;
};

}  // namespace regctl
