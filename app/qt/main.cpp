// Vantrel Edit 98 with the Qt front end, on the registry its argument or $VANTREL_REGISTRY
// names (a store file, a Wine prefix or an offline Windows installation, whose user
// --user or $VANTREL_USER chooses), else on the default store.
#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <string_view>

#include "app/new_installation.h"
#include "app/qt/vantrel_window.h"
#include "app/qt/widget_factory.h"
#include "app/vantrel.h"
#include "platform/codepage_choice.h"
#include "platform/posix/account.h"
#include "platform/posix/posix_system.h"
#include "platform/named/named_registry.h"
#include "platform/store/store_location.h"

int main(int argc, char* argv[]) {
    if (const auto problem = platform::codepage::ChooseFromEnvironment()) {
        std::cerr << "vantrel-edit-98: " << *problem << '\n';
        return 1;
    }
    QApplication application(argc, argv);
    app::qt::UseFormFont();
    // What Qt left of the command line: [--user NAME] [REGISTRY].
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
        path, [] { return app::NewInstallation(platform::posix::AccountFullName()); }, chosenUser);
    if (const auto* refused = std::get_if<std::string>(&opened)) {
        std::cerr << "vantrel-edit-98: " << *refused << '\n';
        return 1;
    }
    platform::NamedRegistry& named = *std::get<0>(opened);
    platform::TreeRegistry& registry = named.Registry();
    platform::posix::PosixSystem system;
    auto problem = [&named] {
        return app::qt::ToU16(QString::fromStdString(named.Problem().value_or("")));
    };

    app::qt::VantrelWindow window;
    app::Vantrel logic(platform::Platform{registry, system}, window.View(), problem, &registry,
                       app::qt::ToU16(QString::fromStdString(named.Description())));
    window.Connect(logic);
    logic.Form_Load();
    return application.exec();
}
