#include "platform/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/files.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

bool is_blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; }

WString decode(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        // Exported by a tool that writes UTF-16; an odd last byte is dropped.
        WString out;
        out.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        return out;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    return from_utf8(bytes);
}

// Next component of a key path, skipping empty ones; false at the end.
bool next_component(WStringView path, size_t& pos, WStringView& component) {
    while (pos < path.size() && path[pos] == u'\\') {
        ++pos;
    }
    if (pos >= path.size()) {
        return false;
    }
    size_t end = path.find(u'\\', pos);
    if (end == WStringView::npos) {
        end = path.size();
    }
    component = path.substr(pos, end - pos);
    pos = end;
    return true;
}

bool same_key(WStringView a, WStringView b) {
    size_t pa = 0, pb = 0;
    WStringView ca, cb;
    for (;;) {
        const bool more_a = next_component(a, pa, ca);
        const bool more_b = next_component(b, pb, cb);
        if (more_a != more_b) {
            return false;
        }
        if (!more_a) {
            return true;
        }
        if (!equals_ignore_ascii_case(ca, cb)) {
            return false;
        }
    }
}

WString normalized_key(WStringView path) {
    WString out;
    size_t pos = 0;
    WStringView component;
    while (next_component(path, pos, component)) {
        if (!out.empty()) {
            out += u'\\';
        }
        out += component;
    }
    return out;
}

// A key path must survive the trip through a "[...]" line: "[-" would read as a deletion.
bool is_storable_key(WStringView normalized) {
    return !normalized.empty() && normalized[0] != u'-' &&
           normalized.find_first_of(u"\r\n") == WStringView::npos;
}

// A quoted text starting at line[pos] == '"'. Besides the export format's \\ and \", line
// breaks are written as \n and \r so that every value stays on one line; any other
// backslash is taken literally, as hand-written paths often contain one.
bool parse_quoted(WStringView line, size_t& pos, WString& out) {
    ++pos;
    while (pos < line.size()) {
        const char16_t c = line[pos++];
        if (c == u'"') {
            return true;
        }
        if (c == u'\\' && pos < line.size()) {
            const char16_t e = line[pos];
            if (e == u'\\' || e == u'"') {
                out += e;
                ++pos;
                continue;
            }
            if (e == u'n' || e == u'r') {
                out += e == u'n' ? u'\n' : u'\r';
                ++pos;
                continue;
            }
        }
        out += c;
    }
    return false;  // unterminated
}

bool parse_dword(WStringView digits, std::uint32_t& out) {
    if (digits.empty() || digits.size() > 8) {
        return false;
    }
    std::uint32_t value = 0;
    for (char16_t c : digits) {
        int d;
        if (c >= u'0' && c <= u'9') {
            d = c - u'0';
        } else if (c >= u'a' && c <= u'f') {
            d = c - u'a' + 10;
        } else if (c >= u'A' && c <= u'F') {
            d = c - u'A' + 10;
        } else {
            return false;
        }
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    out = value;
    return true;
}

bool parse_value_line(WStringView line, WString& name, RegistryValue& value) {
    size_t pos = 0;
    if (line[0] == u'@') {
        pos = 1;
    } else if (!parse_quoted(line, pos, name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != u'=') {
        return false;
    }
    ++pos;
    const WStringView data = line.substr(pos);
    if (!data.empty() && data[0] == u'"') {
        WString text;
        size_t p = 0;
        if (!parse_quoted(data, p, text) || p != data.size()) {
            return false;
        }
        value = RegistryValue::of_string(text);
        return true;
    }
    constexpr WStringView kDword = u"dword:";
    std::uint32_t number = 0;
    if (data.size() > kDword.size() &&
        equals_ignore_ascii_case(data.substr(0, kDword.size()), kDword) &&
        parse_dword(data.substr(kDword.size()), number)) {
        value = RegistryValue::of_dword(number);
        return true;
    }
    return false;  // other types (hex:, hex(2):, ...) are not ours
}

void append_quoted(std::string& out, WStringView text) {
    out += '"';
    WString escaped;
    escaped.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
            case u'\\': escaped += u"\\\\"; break;
            case u'"': escaped += u"\\\""; break;
            case u'\n': escaped += u"\\n"; break;
            case u'\r': escaped += u"\\r"; break;
            default: escaped += c;
        }
    }
    out += to_utf8(escaped);
    out += '"';
}

}  // namespace

