// The control's call sequences, timed on whichever registry this program is built for:
// natively the store (in a fresh file in a temporary folder), in the Windows build
// advapi32 (Wine's, when run under Wine). Prints one line per sequence:
//   NAME MICROSECONDS_PER_SEQUENCE
// bench/registry_compare.py runs both builds alternately and prints the ratios.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/registry_api.h"
#ifdef _WIN32
#include "platform/win32/win32_registry.h"
#else
#include <stdlib.h>

#include <filesystem>

#include "platform/store/registry_store.h"
#endif

namespace {

using platform::Dword;
using platform::Hkey;

const Hkey kUser = platform::RootKey(platform::kHkeyCurrentUser);
constexpr const char* kKey = "Software\\VantrelBench\\Microsoft\\Windows\\CurrentVersion";
// The path the control opens for a value: KeyName "\" SubKey, with SubKey empty.
constexpr const char* kValuePath = "Software\\VantrelBench\\Microsoft\\Windows\\CurrentVersion\\";

template <typename Sequence>
double MicrosecondsEach(int times, Sequence&& sequence) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < times; ++i) sequence(i);
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / times;
}

}  // namespace

int main(int argc, char* argv[]) {
    const int reads = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int writes = argc > 2 ? std::atoi(argv[2]) : 5000;
#ifdef _WIN32
    auto registry = std::make_unique<platform::win32::Win32Registry>();
#else
    std::string folder = (std::filesystem::temp_directory_path() / "vantrel-seq-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        std::perror(("cannot make a folder in " + folder).c_str());
        return 1;
    }
    auto registry = std::make_unique<store::RegistryStore>(folder + "/registry.db");
#endif
    platform::RegistryApi& api = *registry;
    Hkey key = platform::kNullKey;
    api.RegCreateKeyExA(kUser, kKey, 0, nullptr, 0, platform::kKeyAllAccess, nullptr, &key,
                        nullptr);
    const std::string owner = "Registered Owner Name";
    api.RegSetValueExA(key, "RegisteredOwner", 0, platform::kRegSz,
                       reinterpret_cast<const std::uint8_t*>(owner.c_str()),
                       static_cast<Dword>(owner.size() + 1));
    api.RegCloseKey(key);

    // Open, ask the size, read, close: what QueryValue does for one string.
    const double query = MicrosecondsEach(reads, [&](int) {
        Hkey open = platform::kNullKey;
        api.RegOpenKeyExA(kUser, kValuePath, 0, platform::kKeyAllAccess, &open);
        Dword type = 0, size = 0;
        api.RegQueryValueExA(open, "RegisteredOwner", nullptr, &type, nullptr, &size);
        std::string buffer(size, '\0');
        api.RegQueryValueExA(open, "RegisteredOwner", nullptr, &type,
                             reinterpret_cast<std::uint8_t*>(buffer.data()), &size);
        api.RegCloseKey(open);
    });
    // Open, set a string, close: what SetValue does.
    const double set = MicrosecondsEach(writes, [&](int i) {
        Hkey open = platform::kNullKey;
        api.RegOpenKeyExA(kUser, kValuePath, 0, platform::kKeyAllAccess, &open);
        const std::string text = "Owner " + std::to_string(i);
        api.RegSetValueExA(open, "RegisteredOwner", 0, platform::kRegSz,
                           reinterpret_cast<const std::uint8_t*>(text.c_str()),
                           static_cast<Dword>(text.size() + 1));
        api.RegCloseKey(open);
    });
    std::printf("QueryValue %.3f\nSetValue %.3f\n", query, set);
    api.RegDeleteKeyA(kUser, kKey);
#ifndef _WIN32
    registry.reset();
    std::filesystem::remove_all(folder);
#endif
    return 0;
}
