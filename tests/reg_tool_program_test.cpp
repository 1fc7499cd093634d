// The vantrel-reg program itself, run as a user runs it, on a store of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
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

    // Runs the tool with its arguments given to the shell as they stand.
    Outcome Run(const std::string& arguments) {
        const std::string command = "VANTREL_REGISTRY='" + store + "' '" VANTREL_REG_PROGRAM "' " +
                                    arguments + " 2>&1 </dev/null";
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
