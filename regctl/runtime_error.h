// Run-time errors that the control raises to its caller, each with its number.
#pragma once

#include <stdexcept>

namespace regctl {

// The numbers the control raises.
enum class ErrorNumber : int {
    InvalidProcedureCall = 5,
    Overflow = 6,
    TypeMismatch = 13,
    InvalidPropertyValue = 380,
};

// A run-time error with its number and standard message ("Overflow", "Type mismatch", ...).
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(ErrorNumber number);

    // The error's number, as the caller tests it.
    ErrorNumber Number() const noexcept { return number_; }

private:
    ErrorNumber number_;
};

}  // namespace regctl
