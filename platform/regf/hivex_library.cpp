#include "platform/regf/hivex_library.h"

#include <dlfcn.h>

#include <string>

#include "platform/regf/regf_error.h"

namespace regf {
namespace {

constexpr const char* kLibrary = "libhivex.so.0";

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

HivexLibrary loaded;

// Empty when every function was found, else why not.
std::string Load() {
    void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library) return dlerror();
    const bool found =
        Find(library, "hivex_open", loaded.open) && Find(library, "hivex_close", loaded.close) &&
        Find(library, "hivex_commit", loaded.commit) && Find(library, "hivex_root", loaded.root) &&
        Find(library, "hivex_node_name", loaded.nodeName) &&
        Find(library, "hivex_node_parent", loaded.nodeParent) &&
        Find(library, "hivex_node_children", loaded.nodeChildren) &&
        Find(library, "hivex_node_add_child", loaded.nodeAddChild) &&
        Find(library, "hivex_node_delete_child", loaded.nodeDeleteChild) &&
        Find(library, "hivex_node_values", loaded.nodeValues) &&
        Find(library, "hivex_node_set_values", loaded.nodeSetValues) &&
        Find(library, "hivex_value_key", loaded.valueKey) &&
        Find(library, "hivex_value_value", loaded.valueValue);
    return found ? std::string() : dlerror();
}

}  // namespace

const HivexLibrary& LoadHivex() {
    static const std::string failure = Load();
    if (!failure.empty()) {
        throw RegfFileError(RegfFileError::Kind::System,
                            std::string("Registry hives cannot be read: ") + kLibrary +
                                " cannot be loaded (" + failure + ").");
    }
    return loaded;
}

const HivexLibrary& Hivex() noexcept { return loaded; }

}  // namespace regf
