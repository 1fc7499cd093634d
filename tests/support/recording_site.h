// A host site that records the change notifications it receives.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "regctl/control_site.h"

namespace testing_support {

class RecordingSite : public regctl::ControlSite {
public:
    void PropertyChanged(std::string_view propertyName) override {
        changed.emplace_back(propertyName);
    }

    std::vector<std::string> changed;
};

}  // namespace testing_support
