// What the tool needs of the system it runs on: whole files and console text.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace regtool {

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::u16string& path, std::string& bytes);
// Writes a whole file, replacing it; false when it cannot be written.
bool WriteWholeFile(const std::u16string& path, const std::string& bytes);
bool FileExists(const std::u16string& path);
// Whether the path names a folder (a directory), which is no file to read or write.
bool IsFolder(const std::u16string& path);
// Whether the path names something that is there but is neither a file nor a folder (a
// device, a pipe, a socket): a file written beside it and renamed would replace it.
bool IsSpecialFile(const std::u16string& path);

// How much an OutputFile gathers before it writes.
inline constexpr std::size_t kOutputBlock = 1 << 16;

// A file written piece by piece beside its final name and put in its place by Commit, so
// that a write that fails halfway leaves whatever file was there before.
class OutputFile {
public:
    explicit OutputFile(const std::u16string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool Write(std::string_view bytes);
    // Closes the file and renames it to its name; false when anything failed.
    bool Commit();

private:
    std::u16string path_, temporary_;
    // The C library's own buffer is of its choosing whatever size is asked for, so the
    // file is given this one; it outlives the file, which is closed first.
    std::unique_ptr<char[]> buffer_;
    void* file_ = nullptr;
    bool failed_ = false;
};
// Text as the console shows it (UTF-8).
std::string ConsoleText(std::u16string_view text);
// A command-line argument (UTF-8 off Windows) as UTF-16; nullopt when it is not valid text.
std::optional<std::u16string> ArgumentText(std::string_view argument);

}  // namespace regtool
