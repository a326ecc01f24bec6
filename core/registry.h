#pragma once
// Typed registry access by textual path: a root name ("HKEY_CURRENT_USER"), "\" and a
// sub-key ("Software\Quorr"). A path with any other beginning reads and writes nothing.
// HKEY_LOCAL_MACHINE is machine-wide: the machine's registry file, which only its owner (root)
// can change; a value it lacks is still read from the user's file. Every other root is the
// user's own file.

#include <cstdint>
#include <optional>

#include "platform/ustring.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

struct RegistryPath {
    WStringView root;
    WStringView sub_key;
};

// Root and sub-key of a registry path. Roots are tried as prefixes in the order
// HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_USER; the root must end the
// path or be followed by "\". Nothing for any other beginning. The parts view path.
std::optional<RegistryPath> split_registry_path(WStringView path);

// Reads give false and leave out untouched when the value is missing or of the other type.
bool read_dword(WStringView path, WStringView name, std::uint32_t& out);
bool read_string(WStringView path, WStringView name, WString& out);
bool write_dword(WStringView path, WStringView name, std::uint32_t value);
// Stores the text up to its first NUL, which is all a reader gets back.
bool write_string(WStringView path, WStringView name, WStringView text);
// False when there was no such value.
bool delete_value(WStringView path, WStringView name);

}  // namespace velvane
