#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>

#include "platform/posix/utf8.h"
#include "tools/regtool/host_io.h"

namespace regtool {

// Read into a string of the file's size, in one piece: a large import is not copied
// through a stream's growing buffers.
bool ReadWholeFile(const std::u16string& path, std::string& bytes) {
    std::ifstream file(platform::posix::Utf16ToUtf8(path), std::ios::binary | std::ios::ate);
    if (!file) return false;
    const std::streamoff size = file.tellg();
    if (size < 0 || !file.seekg(0)) return false;
    bytes.resize(static_cast<std::size_t>(size));
    file.read(bytes.data(), size);
    // A file that changed size meanwhile is read as far as it goes.
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return !file.bad();
}

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
    std::ofstream file(platform::posix::Utf16ToUtf8(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

OutputFile::OutputFile(const std::u16string& path)
    : path_(path), temporary_(path + u".partial") {
    file_ = std::fopen(platform::posix::Utf16ToUtf8(temporary_).c_str(), "wb");
    failed_ = !file_;
    // A large buffer, so that a file of many megabytes goes out in a few hundred writes rather
    // than in thousands of the C library's usual few kilobytes; a write that fails is still
    // seen, by fwrite or by fclose.
    if (file_) {
        buffer_ = std::make_unique<char[]>(kOutputBlock);
        auto* file = static_cast<FILE*>(file_);
        failed_ = std::setvbuf(file, buffer_.get(), _IOFBF, kOutputBlock) != 0;
    }
}

OutputFile::~OutputFile() {
    if (!file_) return;
    std::fclose(static_cast<FILE*>(file_));
    std::remove(platform::posix::Utf16ToUtf8(temporary_).c_str());
}

bool OutputFile::Write(std::string_view bytes) {
    if (!failed_) failed_ = std::fwrite(bytes.data(), 1, bytes.size(), static_cast<FILE*>(file_)) != bytes.size();
    return !failed_;
}

bool OutputFile::Commit() {
    if (!file_) return false;
    const bool closed = std::fclose(static_cast<FILE*>(file_)) == 0;
    file_ = nullptr;
    const std::string temporary = platform::posix::Utf16ToUtf8(temporary_);
    if (failed_ || !closed || std::rename(temporary.c_str(), platform::posix::Utf16ToUtf8(path_).c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool FileExists(const std::u16string& path) {
    struct stat info {};
    return stat(platform::posix::Utf16ToUtf8(path).c_str(), &info) == 0;
}

bool IsFolder(const std::u16string& path) {
    struct stat info {};
    return stat(platform::posix::Utf16ToUtf8(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsSpecialFile(const std::u16string& path) {
    struct stat info {};
    return stat(platform::posix::Utf16ToUtf8(path).c_str(), &info) == 0 && !S_ISREG(info.st_mode) &&
           !S_ISDIR(info.st_mode);
}

std::string ConsoleText(std::u16string_view text) { return platform::posix::Utf16ToUtf8(text); }

std::optional<std::u16string> ArgumentText(std::string_view argument) {
    return platform::posix::StrictUtf8ToUtf16(argument);
}

}  // namespace regtool
