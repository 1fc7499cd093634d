#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "platform/posix/utf8.h"
#include "tools/regtool/host_io.h"

namespace regtool {

bool ReadWholeFile(const std::u16string& path, std::string& bytes) {
    std::ifstream file(platform::posix::Utf16ToUtf8(path), std::ios::binary);
    if (!file) return false;
    std::stringstream content;
    content << file.rdbuf();
    bytes = content.str();
    return true;
}

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
    std::ofstream file(platform::posix::Utf16ToUtf8(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool FileExists(const std::u16string& path) {
    struct stat info {};
    return stat(platform::posix::Utf16ToUtf8(path).c_str(), &info) == 0;
}

std::string ConsoleText(std::u16string_view text) { return platform::posix::Utf16ToUtf8(text); }

std::optional<std::u16string> ArgumentText(std::string_view argument) {
    return platform::posix::StrictUtf8ToUtf16(argument);
}

}  // namespace regtool
