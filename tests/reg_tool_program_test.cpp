// The vantrel-reg program itself, run as a user runs it, on a store of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "temp_dir.h"

namespace {

struct Outcome {
    int status = -1;
    std::string output;  // standard output and standard error
};

class RegToolProgram : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    std::string store = dir.File("registry.db");

    // Runs the tool with its arguments given to the shell as they stand, and with the
    // variables given before them.
    Outcome Run(const std::string& arguments, const std::string& variables = "") {
        const std::string command = variables + " VANTREL_REGISTRY='" + store +
                                    "' '" VANTREL_REG_PROGRAM "' " + arguments + " 2>&1 </dev/null";
        Outcome outcome;
        FILE* pipe = popen(command.c_str(), "r");
        std::array<char, 4096> buffer{};
        std::size_t got = 0;
        while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            outcome.output.append(buffer.data(), got);
        const int status = pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }
};

}  // namespace

// An argument that is not UTF-8 could name another key once its bad bytes are dropped:
// here the whole of HKCU\Software.
TEST_F(RegToolProgram, AnArgumentThatIsNotTextChangesNothing) {
    ASSERT_EQ(Run("add 'HKCU\\Software\\Kept' /v A /d 1 /f").status, 0);
    const Outcome refused = Run("delete \"$(printf 'HKCU\\\\Software\\\\\\377')\" /f");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output,
              "ERROR: The argument \"HKCU\\Software\\\\xFF\" is not valid UTF-8 text. "
              "Nothing was changed.\n");
    EXPECT_EQ(Run("query 'HKCU\\Software\\Kept' /v A").status, 0);
}

TEST_F(RegToolProgram, AStoreThatCannotBeUsedIsNamedOnce) {
    ASSERT_EQ(system(("printf 'not a store' > '" + store + "'").c_str()), 0);
    const Outcome outcome = Run("query HKLM\\Software");
    EXPECT_EQ(outcome.status, 1);
    const std::string named = "The registry store " + store + " cannot be used";
    ASSERT_NE(outcome.output.find(named), std::string::npos) << outcome.output;
    EXPECT_EQ(outcome.output.find(named, outcome.output.find(named) + 1), std::string::npos)
        << outcome.output;
}

// A REGEDIT4 file is written in the code page, which the variable or the locale names.
TEST_F(RegToolProgram, TheCodePageOfAnOldFormatFileFollowsTheChosenPage) {
    const std::string company = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";  // "Иван" in UTF-8
    ASSERT_EQ(Run("add 'HKCU\\Software\\Demo' /v Company /d '" + company + "' /f").status, 0);
    const std::string file = dir.File("demo.reg");
    const auto exported = [&](const std::string& variables) {
        EXPECT_EQ(
            Run("export 'HKCU\\Software\\Demo' '" + file + "' /y /regedit4", variables).status, 0);
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_NE(exported("VANTREL_CODEPAGE=1251").find("\"Company\"=\"\xC8\xE2\xE0\xED\""),
              std::string::npos);
    EXPECT_NE(exported("VANTREL_CODEPAGE= LC_ALL=C.UTF-8").find("\"Company\"=\"" + company),
              std::string::npos);
}

TEST_F(RegToolProgram, ACodePageVariableThatNamesNoPageChangesNothing) {
    const Outcome refused = Run("add 'HKCU\\Software\\Demo' /f", "VANTREL_CODEPAGE=utf-8");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output,
              "ERROR: VANTREL_CODEPAGE is \"utf-8\", which is no code page this program "
              "converts; it knows 65001 (UTF-8), 874, 932, 936, 949, 950 and 1250 to 1258. "
              "Nothing was changed.\n");
    EXPECT_EQ(Run("query 'HKCU\\Software\\Demo'").status, 1);
}
