#include "regctl/runtime_error.h"

namespace regctl {
namespace {

const char* MessageOf(ErrorNumber number) {
    switch (number) {
        case ErrorNumber::InvalidProcedureCall: return "Invalid procedure call or argument";
        case ErrorNumber::Overflow: return "Overflow";
        case ErrorNumber::TypeMismatch: return "Type mismatch";
        case ErrorNumber::InvalidPropertyValue: return "Invalid property value";
    }
    return "Application-defined or object-defined error";
}

}  // namespace

RuntimeError::RuntimeError(ErrorNumber number)
    : std::runtime_error(MessageOf(number)), number_(number) {}

}  // namespace regctl
