#include "sync/card_merge.h"

#include <algorithm>
#include <cstdio>

namespace velvane::sync {

namespace {

constexpr std::string_view kFirst = "first";
constexpr std::string_view kLast = "last";
constexpr std::string_view kCompany = "company";
constexpr std::string_view kPhoto = "photo";
constexpr std::string_view kFieldPrefix = "f:";
constexpr std::string_view kLinePrefix = "x:";

std::string field_key(FieldKind kind) {
    char text[8];
    std::snprintf(text, sizeof text, "f:%02d", static_cast<int>(kind));
    return text;
}

// The property name of a kept line, upper-cased, group prefix included ("ITEM1.X-ABLABEL").
std::string line_name(std::string_view line) {
    const size_t end = line.find_first_of(";:");
    std::string name(line.substr(0, end));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    });
    return name;
}

bool is_uid(std::string_view line) {
    const std::string name = line_name(line);
    return name == "UID" || name.ends_with(".UID");
}

void put(CardProps& props, std::string_view key, const WString& value) {
    if (!value.empty()) {
        props[std::string(key)] = platform::to_utf8(value);
    }
}

}  // namespace

CardProps card_props(const VCardContact& card) {
    CardProps props;
    const Contact& c = card.contact;
    put(props, kFirst, c.first_name);
    put(props, kLast, c.last_name);
    put(props, kCompany, c.company);
    for (const ContactField& field : c.fields) {
        const int kind = static_cast<int>(field.kind);
        if (kind < 0 || kind >= kStoredKindCount || field.value.empty()) {
            continue;
        }
        // One value per kind, as the database holds it: the first wins.
        props.emplace(field_key(field.kind), platform::to_utf8(field.value));
    }
    if (!card.photo.empty()) {
        props[std::string(kPhoto)] = card.photo;
    }
    for (const std::string& line : card.extra_properties) {
        if (line.empty() || is_uid(line)) {
            continue;
        }
        std::string& joined = props[std::string(kLinePrefix) + line_name(line)];
        if (!joined.empty()) {
            joined.push_back('\n');
        }
        joined += line;
    }
    return props;
}

VCardContact card_from_props(const CardProps& props) {
    VCardContact card;
    Contact& c = card.contact;
    for (const auto& [key, value] : props) {
        if (key == kFirst) {
            c.first_name = platform::from_utf8(value);
        } else if (key == kLast) {
            c.last_name = platform::from_utf8(value);
        } else if (key == kCompany) {
            c.company = platform::from_utf8(value);
        } else if (key == kPhoto) {
            card.photo = value;
        } else if (key.starts_with(kFieldPrefix) && key.size() == 4) {
            const int kind = (key[2] - '0') * 10 + (key[3] - '0');
            if (kind >= 0 && kind < kStoredKindCount) {
                c.fields.emplace_back(static_cast<FieldKind>(kind), platform::from_utf8(value));
            }
        } else if (key.starts_with(kLinePrefix)) {
            size_t start = 0;
            while (start <= value.size()) {
                const size_t end = std::min(value.find('\n', start), value.size());
                if (end > start) {
                    card.extra_properties.push_back(value.substr(start, end - start));
                }
                start = end + 1;
            }
        }
    }
    return card;
}

CardMerge merge_cards(const CardProps& base, const CardProps& local, const CardProps& server) {
    CardMerge out;
    const auto value = [](const CardProps& props, const std::string& key) -> const std::string* {
        auto it = props.find(key);
        return it == props.end() ? nullptr : &it->second;
    };
    const auto same = [](const std::string* a, const std::string* b) {
        return a == nullptr ? b == nullptr : b != nullptr && *a == *b;
    };
    std::vector<std::string> keys;
    for (const CardProps* side : {&base, &local, &server}) {
        for (const auto& entry : *side) {
            keys.push_back(entry.first);
        }
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (const std::string& key : keys) {
        const std::string* b = value(base, key);
        const std::string* l = value(local, key);
        const std::string* s = value(server, key);
        const std::string* chosen = s;
        if (same(s, b)) {
            chosen = l;  // only the local side changed it, or nobody did
        } else if (!same(l, b) && !same(l, s)) {
            out.local_lost.emplace_back(key, l != nullptr ? *l : std::string());
        }
        if (chosen != nullptr) {
            out.merged[key] = *chosen;
        }
    }
    return out;
}

std::string uid_of(const VCardContact& card) {
    for (const std::string& line : card.extra_properties) {
        if (is_uid(line)) {
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                std::string uid = line.substr(colon + 1);
                while (!uid.empty() && (uid.back() == ' ' || uid.back() == '\r')) {
                    uid.pop_back();
                }
                return uid;
            }
        }
    }
    return {};
}

std::string card_text(const VCardContact& card, std::string_view uid) {
    VCardContact copy = card;
    std::erase_if(copy.extra_properties, [](const std::string& line) { return is_uid(line); });
    copy.extra_properties.insert(copy.extra_properties.begin(), "UID:" + std::string(uid));
    return write_vcards({copy});
}

std::string pack_props(const CardProps& props) {
    std::string out;
    for (const auto& [key, value] : props) {
        out += std::to_string(key.size()) + " " + std::to_string(value.size()) + "\n";
        out += key;
        out += value;
    }
    return out;
}

bool unpack_props(std::string_view packed, CardProps& out) {
    out.clear();
    while (!packed.empty()) {
        const size_t line_end = packed.find('\n');
        if (line_end == std::string_view::npos || line_end > 40) {
            return false;
        }
        unsigned long long key_size = 0;
        unsigned long long value_size = 0;
        const std::string head(packed.substr(0, line_end));
        char tail = 0;
        if (std::sscanf(head.c_str(), "%llu %llu%c", &key_size, &value_size, &tail) != 2) {
            return false;
        }
        packed.remove_prefix(line_end + 1);
        if (key_size > packed.size() || value_size > packed.size() - key_size) {
            return false;
        }
        out[std::string(packed.substr(0, key_size))] = std::string(packed.substr(key_size, value_size));
        packed.remove_prefix(key_size + value_size);
    }
    return true;
}

std::string describe_key(const std::string& key) {
    if (key.starts_with(kFieldPrefix) && key.size() == 4) {
        const char* name = kind_name_ascii(static_cast<FieldKind>((key[2] - '0') * 10 + (key[3] - '0')));
        return name != nullptr ? name : key;
    }
    if (key.starts_with(kLinePrefix)) {
        return key.substr(kLinePrefix.size());
    }
    return key;
}

}  // namespace velvane::sync
