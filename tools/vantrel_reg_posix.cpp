// vantrel-reg: the registry tool on the registry that --registry or $VANTREL_REGISTRY names
// (a store file, a Wine prefix or an offline Windows installation, with --user or
// $VANTREL_USER choosing its user), else on the default store.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "app/new_installation.h"
#include "platform/codepage_choice.h"
#include "platform/posix/account.h"
#include "platform/named/named_registry.h"
#include "platform/store/store_location.h"
#include "tools/regtool/commands.h"
#include "tools/regtool/host_io.h"

namespace {

class NamedTransaction : public regtool::RegistryTransaction {
public:
    explicit NamedTransaction(std::unique_ptr<platform::NamedBatch> batch)
        : batch_(std::move(batch)) {}
    bool Commit() override { return batch_->Commit(); }

private:
    std::unique_ptr<platform::NamedBatch> batch_;
};

class NamedSnapshot : public regtool::RegistrySnapshot {
public:
    explicit NamedSnapshot(std::unique_ptr<platform::NamedSnapshot> snapshot)
        : snapshot_(std::move(snapshot)) {}

private:
    std::unique_ptr<platform::NamedSnapshot> snapshot_;
};

bool AskUser(const std::u16string& question) {
    std::cout << regtool::ConsoleText(question) << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

// An argument as it can be shown whatever it holds: bytes outside printable ASCII as \xNN.
std::string Shown(std::string_view argument) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : argument) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown.push_back(c);
        } else {
            shown += "\\x";
            shown.push_back(kDigits[byte >> 4]);
            shown.push_back(kDigits[byte & 15]);
        }
    }
    return shown;
}

// Text for standard output, written in one piece after whatever the stream still holds, so
// that a long listing costs a write per block rather than several; the system's error
// number when it cannot be written, else 0.
int WriteOut(std::string_view bytes) {
    std::cout.flush();
    if (std::fflush(stdout) != 0) return errno;
    while (!bytes.empty()) {
        const ssize_t written = write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        if (written == 0) return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// An option before the command, as "--name VALUE" or "--name=VALUE": taken into value and
// first moved past it, or false when argv[first] is not that option.
bool TakeOption(int argc, char* argv[], int& first, std::string_view name, std::string& value) {
    const std::string_view argument = argv[first];
    if (argument.size() > name.size() && argument.starts_with(name) &&
        argument[name.size()] == '=') {
        value = argument.substr(name.size() + 1);
        ++first;
        return true;
    }
    if (argument == name && first + 1 < argc) {
        value = argv[first + 1];
        first += 2;
        return true;
    }
    return false;
}

// The profile VANTREL_USER names, for an offline Windows installation.
std::string DefaultUser() {
    const char* user = std::getenv("VANTREL_USER");
    return user ? user : "";
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto problem = platform::codepage::ChooseFromEnvironment()) {
        std::cerr << "ERROR: " << *problem << " Nothing was changed.\n";
        return 1;
    }
    std::vector<std::u16string> arguments;
    // Before the command, in either order: --registry PATH names the registry, --user NAME
    // the profile of an offline Windows installation that is HKEY_CURRENT_USER.
    std::string named = store::DefaultStorePath();
    std::string user = DefaultUser();
    int first = 1;
    while (first < argc) {
        if (!TakeOption(argc, argv, first, "--registry", named) &&
            !TakeOption(argc, argv, first, "--user", user)) {
            break;
        }
    }
    for (int i = first; i < argc; ++i) {
        auto text = regtool::ArgumentText(argv[i]);
        // A name with its bad bytes dropped could name another key: nothing is done.
        if (!text) {
            std::cerr << "ERROR: The argument \"" << Shown(argv[i])
                      << "\" is not valid UTF-8 text. Nothing was changed.\n";
            return 1;
        }
        arguments.push_back(std::move(*text));
    }
    auto opened = platform::OpenNamedRegistry(
        named, [] { return app::NewInstallation(platform::posix::AccountFullName()); }, user);
    if (const auto* refused = std::get_if<std::string>(&opened)) {
        std::cerr << "ERROR: " << *refused << '\n';
        return 1;
    }
    platform::NamedRegistry& registry = *std::get<0>(opened);
    regtool::ToolEnvironment environment{
        registry.Registry(),
        [&registry]() -> std::unique_ptr<regtool::RegistryTransaction> {
            auto batch = registry.BeginBatch();
            if (!batch) return nullptr;
            return std::make_unique<NamedTransaction>(std::move(batch));
        },
        AskUser,
        {},
        {},
        {}};
    environment.beginSnapshot = [&registry]() -> std::unique_ptr<regtool::RegistrySnapshot> {
        auto snapshot = registry.BeginSnapshot();
        if (!snapshot) return nullptr;
        return std::make_unique<NamedSnapshot>(std::move(snapshot));
    };
    // After a write that failed, the rest of the listing is dropped: it could only fail too.
    int outputError = 0;
    const auto show = [&outputError](std::u16string& out) {
        if (!outputError) outputError = WriteOut(regtool::ConsoleText(out));
        out.clear();
    };
    environment.flushOut = show;
    environment.namedRegistry = true;
    int status = regtool::RunRegCommand(arguments, environment);
    show(environment.out);
    if (registry.Problem()) std::cerr << *registry.Problem() << '\n';
    std::cerr << regtool::ConsoleText(environment.err);
    // A listing cut short must not pass for a whole one in a script.
    if (outputError) {
        std::cerr << "ERROR: Cannot write to the standard output: " << std::strerror(outputError)
                  << ".\n";
        status = 1;
    }
    return status;
}