RegistryDocument RegistryDocument::parse(std::string_view bytes) {
    RegistryDocument doc;
    const WString text = decode(bytes);
    const WStringView all(text);
    Key* current = nullptr;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find(u'\n', pos);
        if (end == WStringView::npos) {
            end = all.size();
        }
        WStringView line = all.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && is_blank(line.front())) {
            line.remove_prefix(1);
        }
        while (!line.empty() && is_blank(line.back())) {
            line.remove_suffix(1);
        }
        if (line.empty() || line[0] == u';') {
            continue;
        }
        if (line[0] == u'[') {
            // "[-KEY]" deletes a key when imported; here, as any bad header, it only makes
            // the values below it absent instead of landing in the key above.
            current = nullptr;
            if (line.back() == u']' && line.size() > 2 && line[1] != u'-') {
                const WString path = normalized_key(line.substr(1, line.size() - 2));
                if (is_storable_key(path)) {
                    current = doc.find_key(path);
                    if (current == nullptr) {
                        doc.m_keys.push_back({path, {}});
                        current = &doc.m_keys.back();
                    }
                }
            }
            continue;
        }
        if (current == nullptr || (line[0] != u'"' && line[0] != u'@')) {
            continue;
        }
        WString name;
        RegistryValue value;
        if (!parse_value_line(line, name, value)) {
            continue;
        }
        bool replaced = false;
        for (Value& v : current->values) {
            if (equals_ignore_ascii_case(v.name, name)) {
                v.value = std::move(value);  // a later line wins, as on import
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            current->values.push_back({std::move(name), std::move(value)});
        }
    }
    return doc;
}

std::string RegistryDocument::serialize() const {
    std::string out(kHeader);
    out += "\n";
    for (const Key& key : m_keys) {
        out += "\n[";
        out += to_utf8(key.path);
        out += "]\n";
        for (const Value& v : key.values) {
            if (v.name.empty()) {
                out += '@';
            } else {
                append_quoted(out, v.name);
            }
            out += '=';
            if (v.value.type == RegistryType::dword) {
                static const char kHex[] = "0123456789abcdef";
                out += "dword:";
                for (int shift = 28; shift >= 0; shift -= 4) {
                    out += kHex[(v.value.dword >> shift) & 0xF];
                }
            } else {
                append_quoted(out, v.value.text);
            }
            out += '\n';
        }
    }
    return out;
}

RegistryDocument::Key* RegistryDocument::find_key(WStringView key) {
    for (Key& k : m_keys) {
        if (same_key(k.path, key)) {
            return &k;
        }
    }
    return nullptr;
}

const RegistryDocument::Key* RegistryDocument::find_key(WStringView key) const {
    return const_cast<RegistryDocument*>(this)->find_key(key);
}

const RegistryValue* RegistryDocument::find(WStringView key, WStringView name) const {
    const Key* k = find_key(key);
    if (k == nullptr) {
        return nullptr;
    }
    for (const Value& v : k->values) {
        if (equals_ignore_ascii_case(v.name, name)) {
            return &v.value;
        }
    }
    return nullptr;
}

void RegistryDocument::set(WStringView key, WStringView name, const RegistryValue& value) {
    Key* k = find_key(key);
    if (k == nullptr) {
        m_keys.push_back({normalized_key(key), {}});
        k = &m_keys.back();
    }
    for (Value& v : k->values) {
        if (equals_ignore_ascii_case(v.name, name)) {
            v.value = value;  // the name keeps the case it was first written with
            return;
        }
    }
    k->values.push_back({WString(name), value});
}

bool RegistryDocument::remove(WStringView key, WStringView name) {
    Key* k = find_key(key);
    if (k == nullptr) {
        return false;
    }
    for (auto it = k->values.begin(); it != k->values.end(); ++it) {
        if (equals_ignore_ascii_case(it->name, name)) {
            k->values.erase(it);
            return true;
        }
    }
    return false;
}

