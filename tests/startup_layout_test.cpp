// Where the editor's functions lie in its file: what start-up runs in .text, what only the
// other registries run in the section after it, so that start-up maps no page of theirs.
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <initializer_list>
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

// Functions of the Wine prefix, offline hive and 9x file registries: those of their
// namespaces, and the copies of templates made for their types.
bool OfOtherRegistries(std::string_view name) {
    for (const std::string_view space :
         {"N4wine", "NK4wine", "N4regf", "NK4regf", "N4creg", "NK4creg"}) {
        if (name.find(space) != std::string_view::npos) return true;
    }
    return false;
}

// The part of a function that GCC moved out of its way as unlikely to run.
bool IsColdPart(std::string_view name) { return name.ends_with(".cold"); }

class StartupLayout : public ::testing::Test {
protected:
    ElfFile editor_{VANTREL_EDITOR_PROGRAM};
    Range text_ = editor_.Section(".text");
    Range others_ = editor_.Section(".text.not_at_start");
    std::vector<Function> functions_ = editor_.Functions();

    // Every function whose name starts with one of names lies in range; each is found.
    void ExpectIn(Range range, const char* where, std::initializer_list<std::string_view> names) {
        for (const std::string_view name : names) {
            bool found = false;
            for (const Function& function : functions_) {
                if (!function.name.starts_with(name) || IsColdPart(function.name)) continue;
                found = true;
                EXPECT_TRUE(range.Holds(function.address))
                    << function.name << " lies outside " << where;
            }
            EXPECT_TRUE(found) << name;
        }
    }
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
    // The store's opening and reading, the window's loading, the registry functions and
    // the code page's choice.
    ExpectIn(
        text_, "start-up's code",
        {"_ZN5store13RegistryStoreC", "_ZN5store4Hive9FindValue", "_ZN5store6sqlite8Database4Open",
         "_ZN3app7Vantrel9Form_LoadEv", "_ZN8platform17OpenNamedRegistry",
         "_ZN8platform12TreeRegistry16RegQueryValueExW", "_ZN6regctl11TavRegistry10QueryValueEv",
         "_ZN3app2qt6Editor5Start", "_ZN8platform8codepage21ChooseFromEnvironment"});
}

TEST_F(StartupLayout, WhatOnlyAFirstStartAFailureOrAnotherLocaleRunsLiesApart) {
    ASSERT_TRUE(editor_.Read()) << VANTREL_EDITOR_PROGRAM;
    ExpectIn(others_, "the code apart",
             {"_ZN3app15NewInstallation", "_ZN8platform5posix15AccountFullName",
              "_ZN5store12StoreMessage", "_ZN8platform8codepage13EncodeByIconv"});
    std::size_t cold = 0;
    for (const Function& function : functions_) {
        if (!IsColdPart(function.name)) continue;
        EXPECT_TRUE(others_.Holds(function.address)) << function.name << " lies among start-up's";
        ++cold;
    }
#ifdef __OPTIMIZE__
    // An optimised build splits off hundreds; an unoptimised one none.
    EXPECT_GT(cold, 100u);
#endif
}

#ifdef VANTREL_PACKED_RELOCATIONS
// The loader reads the relative relocations packed, a few hundred bytes, rather than 24 bytes
// for each pointer of the program's tables.
TEST_F(StartupLayout, RelativeRelocationsArePacked) {
    ASSERT_TRUE(editor_.Read()) << VANTREL_EDITOR_PROGRAM;
    const Range packed = editor_.Section(".relr.dyn");
    EXPECT_GT(packed.end, packed.begin);
    const Range unpacked = editor_.Section(".rela.dyn");
    EXPECT_LT(unpacked.end - unpacked.begin, 16u * 1024u);
}
#endif

}  // namespace
