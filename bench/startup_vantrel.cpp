// Starts the program as its main does, on the registry its main would open, and stops once
// the window and its four values are painted (see startup_shown.h).
#include <QApplication>

#include <cstdio>

#include "app/qt/editor.h"
#include "platform/codepage_choice.h"
#include "startup_shown.h"

int main(int argc, char* argv[]) {
    if (const auto problem = platform::codepage::ChooseFromEnvironment()) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }
    QApplication application(argc, argv);
    auto started = app::qt::Editor::Start(argc, argv);
    if (const auto* refused = std::get_if<std::string>(&started)) {
        std::fprintf(stderr, "%s\n", refused->c_str());
        return 1;
    }
    return bench::StopWhenShown(std::get<0>(started)->Window());
}
