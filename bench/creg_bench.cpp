// Opening a Windows 98 installation whose SYSTEM.DAT is about 2 MB and reading the four
// registration values, as the editor does at start.
// Run: build/native/bench/creg_bench, or bench/creg_compare.py build/native to see it beside
// cregexport on the same files. With --make DIR it only writes the installation into DIR.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "platform/creg/creg_hive.h"
#include "platform/creg/hive_bytes.h"
#include "platform/creg/win9x_installation.h"

namespace {

creg::HiveValue Value(std::string name, std::uint32_t type, std::string data) {
    creg::HiveValue value;
    value.name = std::move(name);
    value.type = type;
    value.data = std::move(data);
    return value;
}

// A SYSTEM.DAT shaped as an installation's: the registration key among device, class and
// software keys, about 2 MB in all.
std::string LargeSystemDat() {
    creg::Hive hive = creg::NewHive();
    const auto software = creg::AddKey(hive, 0, "SOFTWARE");
    const auto classes = creg::AddKey(hive, software, "Classes");
    const auto clsid = creg::AddKey(hive, classes, "CLSID");
    for (int i = 0; i < 5000; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "{%08X-0000-0000-C000-000000000046}", 0x10000 + i);
        const auto key = creg::AddKey(hive, clsid, name);
        hive.keys[key].values = {Value("", 1, "Component object " + std::to_string(i) + '\0')};
        const auto server = creg::AddKey(hive, key, "InprocServer32");
        hive.keys[server].values = {
            Value("", 1, "C:\\WINDOWS\\SYSTEM\\COMP" + std::to_string(i) + ".DLL\0"),
            Value("ThreadingModel", 1, std::string("Apartment\0", 10))};
    }
    const auto enumKey = creg::AddKey(hive, 0, "Enum");
    const auto pci = creg::AddKey(hive, enumKey, "PCI");
    for (int i = 0; i < 2500; ++i) {
        const auto device = creg::AddKey(hive, pci, "VEN_8086&DEV_" + std::to_string(7000 + i));
        const auto instance =
            creg::AddKey(hive, device, "BUS_00&DEV_07&FUNC_0" + std::to_string(i % 8));
        std::string config;
        for (int b = 0; b < 96; ++b) config.push_back(static_cast<char>((b * 7 + i) & 0xFF));
        std::string number;
        creg::Append32(number, static_cast<std::uint32_t>(i));
        hive.keys[instance].values = {
            Value("DeviceDesc", 1, "Intel PCI device number " + std::to_string(i) + '\0'),
            Value("HardwareID", 1, "PCI\\VEN_8086&DEV_" + std::to_string(7000 + i) + '\0'),
            Value("Driver", 1, "System\\" + std::to_string(i) + '\0'),
            Value("ConfigFlags", 3, number), Value("BootConfig", 3, config)};
    }
    const auto windows = creg::AddKey(hive, creg::AddKey(hive, software, "Microsoft"), "Windows");
    hive.keys[creg::AddKey(hive, windows, "CurrentVersion")].values = {
        Value("RegisteredOwner", 1, std::string("Ada Lovelace\0", 13)),
        Value("RegisteredOrganization", 1, std::string("Analytical Engines\0", 19)),
        Value("ProductId", 1, std::string("12345-OEM-0012345-12345\0", 24)),
        Value("ProductKey", 1, std::string("ABCDE-FGHIJ-KLMNO-PQRST-UVWXY\0", 30)),
        Value("Version", 1, std::string("Windows 98\0", 11)),
        Value("VersionNumber", 1, std::string("4.10.2222\0", 10))};
    return creg::WriteHive(hive);
}

void MakeInstallation(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "SYSTEM.DAT", std::ios::binary) << LargeSystemDat();
    creg::Hive user = creg::NewHive();
    creg::AddKey(user, creg::AddKey(user, 0, ".DEFAULT"), "Software");
    std::ofstream(folder / "USER.DAT", std::ios::binary) << creg::WriteHive(user);
}

const std::filesystem::path& Installation() {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantrel-creg-bench-XXXXXX");
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot make a folder in " + pattern + ": " +
                                     std::strerror(errno));
        }
        MakeInstallation(pattern);
        return std::filesystem::path(pattern);
    }();
    return folder;
}

void OpenAndReadRegistration(benchmark::State& state) {
    const auto files = creg::Win9xInstallation::Find(Installation().string());
    if (!files) throw std::runtime_error("no installation made");
    state.counters["system_dat_bytes"] =
        static_cast<double>(std::filesystem::file_size(Installation() / "SYSTEM.DAT"));
    for (auto _ : state) {
        creg::Win9xInstallation registry(*files, creg::HiveText(1252));
        platform::Hkey key = platform::kNullKey;
        registry.RegOpenKeyExW(platform::RootKey(platform::kHkeyLocalMachine),
                               u"Software\\Microsoft\\Windows\\CurrentVersion", 0,
                               platform::kKeyAllAccess, &key);
        for (const char16_t* name :
             {u"RegisteredOwner", u"RegisteredOrganization", u"ProductId", u"ProductKey"}) {
            std::uint8_t data[256];
            platform::Dword size = sizeof data;
            platform::Dword type = 0;
            if (registry.RegQueryValueExW(key, name, nullptr, &type, data, &size) != 0) {
                state.SkipWithError("a registration value could not be read");
            }
            benchmark::DoNotOptimize(data);
        }
        registry.RegCloseKey(key);
    }
}
BENCHMARK(OpenAndReadRegistration)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--make") {
        MakeInstallation(argv[2]);
        std::cout << std::filesystem::file_size(std::filesystem::path(argv[2]) / "SYSTEM.DAT")
                  << '\n';
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(Installation());
    return 0;
}
