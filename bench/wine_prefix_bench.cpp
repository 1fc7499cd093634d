// Opening a Wine prefix and reading one value, and opening it and writing one value, inside
// one process: the part of vantrel-reg's time that is ours, without its start and exit.
// Run: build/native/bench/wine_prefix_bench --prefix DIR, or bench/wine_prefix_compare.py,
// which makes a prefix with a 20 MB system.reg and runs it beside Wine's reg.
#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <string>

#include "platform/wine/wine_prefix.h"

namespace {

constexpr const char16_t* kKey = u"Software\\Microsoft\\Windows NT\\CurrentVersion";

std::string& PrefixFolder() {
    static std::string folder;
    return folder;
}

void OpenAndReadOneValue(benchmark::State& state) {
    for (auto _ : state) {
        wine::WinePrefix prefix(PrefixFolder());
        platform::Hkey key = platform::kNullKey;
        std::uint8_t data[512];
        platform::Dword size = sizeof data;
        if (prefix.RegOpenKeyExW(platform::RootKey(platform::kHkeyLocalMachine), kKey, 0,
                                 platform::kKeyAllAccess, &key) != 0 ||
            prefix.RegQueryValueExW(key, u"ProductName", nullptr, nullptr, data, &size) != 0) {
            state.SkipWithError("ProductName could not be read");
        }
        benchmark::DoNotOptimize(data);
        prefix.RegCloseKey(key);
    }
}
BENCHMARK(OpenAndReadOneValue)->Unit(benchmark::kMillisecond);

void OpenAndWriteOneValue(benchmark::State& state) {
    const std::uint8_t owner[] = {'B', 0, 'e', 0, 'n', 0, 'c', 0, 'h', 0, 0, 0};
    for (auto _ : state) {
        wine::WinePrefix prefix(PrefixFolder());
        platform::Hkey key = platform::kNullKey;
        if (prefix.RegOpenKeyExW(platform::RootKey(platform::kHkeyLocalMachine), kKey, 0,
                                 platform::kKeyAllAccess, &key) != 0 ||
            prefix.RegSetValueExW(key, u"RegisteredOwner", 0, 1, owner, sizeof owner) != 0) {
            state.SkipWithError("RegisteredOwner could not be written");
        }
        prefix.RegCloseKey(key);
    }
}
BENCHMARK(OpenAndWriteOneValue)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "--prefix") != 0) {
        std::cerr << "usage: wine_prefix_bench --prefix DIR [benchmark options]\n";
        return 2;
    }
    PrefixFolder() = argv[2];
    argv[2] = argv[0];
    argc -= 2;
    argv += 2;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
