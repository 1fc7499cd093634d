// The run-time error number an action raises.
#pragma once

#include <gtest/gtest.h>

#include "regctl/runtime_error.h"

namespace testing_support {

template <typename Action>
regctl::ErrorNumber ErrorOf(Action&& action) {
    try {
        action();
    } catch (const regctl::RuntimeError& error) {
        return error.Number();
    }
    ADD_FAILURE() << "no run-time error was raised";
    return regctl::ErrorNumber{};
}

}  // namespace testing_support
