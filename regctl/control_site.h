// What a control asks of the window that holds it.
#pragma once

#include <string_view>

namespace regctl {

// The host side of a placed control.
class ControlSite {
public:
    virtual ~ControlSite() = default;

    // Tells the host that the saved property of this name changed, so that its
    // settings need saving.
    virtual void PropertyChanged(std::string_view propertyName) = 0;
};

}  // namespace regctl
