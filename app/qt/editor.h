// The editor as the program starts it: the registry that the command line or the
// environment names, and the main window over it, loaded and shown.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "app/qt/vantrel_window.h"
#include "app/vantrel.h"
#include "platform/named/named_registry.h"
#include "platform/posix/posix_system.h"

namespace app::qt {

class Editor {
public:
    // Opens the registry that what Qt left of the command line ([--user NAME] [REGISTRY]),
    // $VANTREL_USER and $VANTREL_REGISTRY name, else the default store, and shows the main
    // window on it; the reason, naming the registry, when it cannot be opened.
    static std::variant<std::unique_ptr<Editor>, std::string> Start(int argc, char* argv[]);

    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // The main window, shown with the registry's values.
    VantrelWindow& Window() noexcept { return window_; }

private:
    explicit Editor(std::unique_ptr<platform::NamedRegistry> registry);

    std::unique_ptr<platform::NamedRegistry> registry_;
    platform::posix::PosixSystem system_;
    VantrelWindow window_;
    Vantrel logic_;
};

}  // namespace app::qt
