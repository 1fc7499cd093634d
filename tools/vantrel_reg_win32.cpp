// vantrel-reg: the registry tool on the real registry of Windows.
#include <windows.h>
#include <shellapi.h>

#include <iostream>
#include <string>

#include "platform/win32/win32_registry.h"
#include "tools/regtool/commands.h"
#include "tools/regtool/host_io.h"

namespace {

bool AskUser(const std::u16string& question) {
    std::cout << regtool::ConsoleText(question) << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace

int main() {
    // The wide command line keeps names outside the code page.
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::u16string> arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(reinterpret_cast<const char16_t*>(wide[i]));
    LocalFree(wide);
    platform::win32::Win32Registry registry;
    regtool::ToolEnvironment environment{registry, nullptr, AskUser, {}, {}, {}};
    environment.flushOut = [](std::u16string& out) {
        std::cout << regtool::ConsoleText(out);
        out.clear();
    };
    const int status = regtool::RunRegCommand(arguments, environment);
    std::cout << regtool::ConsoleText(environment.out);
    std::cerr << regtool::ConsoleText(environment.err);
    return status;
}
