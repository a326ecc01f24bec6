#pragma once
// The registry: typed values under textual key paths ("HKEY_CURRENT_USER\Software\Quorr"),
// kept for each user in one registry-export text file that people can read and edit.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/native_file.h"
#include "platform/ustring.h"

namespace platform {

enum class RegistryType { dword, string };

struct RegistryValue {
    RegistryType type = RegistryType::dword;
    std::uint32_t dword = 0;
    WString text;

    static RegistryValue of_dword(std::uint32_t value) { return {RegistryType::dword, value, {}}; }
    static RegistryValue of_string(WStringView value) {
        return {RegistryType::string, 0, WString(value)};
    }
    bool operator==(const RegistryValue&) const = default;
};

// The parsed contents of a registry file, in file order. Key paths and value names compare
// without regard to ASCII case and keep the case they were first written with; empty
// components of a key path ("A\\B\") are ignored.
class RegistryDocument {
public:
    struct Value {
        WString name;  // empty for the key's default value, written "@"
        RegistryValue value;
    };
    struct Key {
        WString path;
        std::vector<Value> values;
    };

    // Reads export text (UTF-8, or UTF-16LE after FF FE). Lines that do not parse, and values
    // under a section header that does not parse, are left out; nothing else is lost.
    static RegistryDocument parse(std::string_view bytes);
    // Export text in UTF-8, which parse reads back to the same document.
    std::string serialize() const;

    const RegistryValue* find(WStringView key, WStringView name) const;
    void set(WStringView key, WStringView name, const RegistryValue& value);
    // False when there was no such value.
    bool remove(WStringView key, WStringView name);

    const std::vector<Key>& keys() const { return m_keys; }

private:
    Key* find_key(WStringView key);
    const Key* find_key(WStringView key) const;

    std::vector<Key> m_keys;
};

// One registry file shared by every process of its users. Reads use a cached parse that is
// refreshed when the file's stamp changes (one stat per read). Writes lock a file beside it,
// re-read it, apply the change and replace the file atomically, so concurrent writers in
// other processes never lose each other's values. Safe to use from several threads.
class RegistryStore {
public:
    // Who may read the file: a user's settings are theirs, the machine's are everyone's.
    enum class Readers { owner, everyone };
    explicit RegistryStore(std::string file, Readers readers = Readers::owner);

    std::optional<RegistryValue> get(WStringView key, WStringView name);
    // False when the file cannot be written, or exists but cannot be read (writing then would
    // drop every other value).
    bool set(WStringView key, WStringView name, const RegistryValue& value);
    bool remove(WStringView key, WStringView name);

    std::string file() const;

    // The user's store, $XDG_CONFIG_HOME/velvane/registry.reg, following the environment.
    static RegistryStore& user();
    // The machine's store, $VELVANE_SYSCONFDIR/registry.reg (an absolute folder; else
    // /etc/velvane/registry.reg): the HKEY_LOCAL_MACHINE values, written by the package
    // scripts as root and read by every user. Who may change it is left to the file system.
    static RegistryStore& machine();

private:
    template <typename Change>
    bool modify(Change&& change);
    void retarget(const std::string& file);
    void refresh_locked();

    mutable std::mutex m_mutex;
    std::string m_file;
    Readers m_readers;
    RegistryDocument m_cache;
    FileStamp m_stamp;
    bool m_cached = false;
    bool m_present = false;  // whether the file existed when the cache was taken
};

}  // namespace platform
