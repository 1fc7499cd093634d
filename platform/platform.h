// What a control is handed by its host: the platform's registry.
#pragma once

#include "platform/registry_api.h"

namespace platform {

// The platform services a control calls. The host picks the implementation.
struct Platform {
    RegistryApi& registry;
};

}  // namespace platform
