#include "core/registry.h"

#include "platform/registry_store.h"

namespace velvane {

namespace {

constexpr WStringView kRoots[] = {
    u"HKEY_CLASSES_ROOT",
    u"HKEY_LOCAL_MACHINE",
    u"HKEY_USERS",
    u"HKEY_CURRENT_USER",
};

constexpr WStringView kMachineRoot = u"HKEY_LOCAL_MACHINE";

// Each store keeps its roots in one file, so it gets the whole path back once the root is
// known to be one of ours. HKEY_LOCAL_MACHINE is the machine's file, every other root the
// user's.
platform::RegistryStore* store_for(WStringView path) {
    const auto split = split_registry_path(path);
    if (!split) {
        return nullptr;
    }
    return split->root == kMachineRoot ? &platform::RegistryStore::machine()
                                       : &platform::RegistryStore::user();
}

std::optional<platform::RegistryValue> get(WStringView path, WStringView name) {
    platform::RegistryStore* store = store_for(path);
    if (store == nullptr) {
        return std::nullopt;
    }
    auto value = store->get(path, name);
    // Machine values a user's file held before they had a file of their own stay readable
    // beneath the machine's.
    if (!value && store == &platform::RegistryStore::machine()) {
        value = platform::RegistryStore::user().get(path, name);
    }
    return value;
}

bool set(WStringView path, WStringView name, const platform::RegistryValue& value) {
    platform::RegistryStore* store = store_for(path);
    return store != nullptr && store->set(path, name, value);
}

}  // namespace

std::optional<RegistryPath> split_registry_path(WStringView path) {
    for (WStringView root : kRoots) {
        if (!path.starts_with(root)) {
            continue;
        }
        // "HKEY_USERSX\..." names no root at all rather than the sub-key "..." of HKEY_USERS.
        if (path.size() == root.size()) {
            return RegistryPath{root, {}};
        }
        if (path[root.size()] != u'\\') {
            return std::nullopt;
        }
        return RegistryPath{root, path.substr(root.size() + 1)};
    }
    return std::nullopt;
}

bool read_dword(WStringView path, WStringView name, std::uint32_t& out) {
    const auto value = get(path, name);
    if (!value || value->type != platform::RegistryType::dword) {
        return false;
    }
    out = value->dword;
    return true;
}

bool read_string(WStringView path, WStringView name, WString& out) {
    const auto value = get(path, name);
    if (!value || value->type != platform::RegistryType::string) {
        return false;
    }
    const size_t end = value->text.find(u'\0');
    out = end == WString::npos ? value->text : value->text.substr(0, end);
    return true;
}

bool write_dword(WStringView path, WStringView name, std::uint32_t value) {
    return set(path, name, platform::RegistryValue::of_dword(value));
}

bool write_string(WStringView path, WStringView name, WStringView text) {
    return set(path, name, platform::RegistryValue::of_string(text.substr(0, text.find(u'\0'))));
}

bool delete_value(WStringView path, WStringView name) {
    platform::RegistryStore* store = store_for(path);
    return store != nullptr && store->remove(path, name);
}

}  // namespace velvane
