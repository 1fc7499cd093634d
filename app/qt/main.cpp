// Vantrel Edit 98 with the Qt front end, on the registry its argument or $VANTREL_REGISTRY
// names (a store file, a Wine prefix or an offline Windows installation, whose user
// --user or $VANTREL_USER chooses), else on the default store.
#include <QApplication>

#include <iostream>

#include "app/qt/editor.h"
#include "platform/codepage_choice.h"

int main(int argc, char* argv[]) {
    if (const auto problem = platform::codepage::ChooseFromEnvironment()) {
        std::cerr << "vantrel-edit-98: " << *problem << '\n';
        return 1;
    }
    QApplication application(argc, argv);
    auto started = app::qt::Editor::Start(argc, argv);
    if (const auto* refused = std::get_if<std::string>(&started)) {
        std::cerr << "vantrel-edit-98: " << *refused << '\n';
        return 1;
    }
    return application.exec();
}
