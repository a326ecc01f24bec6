#include "contacts/keypad_map.h"

#include <algorithm>

#include "core/key_value.h"

namespace velvane {

bool KeypadMap::load(WStringView path) {
    clear();
    KeyValues pairs;
    if (!read_key_values(path, pairs)) {
        return false;
    }
    for (const auto& [key, value] : pairs) {
        // The typed character is the key; longer keys cannot be typed as one character.
        if (key.size() == 1) {
            m_values.emplace_back(key[0], value);
        }
    }
    reindex();
    return true;
}

void KeypadMap::parse(std::string_view bytes) {
    clear();
    KeyValues pairs;
    parse_key_values(bytes, pairs);
    for (const auto& [key, value] : pairs) {
        if (key.size() == 1) {
            m_values.emplace_back(key[0], value);
        }
    }
    reindex();
}

void KeypadMap::set(char16_t key, WString value) {
    auto it = std::find_if(m_values.begin(), m_values.end(),
                           [key](const auto& pair) { return pair.first == key; });
    if (it != m_values.end()) {
        it->second = std::move(value);
    } else {
        m_values.emplace_back(key, std::move(value));
    }
    reindex();
}

void KeypadMap::clear() {
    m_values.clear();
    m_ascii.fill(0);
}

void KeypadMap::reindex() {
    std::sort(m_values.begin(), m_values.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    m_ascii.fill(0);
    for (size_t i = 0; i < m_values.size(); ++i) {
        if (m_values[i].first < m_ascii.size()) {
            m_ascii[m_values[i].first] = static_cast<uint16_t>(i + 1);
        }
    }
}

WString KeypadMap::value_of(char16_t c) const {
    if (c < m_ascii.size()) {
        const uint16_t slot = m_ascii[c];
        return slot ? m_values[slot - 1].second : WString(1, c);
    }
    auto it = std::lower_bound(m_values.begin(), m_values.end(), c,
                               [](const auto& pair, char16_t key) { return pair.first < key; });
    if (it != m_values.end() && it->first == c) {
        return it->second;
    }
    return WString(1, c);
}

}  // namespace velvane
