// .reg files: "Windows Registry Editor Version 5.00" (UTF-16LE with BOM) and REGEDIT4
// (the 8-bit code page), read line by line into changes and written from key trees.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tools/regtool/key_name.h"
#include "tools/regtool/reg_value.h"

namespace regtool {

// One value line: a value to set, or (remove) to delete.
struct RegFileValue {
    RegValue value;
    bool remove = false;
    int line = 0;
};

// One [key] section, or a [-key] deletion of the key and everything below it.
struct RegFileKey {
    KeyName key;
    bool remove = false;
    std::vector<RegFileValue> values;
    int line = 0;
};

struct RegFile {
    int version = 5;  // 5 or 4 (REGEDIT4)
    std::vector<RegFileKey> keys;
};

// Where a file is wrong and why.
struct RegFileError {
    int line = 0;
    std::string message;
};

// How the 8-bit text of a REGEDIT4 file is read: in the code page, as Windows writes
// it, or as UTF-8, as editors on Linux save it.
enum class EightBitText { kCodePage, kUtf8 };

// Takes the changes of a file in the file's order, as the reader meets them. The key
// handed over has no values: each of its values follows on its own.
class RegFileSink {
public:
    virtual ~RegFileSink() = default;
    // A [key] or [-key] line; false stops the reading.
    virtual bool Key(const RegFileKey& key) = 0;
    // A value line of the last key; false stops the reading.
    virtual bool Value(const RegFileValue& value) = 0;
};

// Reads a file one line at a time, handing each change to the sink as soon as its line
// is read, so that one line of decoded text is held at a time rather than the whole file.
// Returns the first fault, where reading stopped; nullopt when the file was read to its end
// or the sink stopped it. A file that starts with UTF-8's byte-order mark is read as UTF-8
// whatever its version; version, when given, gets the file's (5, or 4 for REGEDIT4).
std::optional<RegFileError> ReadRegFile(std::string_view bytes, EightBitText eightBit,
                                        RegFileSink& sink, int* version = nullptr);

// Reads a whole file into a list of changes; nothing is applied by reading.
std::variant<RegFile, RegFileError> ParseRegFile(std::string_view bytes,
                                                 EightBitText eightBit = EightBitText::kCodePage);

// A line of a REGEDIT4 file that reads one way as UTF-8 and another in the code page.
struct AmbiguousLine {
    int line = 0;
    std::u16string asUtf8, asCodePage;
};

// The first such line of a REGEDIT4 file whose bytes are UTF-8 and not plain ASCII, where
// the code page would read them differently; nullopt for any other file.
std::optional<AmbiguousLine> Utf8InEightBitFile(std::string_view bytes);

// A key and its values, as an export writes them.
struct ExportedKey {
    std::u16string name;  // full name, root spelled out
    std::vector<RegValue> values;
};

// The file an export writes: version 5 (UTF-16LE with BOM) or 4 (REGEDIT4, 8-bit).
std::string WriteRegFile(const std::vector<ExportedKey>& keys, int version);

// The same file piece by piece, so that an export holds one key at a time: the header
// line, then each key with its values, each encoded as the version asks.
std::string RegFileHeaderText(int version);
std::string RegFileKeyText(const ExportedKey& key, int version);

}  // namespace regtool
