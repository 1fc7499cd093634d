// Fuzzes the .reg reader, in the code page and as UTF-8: no input may crash or hang it,
// and what it reads must write out as a file it reads again. Run it with the dictionary
// reg.dict beside this file (-dict=), which holds the syntax the reader knows.
#include <cstdint>
#include <string_view>

#include "tools/regtool/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace regtool;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Utf8InEightBitFile(bytes);
    const auto asUtf8 = ParseRegFile(bytes, EightBitText::kUtf8);
    const auto result = ParseRegFile(bytes);
    const auto* file = std::get_if<RegFile>(&result);
    if (!file) file = std::get_if<RegFile>(&asUtf8);
    if (!file) return 0;
    std::vector<ExportedKey> keys;
    for (const auto& key : file->keys) {
        if (key.remove) continue;
        ExportedKey exported{key.key.Full(), {}};
        for (const auto& value : key.values) {
            if (!value.remove) exported.values.push_back(value.value);
        }
        keys.push_back(std::move(exported));
    }
    const auto again = ParseRegFile(WriteRegFile(keys, file->version));
    if (!std::holds_alternative<RegFile>(again)) __builtin_trap();
    return 0;
}
