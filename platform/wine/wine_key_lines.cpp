// The key lines of Wine's registry files, with the times wineserver writes beside them.
#include <chrono>
#include <cstdio>

#include "platform/wine/wine_text.h"

namespace wine {
namespace {

// Seconds between 1601 and 1970, in FILETIME ticks.
constexpr std::uint64_t kTicksTo1970 = 116444736000000000ULL;
constexpr std::uint64_t kTicksPerSecond = 10000000ULL;

}  // namespace

void WriteKeyLines(const std::vector<std::u16string>& path, std::uint64_t modified,
                   std::string& out) {
    out.push_back('[');
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i) out += "\\\\";
        WriteEscaped(path[i], "[]", out);
    }
    char buffer[64];
    const std::uint64_t seconds =
        modified > kTicksTo1970 ? (modified - kTicksTo1970) / kTicksPerSecond : 0;
    std::snprintf(buffer, sizeof buffer, "] %u\n#time=%x%08x\n", static_cast<unsigned>(seconds),
                  static_cast<unsigned>(modified >> 32), static_cast<unsigned>(modified));
    out += buffer;
}

std::uint64_t FileTimeNow() {
    const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return kTicksTo1970 + static_cast<std::uint64_t>(since1970.count() / 100);
}

}  // namespace wine
