// Starts the program as its main does and quits once the four values are on screen.
#include <QApplication>
#include <QTest>
#include <QTimer>

#include "app/new_installation.h"
#include "app/qt/vantrel_window.h"
#include "app/qt/widget_factory.h"
#include "app/vantrel.h"
#include "platform/posix/account.h"
#include "platform/posix/posix_system.h"
#include "platform/store/registry_store.h"
#include "platform/store/store_location.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    app::qt::UseFormFont();
    store::RegistryStore registry(store::DefaultStorePath(), platform::InitialContentsSource([] {
                                      return app::NewInstallation(platform::posix::AccountFullName());
                                  }));
    platform::posix::PosixSystem system;
    app::qt::VantrelWindow window;
    app::Vantrel logic(platform::Platform{registry, system}, window.View());
    window.Connect(logic);
    logic.Form_Load();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    window.repaint();
    return 0;
}
