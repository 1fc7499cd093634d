// Vantrel Edit 98 with the Qt front end, on the registry its argument or $VANTREL_REGISTRY
// names (a store file, a Wine prefix or an offline Windows installation, whose user
// --user or $VANTREL_USER chooses), else on the default store.
#include <QApplication>

#include <cstdio>

#include "app/qt/editor.h"
#include "platform/codepage_choice.h"

// Messages go through stdio: <iostream> would build the C++ locale at every start, which
// pages in a good part of the C++ library that the program needs nowhere else.
int main(int argc, char* argv[]) {
    if (const auto problem = platform::codepage::ChooseFromEnvironment()) {
        std::fprintf(stderr, "vantrel-edit-98: %s\n", problem->c_str());
        return 1;
    }
    QApplication application(argc, argv);
    auto started = app::qt::Editor::Start(argc, argv);
    if (const auto* refused = std::get_if<std::string>(&started)) {
        std::fprintf(stderr, "vantrel-edit-98: %s\n", refused->c_str());
        return 1;
    }
    return application.exec();
}
