// The registry tool's commands run in-process against the test registry, with the
// user's answers to its questions chosen by the test and its output kept for checking.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_dir.h"
#include "test_registry.h"
#include "tools/regtool/commands.h"
#include "tools/regtool/host_io.h"
#ifndef _WIN32
#include "platform/store/registry_store.h"
#endif

namespace testing_support {

class RegToolTest : public ::testing::Test {
protected:
    TestRegistry test;
    TempDir dir;
    bool answer = false;
    std::vector<std::u16string> questions;
    regtool::ToolEnvironment env{test.Api(),
                                 nullptr,
                                 [this](const std::u16string& question) {
                                     questions.push_back(question);
                                     return answer;
                                 },
                                 {},
                                 {},
                                 {}};

    void SetUp() override {
#ifndef _WIN32
        // Our store makes an import one transaction.
        auto* store = dynamic_cast<store::RegistryStore*>(&test.Api());
        env.beginTransaction = [store]() -> std::unique_ptr<regtool::RegistryTransaction> {
            struct Batch : regtool::RegistryTransaction {
                explicit Batch(store::StoreBatch b) : batch(std::move(b)) {}
                bool Commit() override { return batch.Commit(); }
                store::StoreBatch batch;
            };
            auto batch = store->BeginBatch();
            if (!batch) return nullptr;
            return std::make_unique<Batch>(std::move(*batch));
        };
#endif
    }

    int Run(std::vector<std::u16string> arguments) {
        env.out.clear();
        env.err.clear();
        return regtool::RunRegCommand(arguments, env);
    }
    std::u16string File(const char* name) {
        const std::string path = dir.File(name);
        return std::u16string(path.begin(), path.end());
    }
    std::string Read(const std::u16string& path) {
        std::string bytes;
        regtool::ReadWholeFile(path, bytes);
        return bytes;
    }
    void Write(const std::u16string& path, const std::string& bytes) {
        ASSERT_TRUE(regtool::WriteWholeFile(path, bytes));
    }
    static std::string Utf16(std::u16string_view text) {
        std::string bytes = "\xFF\xFE";
        for (const char16_t c : text) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
        return bytes;
    }
    // UTF-16 as bytes of UTF-8, for messages of failed checks.
    static std::string Narrow(std::u16string_view text) {
        std::string out;
        for (const char16_t c : text) {
            if (c < 0x80) {
                out.push_back(static_cast<char>(c));
            } else if (c < 0x800) {
                out.push_back(static_cast<char>(0xC0 | c >> 6));
                out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            } else {
                out.push_back(static_cast<char>(0xE0 | c >> 12));
                out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
                out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            }
        }
        return out;
    }
    static std::u16string Digits(int number) {
        const std::string text = std::to_string(number);
        return {text.begin(), text.end()};
    }
};

inline const std::u16string kToolKey = u"HKCU\\Software\\VantrelTest";
inline const std::u16string kToolFull = u"HKEY_CURRENT_USER\\Software\\VantrelTest";

}  // namespace testing_support
