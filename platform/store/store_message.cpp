#include "store_message.h"

namespace store {

std::string StoreMessage(std::string_view path, std::string_view said) {
    std::string message = "The registry store ";
    message += path;
    message += ' ';
    message += said;
    return message;
}

std::string CannotBeUsed(std::string_view path, std::string_view reason) {
    return StoreMessage(path, "cannot be used: " + std::string(reason) + ".");
}

std::string ReasonOf(const sqlite::Error& error) {
    return error.IsDiskFull() ? "the disk is full" : error.what();
}

void Refuse(std::string_view path, std::string_view reason) {
    throw StoreRefused(CannotBeUsed(path, reason));
}

}  // namespace store
