#include <windows.h>

#include <cstdio>
#include <memory>

#include "platform/codepage.h"
#include "platform/win32/windows_version.h"
#include "tools/regtool/host_io.h"

namespace regtool {
namespace {

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Windows 9x names files in the code page only; a name it cannot hold names no file.
bool EightBit() { return platform::win32::IsWindows9x(); }

std::optional<std::string> NarrowName(const std::u16string& path) {
    return platform::codepage::EncodeExactly(path);
}

FILE* Open(const std::u16string& path, bool write) {
    if (!EightBit()) return _wfopen(Wide(path), write ? L"wb" : L"rb");
    const auto name = NarrowName(path);
    return name ? std::fopen(name->c_str(), write ? "wb" : "rb") : nullptr;
}

void Remove(const std::u16string& path) {
    if (!EightBit()) {
        _wremove(Wide(path));
    } else if (const auto name = NarrowName(path)) {
        std::remove(name->c_str());
    }
}

// Windows 9x has no MoveFileEx: the old file goes first, then the new one takes its name.
bool Replace(const std::u16string& from, const std::u16string& to) {
    if (!EightBit()) return MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING) != 0;
    const auto source = NarrowName(from), target = NarrowName(to);
    if (!source || !target) return false;
    DeleteFileA(target->c_str());
    return MoveFileA(source->c_str(), target->c_str()) != 0;
}

}  // namespace

bool ReadWholeFile(const std::u16string& path, std::string& bytes) {
    FILE* file = Open(path, false);
    if (!file) return false;
    char buffer[65536];
    std::size_t got = 0;
    bytes.clear();
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
    return true;
}

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
    FILE* file = Open(path, true);
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

OutputFile::OutputFile(const std::u16string& path) : path_(path), temporary_(path + u".partial") {
    file_ = Open(temporary_, true);
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
    Remove(temporary_);
}

bool OutputFile::Write(std::string_view bytes) {
    if (!failed_) {
        failed_ =
            std::fwrite(bytes.data(), 1, bytes.size(), static_cast<FILE*>(file_)) != bytes.size();
    }
    return !failed_;
}

bool OutputFile::Commit() {
    if (!file_) return false;
    const bool closed = std::fclose(static_cast<FILE*>(file_)) == 0;
    file_ = nullptr;
    if (failed_ || !closed || !Replace(temporary_, path_)) {
        Remove(temporary_);
        return false;
    }
    return true;
}

bool FileExists(const std::u16string& path) {
    if (!EightBit()) return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
    const auto name = NarrowName(path);
    return name && GetFileAttributesA(name->c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::u16string& path) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (!EightBit()) {
        attributes = GetFileAttributesW(Wide(path));
    } else if (const auto name = NarrowName(path)) {
        attributes = GetFileAttributesA(name->c_str());
    }
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Windows cannot rename a file over a device such as NUL or CON: the rename fails and is
// reported as a file that cannot be written, and the device is left as it is.
bool IsSpecialFile(const std::u16string&) { return false; }

// UTF-8 on Windows NT; the console's own code page on Windows 9x, whose console knows no
// other.
std::string ConsoleText(std::u16string_view text) {
    if (text.empty()) return {};
    const UINT codePage = EightBit() ? CP_OEMCP : CP_UTF8;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(codePage, 0, wide, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::optional<std::u16string> ArgumentText(std::string_view argument) {
    if (argument.empty()) return std::u16string();
    const int length = static_cast<int>(argument.size());
    const int size =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, argument.data(), length, nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::u16string out(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, argument.data(), length,
                        reinterpret_cast<wchar_t*>(out.data()), size);
    return out;
}

}  // namespace regtool
