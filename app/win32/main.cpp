// Vantrel Edit 98 for Windows: the real registry and a native front end.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "app/vantrel.h"
#include "app/win32/vantrel_window.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    platform::win32::Win32Registry registry;
    platform::win32::Win32System system;
    try {
        app::win32::VantrelWindow window;
        app::Vantrel logic(platform::Platform{registry, system}, window.View(), {}, &registry);
        window.Connect(logic);
        logic.Form_Load();

        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (app::win32::FormWindow::TranslateDialogKeys(message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    } catch (const app::win32::WindowError& error) {
        MessageBoxA(nullptr, error.what(), "Vantrel Edit 98", MB_OK | MB_ICONSTOP);
        return 1;
    }
    return 0;
}
