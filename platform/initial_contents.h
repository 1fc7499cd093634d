// What a registry made from nothing holds beyond its roots, as the application that makes
// it knows: keys by root and path, with the string values in them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace platform {

// A string value of a key made with a new registry.
struct InitialString {
    std::u16string name;
    std::u16string text;
};

// A key made, with every missing key above it, below one of the stored roots
// (HKEY_LOCAL_MACHINE or HKEY_USERS).
struct InitialKey {
    Dword root = 0;
    std::u16string path;
    std::vector<InitialString> strings;
};

using InitialContents = std::vector<InitialKey>;

// Gives the contents when a registry is made from nothing, and only then, so that opening
// one that exists pays nothing for what only a new one needs (the owner's name from the
// account database). An empty source gives no contents.
using InitialContentsSource = std::function<InitialContents()>;

// What a source gives, or nothing when it is empty.
inline InitialContents ContentsOf(const InitialContentsSource& source) {
    return source ? source() : InitialContents{};
}

}  // namespace platform
