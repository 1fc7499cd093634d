// A bare Qt window, started and shown the same way, as the yardstick for start-up; built
// WITH_LABEL it shows one line of text, which makes Qt load its font database, in the face
// and size the program's window takes where the classic dialog font is missing (as on
// Debian), so that both load and lay out the same font.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QTest>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(373, 195);
#ifdef WITH_LABEL
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    QLabel label("Registered Owner:", &window);
#endif
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    window.repaint();
    return 0;
}
