// vantrel-reg: the registry tool on the registry that --registry or $VANTREL_REGISTRY names
// (a store file or a Wine prefix), else on the default store.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto problem = platform::codepage::ChooseFromEnvironment()) {
        std::cerr << "ERROR: " << *problem << " Nothing was changed.\n";
        return 1;
    }
    std::vector<std::u16string> arguments;
    // The registry may be named before the command: --registry PATH or --registry=PATH.
    std::string named = store::DefaultStorePath();
    int first = 1;
    if (first < argc && std::string_view(argv[first]).starts_with("--registry=")) {
        named = argv[first++] + std::strlen("--registry=");
    } else if (first + 1 < argc && std::string_view(argv[first]) == "--registry") {
        named = argv[first + 1];
        first += 2;
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
        named, app::NewInstallation(platform::posix::AccountFullName()));
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
