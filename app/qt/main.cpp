// Vantrel Edit 98 with the Qt front end, on the registry store.
#include <QApplication>

#include <iostream>

#include "app/new_installation.h"
#include "app/qt/vantrel_window.h"
#include "app/qt/widget_factory.h"
#include "app/vantrel.h"
#include "platform/codepage_choice.h"
#include "platform/posix/account.h"
#include "platform/posix/posix_system.h"
#include "platform/store/registry_store.h"
#include "platform/store/store_location.h"

int main(int argc, char* argv[]) {
    if (const auto problem = platform::codepage::ChooseFromEnvironment()) {
        std::cerr << "vantrel-edit-98: " << *problem << '\n';
        return 1;
    }
    QApplication application(argc, argv);
    app::qt::UseFormFont();
    store::RegistryStore registry(store::DefaultStorePath(),
                                  app::NewInstallation(platform::posix::AccountFullName()));
    platform::posix::PosixSystem system;
    auto problem = [&registry] {
        return registry.Problem() ? app::qt::ToU16(QString::fromStdString(*registry.Problem()))
                                  : std::u16string();
    };

    app::qt::VantrelWindow window;
    app::Vantrel logic(platform::Platform{registry, system}, window.View(), problem, &registry);
    window.Connect(logic);
    logic.Form_Load();
    return application.exec();
}
