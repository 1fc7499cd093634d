// vantrel-reg: the registry tool on our registry store ($VANTREL_REGISTRY or the default).
#include <iostream>
#include <string>

#include "app/new_installation.h"
#include "platform/codepage_choice.h"
#include "platform/posix/account.h"
#include "platform/store/registry_store.h"
#include "platform/store/store_location.h"
#include "tools/regtool/commands.h"
#include "tools/regtool/host_io.h"

namespace {

class StoreTransaction : public regtool::RegistryTransaction {
public:
    explicit StoreTransaction(store::StoreBatch batch) : batch_(std::move(batch)) {}
    bool Commit() override { return batch_.Commit(); }

private:
    store::StoreBatch batch_;
};

class StoreSnapshot : public regtool::RegistrySnapshot {
public:
    explicit StoreSnapshot(store::StoreSnapshot snapshot) : snapshot_(std::move(snapshot)) {}

private:
    store::StoreSnapshot snapshot_;
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

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto problem = platform::codepage::ChooseFromEnvironment()) {
        std::cerr << "ERROR: " << *problem << " Nothing was changed.\n";
        return 1;
    }
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        auto text = regtool::ArgumentText(argv[i]);
        // A name with its bad bytes dropped could name another key: nothing is done.
        if (!text) {
            std::cerr << "ERROR: The argument \"" << Shown(argv[i])
                      << "\" is not valid UTF-8 text. Nothing was changed.\n";
            return 1;
        }
        arguments.push_back(std::move(*text));
    }
    store::RegistryStore registry(store::DefaultStorePath(),
                                  app::NewInstallation(platform::posix::AccountFullName()));
    regtool::ToolEnvironment environment{
        registry,
        [&registry]() -> std::unique_ptr<regtool::RegistryTransaction> {
            auto batch = registry.BeginBatch();
            if (!batch) return nullptr;
            return std::make_unique<StoreTransaction>(std::move(*batch));
        },
        AskUser,
        {},
        {},
        {}};
    environment.beginSnapshot = [&registry]() -> std::unique_ptr<regtool::RegistrySnapshot> {
        auto snapshot = registry.BeginSnapshot();
        if (!snapshot) return nullptr;
        return std::make_unique<StoreSnapshot>(std::move(*snapshot));
    };
    environment.flushOut = [](std::u16string& out) {
        std::cout << regtool::ConsoleText(out);
        out.clear();
    };
    const int status = regtool::RunRegCommand(arguments, environment);
    std::cout << regtool::ConsoleText(environment.out);
    if (registry.Problem()) std::cerr << *registry.Problem() << '\n';
    std::cerr << regtool::ConsoleText(environment.err);
    return status;
}
