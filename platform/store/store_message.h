// The words in which the store speaks of its file, and the refusal of a file it cannot use.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "sqlite.h"

namespace store {

// "The registry store PATH " followed by what is to be said of it.
std::string StoreMessage(std::string_view path, std::string_view said);

// "The registry store PATH cannot be used: REASON."
std::string CannotBeUsed(std::string_view path, std::string_view reason);

// A failed SQLite call in the user's words: "the disk is full", or SQLite's message.
std::string ReasonOf(const sqlite::Error& error);

// Why a file cannot be used as a store; the message names the file and the reason.
class StoreRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws StoreRefused with CannotBeUsed's words.
[[noreturn]] void Refuse(std::string_view path, std::string_view reason);

}  // namespace store
