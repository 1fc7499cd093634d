#include "recording_registry.h"

namespace testing_support {
namespace {

RegistryCall Begin(const char* function, platform::Hkey key, const char* name) {
    RegistryCall call;
    call.function = function;
    call.key = key;
    call.name = name ? std::string(name) : std::string("<null>");
    return call;
}

}  // namespace

std::vector<std::string> RecordingRegistry::Functions() const {
    std::vector<std::string> names;
    for (const auto& call : calls) names.push_back(call.function);
    return names;
}

std::optional<platform::Long> RecordingRegistry::Injected(const std::string& function,
                                                          const std::string& name) {
    for (auto& failure : failures_) {
        if (failure.times == 0 || failure.function != function) continue;
        if (failure.name && *failure.name != name) continue;
        if (failure.after > 0) {
            --failure.after;
            continue;
        }
        if (failure.times > 0) --failure.times;
        return failure.status;
    }
    return std::nullopt;
}

platform::Long RecordingRegistry::RegOpenKeyExA(platform::Hkey key, const char* subKey,
                                                platform::Dword options, platform::Regsam access,
                                                platform::Hkey* result) {
    RegistryCall call = Begin("RegOpenKeyExA", key, subKey);
    call.access = access;
    call.options = options;
    if (auto status = Injected(call.function, call.name)) {
        if (result) *result = platform::kNullKey;
        call.status = *status;
    } else {
        call.status = inner_.RegOpenKeyExA(key, subKey, options, access, result);
    }
    calls.push_back(call);
    return call.status;
}

platform::Long RecordingRegistry::RegCreateKeyExA(platform::Hkey key, const char* subKey,
                                                  platform::Dword reserved, char* className,
                                                  platform::Dword options, platform::Regsam access,
                                                  const void* securityAttributes,
                                                  platform::Hkey* result,
                                                  platform::Dword* disposition) {
    RegistryCall call = Begin("RegCreateKeyExA", key, subKey);
    call.access = access;
    call.options = options;
    if (auto status = Injected(call.function, call.name)) {
        if (result) *result = platform::kNullKey;
        call.status = *status;
    } else {
        call.status = inner_.RegCreateKeyExA(key, subKey, reserved, className, options, access,
                                             securityAttributes, result, disposition);
    }
    calls.push_back(call);
    return call.status;
}

platform::Long RecordingRegistry::RegQueryValueExA(platform::Hkey key, const char* valueName,
                                                   platform::Dword* reserved, platform::Dword* type,
                                                   std::uint8_t* data, platform::Dword* size) {
    RegistryCall call = Begin("RegQueryValueExA", key, valueName);
    if (size) call.size = *size;
    call.withBuffer = data != nullptr;
    if (auto status = Injected(call.function, call.name)) {
        call.status = *status;
    } else {
        call.status = inner_.RegQueryValueExA(key, valueName, reserved, type, data, size);
        if (type) call.type = *type;
    }
    calls.push_back(call);
    return call.status;
}

platform::Long RecordingRegistry::RegSetValueExA(platform::Hkey key, const char* valueName,
                                                 platform::Dword reserved, platform::Dword type,
                                                 const std::uint8_t* data, platform::Dword size) {
    RegistryCall call = Begin("RegSetValueExA", key, valueName);
    call.type = type;
    call.size = size;
    if (data) call.data.assign(reinterpret_cast<const char*>(data), size);
    if (auto status = Injected(call.function, call.name)) {
        call.status = *status;
    } else {
        call.status = inner_.RegSetValueExA(key, valueName, reserved, type, data, size);
    }
    calls.push_back(call);
    return call.status;
}

platform::Long RecordingRegistry::RegDeleteKeyA(platform::Hkey key, const char* subKey) {
    RegistryCall call = Begin("RegDeleteKeyA", key, subKey);
    const auto status = Injected(call.function, call.name);
    call.status = status ? *status : inner_.RegDeleteKeyA(key, subKey);
    calls.push_back(call);
    return call.status;
}

platform::Long RecordingRegistry::RegDeleteValueA(platform::Hkey key, const char* valueName) {
    RegistryCall call = Begin("RegDeleteValueA", key, valueName);
    const auto status = Injected(call.function, call.name);
    call.status = status ? *status : inner_.RegDeleteValueA(key, valueName);
    calls.push_back(call);
    return call.status;
}

platform::Long RecordingRegistry::RegCloseKey(platform::Hkey key) {
    RegistryCall call = Begin("RegCloseKey", key, "");
    const auto status = Injected(call.function, call.name);
    call.status = status ? *status : inner_.RegCloseKey(key);
    calls.push_back(call);
    return call.status;
}

}  // namespace testing_support
