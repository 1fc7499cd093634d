// The code page a test assumes, named by the test and made active before it runs.
#pragma once

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace testing_support {

// Makes codePage active. Off Windows any supported page can be chosen; on Windows the
// system's is fixed, and this only tells whether it is codePage.
bool UseCodePage(unsigned codePage);

// A test that runs in one code page; where that page cannot be had, it is skipped.
template <unsigned CodePage>
class InCodePage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UseCodePage(CodePage)) {
            GTEST_SKIP() << "assumes code page " << CodePage << "; the active one is "
                         << platform::codepage::ActiveCodePage();
        }
    }
};

}  // namespace testing_support

// Runs the rest of a test in codePage, or skips it where that page cannot be had.
#define ASSUME_CODE_PAGE(codePage)                                               \
    if (!testing_support::UseCodePage(codePage))                                 \
    GTEST_SKIP() << "assumes code page " << (codePage) << "; the active one is " \
                 << platform::codepage::ActiveCodePage()
