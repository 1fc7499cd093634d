// A writer for the crash campaign: sets the values v0, v1, ... under one key of a store,
// one call each, and tells each acknowledged write on standard output until it is killed
// or has written as many as asked.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "new_store.h"
#include "platform/store/registry_store.h"

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: store_writer STORE KEY COUNT [SIZE]\n");
        return 2;
    }
    store::RegistryStore registry(argv[1], testing_support::NewInstallation());
    if (registry.Problem()) {
        std::fprintf(stderr, "%s\n", registry.Problem()->c_str());
        return 1;
    }
    const long count = std::atol(argv[3]);
    const std::string filler(argc > 4 ? static_cast<std::size_t>(std::atol(argv[4])) : 16, 'x');
    platform::Hkey key = platform::kNullKey;
    if (registry.RegCreateKeyExA(platform::RootKey(platform::kHkeyCurrentUser), argv[2], 0, nullptr,
                                 0, platform::kKeyAllAccess, nullptr, &key, nullptr)) {
        return 1;
    }
    for (long i = 0; i < count; ++i) {
        const std::string name = "v" + std::to_string(i);
        const std::string data = std::to_string(i) + filler;
        if (registry.RegSetValueExA(key, name.c_str(), 0, platform::kRegSz,
                                    reinterpret_cast<const std::uint8_t*>(data.c_str()),
                                    static_cast<platform::Dword>(data.size() + 1))) {
            std::fprintf(stderr, "write %ld failed\n", i);
            return 1;
        }
        std::printf("%ld\n", i);
        std::fflush(stdout);
    }
    registry.RegCloseKey(key);
    return 0;
}
