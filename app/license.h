// The licence window's logic: it exists from the first "License" until it is closed.
#pragma once

#include <functional>
#include <memory>

#include "app/views.h"

namespace app {

class License {
public:
    // unload is called when the window is closed; it destroys this object.
    explicit License(std::function<void()> unload);
    License(const License&) = delete;
    License& operator=(const License&) = delete;

    // Gives the logic its window; called once, right after creation.
    void Attach(std::unique_ptr<LicenseView> view);
    // Shows the window, or brings it to the front.
    void Show();

    // "Close": hides the window, then unloads it.
    void Command1_Click();
    // The window's frame closed it: unloads it.
    void Form_Unload();

private:
    void Unload();

    std::unique_ptr<LicenseView> view_;
    std::function<void()> unload_;
};

}  // namespace app
