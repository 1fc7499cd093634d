// Where the editor's functions lie in its file: what start-up runs in .text, what only the
// other registries run in the section after it, so that start-up maps no page of theirs.
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Range {
    std::uint64_t begin = 0, end = 0;
    bool Holds(std::uint64_t address) const { return address >= begin && address < end; }
};

struct Function {
    std::string name;
    std::uint64_t address;
};

// The sections and functions of one ELF file, read from its section and symbol tables.
class ElfFile {
public:
    explicit ElfFile(const char* path) {
        std::ifstream file(path, std::ios::binary | std::ios::ate);
        bytes_.resize(static_cast<std::size_t>(std::max<std::streamoff>(file.tellg(), 0)));
        file.seekg(0);
        file.read(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
        if (bytes_.size() < sizeof(Elf64_Ehdr) || std::memcmp(bytes_.data(), ELFMAG, SELFMAG) != 0)
            return;
        const auto& header = At<Elf64_Ehdr>(0);
        sections_ = &At<Elf64_Shdr>(header.e_shoff);
        count_ = header.e_shnum;
        names_ = sections_[header.e_shstrndx].sh_offset;
    }

    bool Read() const { return count_ > 0; }

    Range Section(std::string_view name) const {
        for (std::size_t i = 0; i < count_; ++i) {
            if (name == &bytes_[names_ + sections_[i].sh_name])
                return {sections_[i].sh_addr, sections_[i].sh_addr + sections_[i].sh_size};
        }
        return {};
    }

    std::vector<Function> Functions() const {
        std::vector<Function> functions;
        for (std::size_t i = 0; i < count_; ++i) {
            if (sections_[i].sh_type != SHT_SYMTAB) continue;
            const std::uint64_t strings = sections_[sections_[i].sh_link].sh_offset;
            const auto* symbols = &At<Elf64_Sym>(sections_[i].sh_offset);
            for (std::size_t s = 0; s < sections_[i].sh_size / sizeof(Elf64_Sym); ++s) {
                if (ELF64_ST_TYPE(symbols[s].st_info) != STT_FUNC || symbols[s].st_size == 0 ||
                    symbols[s].st_shndx == SHN_UNDEF)
                    continue;
                functions.push_back({&bytes_[strings + symbols[s].st_name], symbols[s].st_value});
            }
        }
        return functions;
    }

private:
    template <typename T>
    const T& At(std::uint64_t offset) const {
        return *reinterpret_cast<const T*>(bytes_.data() + offset);
    }

    std::vector<char> bytes_;
    const Elf64_Shdr* sections_ = nullptr;
    std::size_t count_ = 0;
    std::uint64_t names_ = 0;
};

// Functions of the Wine prefix, offline hive and 9x file registries, by their namespaces.
bool OfOtherRegistries(std::string_view name) {
    for (const std::string_view space : {"4wine", "4regf", "4creg"}) {
        for (const std::string_view start : {"_ZN", "_ZNK"}) {
            if (name.starts_with(std::string(start) + std::string(space))) return true;
        }
    }
    return false;
}

class StartupLayout : public ::testing::Test {
protected:
    ElfFile editor_{VANTREL_EDITOR_PROGRAM};
    Range text_ = editor_.Section(".text");
    Range others_ = editor_.Section(".text.other_registries");
    std::vector<Function> functions_ = editor_.Functions();
};

TEST_F(StartupLayout, OtherRegistriesLieAfterTheStartUpCode) {
    ASSERT_TRUE(editor_.Read()) << VANTREL_EDITOR_PROGRAM;
    ASSERT_GT(others_.end, others_.begin) << "no section for the other registries";
    EXPECT_GE(others_.begin, text_.end);
    std::size_t moved = 0;
    for (const Function& function : functions_) {
        if (!OfOtherRegistries(function.name)) continue;
        EXPECT_TRUE(others_.Holds(function.address)) << function.name << " lies among start-up's";
        ++moved;
    }
    // The Wine prefix, the offline hive and the 9x file code together are hundreds of functions.
    EXPECT_GT(moved, 300u);
}

TEST_F(StartupLayout, WhatStartUpRunsStaysTogether) {
    ASSERT_TRUE(editor_.Read()) << VANTREL_EDITOR_PROGRAM;
    // The store's opening and reading, the window's loading and the registry functions.
    const std::vector<std::string_view> startUp = {
        "_ZN5store13RegistryStoreC",           "_ZN5store4Hive9FindValue",
        "_ZN5store6sqlite8Database4Open",      "_ZN3app7Vantrel9Form_LoadEv",
        "_ZN8platform17OpenNamedRegistry",     "_ZN8platform12TreeRegistry16RegQueryValueExW",
        "_ZN6regctl11TavRegistry10QueryValueEv", "_ZN3app2qt6Editor5Start",
    };
    for (const std::string_view name : startUp) {
        bool found = false;
        for (const Function& function : functions_) {
            if (!function.name.starts_with(name)) continue;
            found = true;
            EXPECT_TRUE(text_.Holds(function.address)) << function.name << " lies apart";
        }
        EXPECT_TRUE(found) << name;
    }
}

}  // namespace
