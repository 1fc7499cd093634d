// What a control is handed by its host: the platform's registry and system calls.
#pragma once

#include "platform/registry_api.h"
#include "platform/system_api.h"

namespace platform {

// The platform services a control calls. The host picks the implementations.
struct Platform {
    RegistryApi& registry;
    SystemApi& system;
};

}  // namespace platform
