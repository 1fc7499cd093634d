// vantrel-reg: the registry tool on the real registry of Windows. It keeps to what
// Windows 98 has: console text through the console handles (the C++ streams import a
// function Windows 98's C runtime lacks), and the Unicode command line only where the
// system implements it.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/nt_registry.h"
#include "platform/win32/win9x_registry.h"
#include "platform/win32/windows_version.h"
#include "tools/regtool/commands.h"
#include "tools/regtool/host_io.h"

namespace {

void Write(DWORD stream, const std::string& bytes) {
    HANDLE handle = GetStdHandle(stream);
    DWORD written = 0;
    for (std::size_t at = 0; at < bytes.size(); at += written) {
        if (!WriteFile(handle, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written,
                       nullptr) ||
            written == 0) {
            return;
        }
    }
}

bool AskUser(const std::u16string& question) {
    Write(STD_OUTPUT_HANDLE, regtool::ConsoleText(question));
    std::string answer;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) && got == 1 &&
           c != '\n') {
        answer.push_back(c);
    }
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

// The arguments after the program's name. Windows NT gives them in UTF-16, so that names
// outside the code page arrive whole; Windows 9x has them in the code page only.
std::optional<std::vector<std::u16string>> Arguments(int argc, char** argv) {
    using Split = LPWSTR*(WINAPI*)(LPCWSTR, int*);
    HMODULE shell = platform::win32::IsWindows9x() ? nullptr : LoadLibraryA("shell32.dll");
    const auto split = shell ? reinterpret_cast<Split>(reinterpret_cast<void*>(
                                   GetProcAddress(shell, "CommandLineToArgvW")))
                             : nullptr;
    std::vector<std::u16string> arguments;
    int count = 0;
    if (LPWSTR* wide = split ? split(GetCommandLineW(), &count) : nullptr) {
        for (int i = 1; i < count; ++i) {
            arguments.emplace_back(reinterpret_cast<const char16_t*>(wide[i]));
        }
        LocalFree(wide);
        return arguments;
    }
    for (int i = 1; i < argc; ++i) {
        auto text = regtool::ArgumentText(argv[i]);
        if (!text) return std::nullopt;
        arguments.push_back(std::move(*text));
    }
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    const auto arguments = Arguments(argc, argv);
    if (!arguments) {
        Write(STD_ERROR_HANDLE, "ERROR: An argument is not valid text. Nothing was changed.\n");
        return 1;
    }
    // Windows 9x keeps 8-bit text only and has stubs for the Unicode registry functions.
    const bool eightBit = platform::win32::IsWindows9x();
    std::unique_ptr<platform::WideRegistryApi> registry;
    if (eightBit) {
        registry = std::make_unique<platform::win32::Win9xRegistry>();
    } else {
        registry = std::make_unique<platform::win32::NtRegistry>();
    }
    regtool::ToolEnvironment environment{*registry, nullptr, AskUser, {}, {}, {}};
    environment.flushOut = [](std::u16string& out) {
        Write(STD_OUTPUT_HANDLE, regtool::ConsoleText(out));
        out.clear();
    };
    environment.eightBitRegistry = eightBit;
    const int status = regtool::RunRegCommand(*arguments, environment);
    Write(STD_OUTPUT_HANDLE, regtool::ConsoleText(environment.out));
    Write(STD_ERROR_HANDLE, regtool::ConsoleText(environment.err));
    return status;
}
