// A bare Qt window, started and shown the same way, as the yardstick for start-up; built
// WITH_LABEL it shows one line of text, which makes Qt load its font database.
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(373, 195);
#ifdef WITH_LABEL
    QLabel label("Registered Owner:", &window);
#endif
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    window.repaint();
    return 0;
}
