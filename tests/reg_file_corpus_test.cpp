// The fuzzer's seed corpus, replayed through the reader and writer on every test run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/regtool/reg_file.h"

TEST(RegFileCorpus, EverySeedReadsAndWhatIsReadWritesBack) {
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VANTREL_FUZZ_CORPUS)) {
        std::ifstream file(entry.path(), std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        const auto result = regtool::ParseRegFile(content.str());
        ++seeds;
        const auto* reg = std::get_if<regtool::RegFile>(&result);
        if (!reg) continue;
        std::vector<regtool::ExportedKey> keys;
        for (const auto& key : reg->keys) {
            if (key.remove) continue;
            keys.push_back({key.key.Full(), {}});
            for (const auto& value : key.values) {
                if (!value.remove) keys.back().values.push_back(value.value);
            }
        }
        const auto again = regtool::ParseRegFile(regtool::WriteRegFile(keys, reg->version));
        ASSERT_TRUE(std::holds_alternative<regtool::RegFile>(again)) << entry.path();
        EXPECT_EQ(std::get<regtool::RegFile>(again).keys.size(), keys.size()) << entry.path();
    }
    EXPECT_GE(seeds, 4);
}
