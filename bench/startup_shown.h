// The moment every start-up program is timed at: its window painted on screen. Under the
// comparison script the program stops itself there (STARTUP_AT_SHOWN=stop), so that the
// script reads the time and the memory of that moment before letting it quit, or quits
// at once (=exit), so that counts of its system calls and instructions end there too.
#pragma once

#include <QTest>
#include <QWidget>
#include <csignal>
#include <cstdlib>
#include <string_view>

namespace bench {

// 0 once window is painted, 1 when it never was. Exposing a widget paints it at once,
// so the first paint is over when the wait ends.
inline int StopWhenShown(QWidget& window) {
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    const char* at = std::getenv("STARTUP_AT_SHOWN");
    const std::string_view what = at ? at : "";
    if (what == "stop") std::raise(SIGSTOP);
    if (what == "exit") std::_Exit(0);
    return 0;
}

}  // namespace bench
