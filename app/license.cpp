#include "app/license.h"

namespace app {

License::License(std::function<void()> unload) : unload_(std::move(unload)) {}

void License::Attach(std::unique_ptr<LicenseView> view) { view_ = std::move(view); }

void License::Show() { view_->Show(); }

void License::Command1_Click() {
    view_->Hide();
    Unload();
}

void License::Form_Unload() { Unload(); }

// The owner destroys this object inside the call, so nothing of it may be touched after.
void License::Unload() {
    const auto unload = std::move(unload_);
    unload();
}

}  // namespace app
