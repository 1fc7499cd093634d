#include "app/qt/editor.h"

#include <cstdlib>
#include <string_view>

#include "app/new_installation.h"
#include "app/qt/widget_factory.h"
#include "platform/posix/account.h"
#include "platform/store/store_location.h"

namespace app::qt {

std::variant<std::unique_ptr<Editor>, std::string> Editor::Start(int argc, char* argv[]) {
    UseFormFont();
    const char* user = std::getenv("VANTREL_USER");
    std::string path = store::DefaultStorePath(), chosenUser = user ? user : "";
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--user" && i + 1 < argc) {
            chosenUser = argv[++i];
        } else if (argument.starts_with("--user=")) {
            chosenUser = argument.substr(7);
        } else {
            path = argv[i];
        }
    }
    auto opened = platform::OpenNamedRegistry(
        path, [] { return NewInstallation(platform::posix::AccountFullName()); }, chosenUser);
    if (auto* refused = std::get_if<std::string>(&opened)) return std::move(*refused);
    return std::unique_ptr<Editor>(new Editor(std::move(std::get<0>(opened))));
}

Editor::Editor(std::unique_ptr<platform::NamedRegistry> registry)
    : registry_(std::move(registry)),
      logic_(platform::Platform{registry_->Registry(), system_}, window_.View(),
             [this] { return ToU16(QString::fromStdString(registry_->Problem().value_or(""))); },
             &registry_->Registry(), ToU16(QString::fromStdString(registry_->Description()))) {
    window_.Connect(logic_);
    logic_.Form_Load();
}

}  // namespace app::qt
