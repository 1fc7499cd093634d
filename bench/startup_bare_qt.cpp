// A bare Qt window, started and shown the same way, as the yardstick for start-up; built
// WITH_LABEL it shows one line of text, which makes Qt load its font database, in the face
// and size the program's window takes where the classic dialog font is missing (as on
// Debian), made the application's font before any widget as the program makes it, so that
// both load and lay out that one font.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QWidget>

#include "startup_shown.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
#ifdef WITH_LABEL
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 8));
#endif
    QWidget window;
    window.resize(373, 195);
#ifdef WITH_LABEL
    QLabel label("Registered Owner:", &window);
#endif
    window.show();
    return bench::StopWhenShown(window);
}
