// An open registry key with one owner, closed when the owner is done with it.
#pragma once

#include <utility>

#include "platform/registry_api.h"

namespace platform {

// Holds the handle an open or create call gave, and closes it once: on Close() or at the
// latest when the holder goes. A failed open leaves a null handle, and a null handle is
// closed all the same, as the registry functions allow. A moved-from holder closes nothing.
class KeyHandle {
public:
    explicit KeyHandle(RegistryApi& registry, Hkey key = kNullKey) noexcept
        : registry_(&registry), key_(key) {}
    KeyHandle(KeyHandle&& other) noexcept
        : registry_(std::exchange(other.registry_, nullptr)), key_(other.key_) {}
    KeyHandle& operator=(KeyHandle&& other) noexcept {
        if (this != &other) {
            Close();
            registry_ = std::exchange(other.registry_, nullptr);
            key_ = other.key_;
        }
        return *this;
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() { Close(); }

    // Where an open or create call puts the handle it gives.
    Hkey* Out() noexcept { return &key_; }
    Hkey get() const noexcept { return key_; }

    // Lets go of the handle without closing it, where a failed open is to close nothing.
    void Forget() noexcept { registry_ = nullptr; }

    void Close() noexcept {
        if (registry_) std::exchange(registry_, nullptr)->RegCloseKey(key_);
    }

private:
    RegistryApi* registry_;
    Hkey key_;
};

}  // namespace platform
