// What the 8-bit registry functions lost of the texts they read. Only the platform can
// tell: once text is in the code page, a '?' that stood for a lost character looks like
// any other.
#pragma once

namespace platform {

// Counts the string reads whose stored text the code page could not hold.
class CodePageLosses {
public:
    virtual ~CodePageLosses() = default;

    // How many reads so far delivered text that lost characters to the code page; a
    // caller compares the count before and after its own read.
    virtual unsigned long LossyReads() const = 0;
};

}  // namespace platform
