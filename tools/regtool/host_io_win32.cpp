#include <windows.h>

#include <cstdio>

#include "tools/regtool/host_io.h"

namespace regtool {
namespace {

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

bool ReadWholeFile(const std::u16string& path, std::string& bytes) {
    FILE* file = _wfopen(Wide(path), L"rb");
    if (!file) return false;
    char buffer[65536];
    std::size_t got = 0;
    bytes.clear();
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
    return true;
}

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
    FILE* file = _wfopen(Wide(path), L"wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

OutputFile::OutputFile(const std::u16string& path)
    : path_(path), temporary_(path + u".partial") {
    file_ = _wfopen(Wide(temporary_), L"wb");
    failed_ = !file_;
}

OutputFile::~OutputFile() {
    if (!file_) return;
    std::fclose(static_cast<FILE*>(file_));
    _wremove(Wide(temporary_));
}

bool OutputFile::Write(std::string_view bytes) {
    if (!failed_) failed_ = std::fwrite(bytes.data(), 1, bytes.size(), static_cast<FILE*>(file_)) != bytes.size();
    return !failed_;
}

bool OutputFile::Commit() {
    if (!file_) return false;
    const bool closed = std::fclose(static_cast<FILE*>(file_)) == 0;
    file_ = nullptr;
    if (failed_ || !closed ||
        !MoveFileExW(Wide(temporary_), Wide(path_), MOVEFILE_REPLACE_EXISTING)) {
        _wremove(Wide(temporary_));
        return false;
    }
    return true;
}

bool FileExists(const std::u16string& path) {
    return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

std::string ConsoleText(std::u16string_view text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::optional<std::u16string> ArgumentText(std::string_view argument) {
    if (argument.empty()) return std::u16string();
    const int length = static_cast<int>(argument.size());
    const int size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, argument.data(), length,
                                         nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::u16string out(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, argument.data(), length,
                        reinterpret_cast<wchar_t*>(out.data()), size);
    return out;
}

}  // namespace regtool