RegistryStore::RegistryStore(std::string file, Readers readers)
    : m_file(std::move(file)), m_readers(readers) {}

std::string RegistryStore::file() const {
    std::lock_guard lock(m_mutex);
    return m_file;
}

void RegistryStore::retarget(const std::string& file) {
    std::lock_guard lock(m_mutex);
    if (file != m_file) {
        m_file = file;
        m_cache = {};
        m_cached = false;
    }
}

RegistryStore& RegistryStore::user() {
    // Never destroyed: the log reads the switch through it, also from static destructors.
    static RegistryStore& store = *new RegistryStore(std::string());
    // Reused per thread: this runs before every log line, and allocating here would cost
    // more than the rest of a cached read.
    thread_local std::string file;
    config_folder_native(file);
    file += "/registry.reg";
    store.retarget(file);
    return store;
}

RegistryStore& RegistryStore::machine() {
    static RegistryStore& store = *new RegistryStore(std::string(), Readers::everyone);
    thread_local std::string file;
    const char* folder = std::getenv("VELVANE_SYSCONFDIR");
    file.assign(folder != nullptr && folder[0] == '/' ? folder : "/etc/velvane");
    while (file.size() > 1 && file.back() == '/') {
        file.pop_back();
    }
    file += "/registry.reg";
    store.retarget(file);
    return store;
}

void RegistryStore::refresh_locked() {
    FileStamp stamp;
    const ReadStatus status = stamp_native(m_file, stamp);
    if (status == ReadStatus::ok && m_cached && m_present && stamp == m_stamp) {
        return;
    }
    if (status == ReadStatus::missing && m_cached && !m_present) {
        return;
    }
    NativeRead read = status == ReadStatus::ok ? read_native(m_file) : NativeRead{status, {}, {}};
    m_cache = read.status == ReadStatus::ok ? RegistryDocument::parse(read.bytes)
                                            : RegistryDocument();
    m_stamp = read.stamp;
    m_present = read.status == ReadStatus::ok;
    // An unreadable file is not cached: the next read tries again.
    m_cached = read.status != ReadStatus::failed;
}

std::optional<RegistryValue> RegistryStore::get(WStringView key, WStringView name) {
    std::lock_guard lock(m_mutex);
    refresh_locked();
    const RegistryValue* value = m_cache.find(key, name);
    return value != nullptr ? std::optional<RegistryValue>(*value) : std::nullopt;
}

template <typename Change>
bool RegistryStore::modify(Change&& change) {
    std::lock_guard lock(m_mutex);
    const size_t slash = m_file.find_last_of('/');
    if (slash != std::string::npos && slash > 0 &&
        !make_folders_native(m_file.substr(0, slash),
                             m_readers == Readers::everyone ? 0755 : 0700)) {
        return false;
    }
    const std::string lock_path = m_file + ".lock";
    const int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return false;
        }
    }
    // Under the lock no other writer can replace the file, so what is read here is what the
    // change applies to.
    refresh_locked();
    bool ok = false;
    if (m_cached) {
        RegistryDocument doc = m_cache;
        if (change(doc)) {
            FileStamp written;
            if (replace_native(m_file, doc.serialize(), &written)) {
                // Whatever umask the writer had (root's may be 077), every user reads it.
                if (m_readers == Readers::everyone) {
                    ::chmod(m_file.c_str(), 0644);
                }
                m_cache = std::move(doc);
                m_stamp = written;
                m_present = true;
                ok = true;
            }
        }
    }
    ::close(fd);  // releases the lock
    return ok;
}

bool RegistryStore::set(WStringView key, WStringView name, const RegistryValue& value) {
    if (!is_storable_key(normalized_key(key))) {
        return false;
    }
    return modify([&](RegistryDocument& doc) {
        doc.set(key, name, value);
        return true;
    });
}

bool RegistryStore::remove(WStringView key, WStringView name) {
    return modify([&](RegistryDocument& doc) { return doc.remove(key, name); });
}

}  // namespace platform
