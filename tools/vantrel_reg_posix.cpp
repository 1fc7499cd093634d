// vantrel-reg: the registry tool on our registry store ($VANTREL_REGISTRY or the default).
#include <iostream>
#include <string>

#include "platform/store/registry_store.h"
#include "platform/store/store_file.h"
#include "tools/regtool/commands.h"
#include "tools/regtool/host_io.h"

namespace {

class StoreTransaction : public regtool::ImportTransaction {
public:
    explicit StoreTransaction(store::StoreBatch batch) : batch_(std::move(batch)) {}
    bool Commit() override { return batch_.Commit(); }

private:
    store::StoreBatch batch_;
};

bool AskUser(const std::u16string& question) {
    std::cout << regtool::ConsoleText(question) << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace

int main(int argc, char* argv[]) {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(regtool::ArgumentText(argv[i]));
    store::RegistryStore registry(store::DefaultStorePath());
    regtool::ToolEnvironment environment{
        registry,
        [&registry]() -> std::unique_ptr<regtool::ImportTransaction> {
            auto batch = registry.BeginBatch();
            if (!batch) return nullptr;
            return std::make_unique<StoreTransaction>(std::move(*batch));
        },
        AskUser,
        {},
        {}};
    const int status = regtool::RunRegCommand(arguments, environment);
    std::cout << regtool::ConsoleText(environment.out);
    std::cerr << regtool::ConsoleText(environment.err);
    return status;
}
