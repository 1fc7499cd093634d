// Records a control's events as readable lines, in the order they were raised.
#pragma once

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "regctl/tav_registry.h"

namespace testing_support {

// "Error 1001 Unable To Open Key", "RegKey string "ab" true", "RegKey int32 7 false",
// "RegKey empty false".
inline std::string Describe(const regctl::Variant& value) {
    using Kind = regctl::Variant::Kind;
    const std::string text = platform::codepage::Encode(ToText(value));
    switch (value.kind()) {
        case Kind::Empty:
            return "empty";
        case Kind::Int16:
            return "int16 " + text;
        case Kind::Int32:
            return "int32 " + text;
        case Kind::Double:
            return "double " + text;
        case Kind::String:
            return "string \"" + text + "\"";
    }
    return "?";
}

class EventLog {
public:
    explicit EventLog(regctl::TavRegistry& control) {
        control.RegKey.Handle([this](regctl::Variant& value, bool& isString) {
            lines.push_back("RegKey " + Describe(value) + (isString ? " true" : " false"));
            lastValue = value;
        });
        control.Error.Handle([this](std::int16_t& code, std::u16string& message) {
            lines.push_back("Error " + std::to_string(code) + " " +
                            platform::codepage::Encode(message));
        });
    }

    std::vector<std::string> lines;
    regctl::Variant lastValue;
};

}  // namespace testing_support
