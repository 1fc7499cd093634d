// QueryValue and SetValue through the control on stores of 1,000 and 1,000,000 values.
// Run: build/native/bench/registry_bench (median of five repetitions is reported).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/new_installation.h"
#include "platform/posix/posix_system.h"
#include "platform/store/registry_store.h"
#include "regctl/tav_registry.h"

namespace {

class NoSite : public regctl::ControlSite {
public:
    void PropertyChanged(std::string_view) override {}
};

// One store file per size, filled once: the values spread over keys of 1,000 values
// each, beside the registration key the program reads.
struct BenchStore {
    std::filesystem::path dir;
    std::unique_ptr<store::RegistryStore> registry;

    explicit BenchStore(int values) {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-bench-XXXXXX");
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot make a folder in " + pattern + ": " +
                                     std::strerror(errno));
        }
        dir = pattern;
        registry = std::make_unique<store::RegistryStore>((dir / "registry.db").string(),
                                                          app::NewInstallation(u"Owner"));
        auto batch = registry->BeginBatch();
        const std::string data(32, 'x');
        for (int i = 0; i < values; ++i) {
            platform::Hkey key = platform::kNullKey;
            const std::string path = "Software\\Bulk\\K" + std::to_string(i / 1000);
            registry->RegCreateKeyExA(platform::RootKey(platform::kHkeyLocalMachine), path.c_str(),
                                      0, nullptr, 0, platform::kKeyAllAccess, nullptr, &key,
                                      nullptr);
            registry->RegSetValueExA(key, ("Value" + std::to_string(i)).c_str(), 0,
                                     platform::kRegSz,
                                     reinterpret_cast<const std::uint8_t*>(data.c_str()),
                                     static_cast<platform::Dword>(data.size() + 1));
            registry->RegCloseKey(key);
        }
        batch->Commit();
    }
    ~BenchStore() {
        registry.reset();
        std::filesystem::remove_all(dir);
    }
};

BenchStore& StoreOf(int values) {
    static std::map<int, std::unique_ptr<BenchStore>> stores;
    auto& slot = stores[values];
    if (!slot) slot = std::make_unique<BenchStore>(values);
    return *slot;
}

regctl::TavRegistry& ControlFor(BenchStore& bench) {
    static NoSite site;
    static std::map<BenchStore*, std::unique_ptr<regctl::TavRegistry>> controls;
    auto& slot = controls[&bench];
    if (!slot) {
        static platform::posix::PosixSystem system;
        slot = std::make_unique<regctl::TavRegistry>(platform::Platform{*bench.registry, system},
                                                     site);
        slot->RegistryKey(2);
        slot->KeyName(u"software\\microsoft\\windows\\currentversion");
        slot->ValueName(u"RegisteredOwner");
    }
    return *slot;
}

void QueryValue(benchmark::State& state) {
    auto& control = ControlFor(StoreOf(static_cast<int>(state.range(0))));
    benchmark::IterationCount delivered = 0;
    control.RegKey.Handle([&](regctl::Variant& value, bool&) { delivered += value.IsString(); });
    for (auto _ : state) control.QueryValue();
    control.RegKey.Handle(nullptr);
    if (delivered != state.iterations()) state.SkipWithError("a read delivered no string");
}

void SetValue(benchmark::State& state) {
    auto& control = ControlFor(StoreOf(static_cast<int>(state.range(0))));
    control.ValueSetting(u"Benchmark Owner");
    bool failed = false;
    control.Error.Handle([&](std::int16_t&, std::u16string&) { failed = true; });
    for (auto _ : state) control.SetValue();
    control.Error.Handle(nullptr);
    if (failed) state.SkipWithError("a write failed");
}

BENCHMARK(QueryValue)
    ->Arg(1000)
    ->Arg(1000000)
    ->Repetitions(5)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(SetValue)->Arg(1000)->Arg(1000000)->Repetitions(5)->ReportAggregatesOnly()->Unit(
    benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
