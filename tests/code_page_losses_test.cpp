// The editor's 8-bit registry functions count the string reads that lost characters to
// the code page, so that the window can refuse to write such text back.
#include <gtest/gtest.h>

#include <string>

#include "code_page.h"
#include "test_registry.h"

using namespace platform;
using testing_support::kTestKey;
using testing_support::TestRegistry;

namespace {

const std::u16string kPolishName = u"\u0141ukasz \u017B\u00F3\u0142w";

template <unsigned CodePage>
class LossesIn : public testing_support::InCodePage<CodePage> {
protected:
    TestRegistry test;
    Hkey key = kNullKey;

    void SetUp() override {
        testing_support::InCodePage<CodePage>::SetUp();
        if (this->IsSkipped()) return;
        ASSERT_EQ(test.Api().RegCreateKeyExW(RootKey(kHkeyLocalMachine), kTestKey, 0, nullptr, 0,
                                             kKeyAllAccess, nullptr, &key, nullptr),
                  kErrorSuccess);
    }
    void TearDown() override {
        if (key != kNullKey) test.Api().RegCloseKey(key);
    }

    // Stores text in its Unicode form, as the tool or another program would.
    Long Store(const char16_t* name, const std::u16string& text, Dword type = kRegSz) {
        return test.Api().RegSetValueExW(key, name, 0, type,
                                         reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                         static_cast<Dword>((text.size() + 1) * 2));
    }
    // Reads a value as the control does: its size, then its data.
    std::string Read(const char* name) {
        Dword type = 0, size = 0;
        EXPECT_EQ(test.EditorApi().RegQueryValueExA(key, name, nullptr, &type, nullptr, &size),
                  kErrorSuccess);
        std::string data(size, '\0');
        EXPECT_EQ(
            test.EditorApi().RegQueryValueExA(key, name, nullptr, &type,
                                              reinterpret_cast<std::uint8_t*>(data.data()), &size),
            kErrorSuccess);
        data.resize(size);
        return data;
    }
    unsigned long Losses() { return test.EditorLosses().LossyReads(); }
};

using LossesIn1252 = LossesIn<1252>;
using LossesIn65001 = LossesIn<65001>;

}  // namespace

TEST_F(LossesIn1252, AReadOfTextThePageLacksIsCountedOnce) {
    if (TestRegistry::IsWindows9x()) GTEST_SKIP() << "9x stores code-page text only";
    ASSERT_EQ(Store(u"Owner", kPolishName), kErrorSuccess);
    ASSERT_EQ(Store(u"Path", u"C:\\\u0141\u00F3d\u017A", kRegExpandSz), kErrorSuccess);
    const unsigned long before = Losses();
    // Differs: the store writes '?' for what the page lacks; Windows and Wine write a
    // look-alike where they know one, which reads as a plausible name and is no less lost.
    EXPECT_EQ(Read("Owner").substr(0, 11),
              TestRegistry::IsReal() ? "Lukasz Z\xF3lw" : "?ukasz ?\xF3?w");
    EXPECT_EQ(Losses(), before + 1);
    Read("Path");
    EXPECT_EQ(Losses(), before + 2);
}

TEST_F(LossesIn1252, TextThePageHoldsAndOtherTypesAreNotCounted) {
    ASSERT_EQ(Store(u"Owner", u"Fran\u00E7ois \u20AC"), kErrorSuccess);
    const std::uint8_t number[4] = {0x3F, 0x3F, 0, 0};
    ASSERT_EQ(test.Api().RegSetValueExW(key, u"Count", 0, kRegDword, number, 4), kErrorSuccess);
    const unsigned long before = Losses();
    EXPECT_EQ(Read("Owner").substr(0, 10), "Fran\xE7ois \x80");
    Read("Count");
    EXPECT_EQ(Losses(), before);
}

TEST_F(LossesIn1252, AQueryForTheSizeAloneIsNoRead) {
    if (TestRegistry::IsWindows9x()) GTEST_SKIP() << "9x stores code-page text only";
    ASSERT_EQ(Store(u"Owner", kPolishName), kErrorSuccess);
    const unsigned long before = Losses();
    Dword size = 0;
    EXPECT_EQ(test.EditorApi().RegQueryValueExA(key, "Owner", nullptr, nullptr, nullptr, &size),
              kErrorSuccess);
    // Too small a buffer delivers nothing either.
    std::uint8_t small[2];
    size = sizeof small;
    EXPECT_EQ(test.EditorApi().RegQueryValueExA(key, "Owner", nullptr, nullptr, small, &size),
              kErrorMoreData);
    EXPECT_EQ(Losses(), before);
}

TEST_F(LossesIn65001, UnicodeTextCrossesWholeAndNothingIsCounted) {
    ASSERT_EQ(Store(u"Owner", kPolishName), kErrorSuccess);
    const unsigned long before = Losses();
    EXPECT_EQ(Read("Owner"), std::string("\xC5\x81ukasz \xC5\xBB\xC3\xB3\xC5\x82w\0", 16));
    EXPECT_EQ(Losses(), before);
}
