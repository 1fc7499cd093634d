// hivex, loaded the first time a hive is opened rather than with the program: the editor
// on a registry store never opens one, and would pay for loading it at every start.
#pragma once

#include <hivex.h>

namespace regf {

// The hivex functions our tree calls.
struct HivexLibrary {
    decltype(&hivex_open) open = nullptr;
    decltype(&hivex_close) close = nullptr;
    decltype(&hivex_commit) commit = nullptr;
    decltype(&hivex_root) root = nullptr;
    decltype(&hivex_node_name) nodeName = nullptr;
    decltype(&hivex_node_parent) nodeParent = nullptr;
    decltype(&hivex_node_children) nodeChildren = nullptr;
    decltype(&hivex_node_add_child) nodeAddChild = nullptr;
    decltype(&hivex_node_delete_child) nodeDeleteChild = nullptr;
    decltype(&hivex_node_values) nodeValues = nullptr;
    decltype(&hivex_node_set_values) nodeSetValues = nullptr;
    decltype(&hivex_value_key) valueKey = nullptr;
    decltype(&hivex_value_value) valueValue = nullptr;
};

// Loads hivex once and keeps it for the life of the program; throws RegfFileError, naming
// the library and why, when it cannot be loaded.
const HivexLibrary& LoadHivex();

// The library LoadHivex loaded: for the calls made on a hive that is open.
const HivexLibrary& Hivex() noexcept;

}  // namespace regf
