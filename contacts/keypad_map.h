#pragma once
// The keypad map: a typed character stands for the characters of its value (2 -> "abc2"), so
// digits typed on a phone keypad find names. Read from keyboard.txt.

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ustring.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

class KeypadMap {
public:
    // Reads a key=value file; a missing or unreadable file leaves the map empty, and then
    // every character stands only for itself. Returns whether the file was read.
    bool load(WStringView path);
    // Replaces the map by the pairs of the text of such a file.
    void parse(std::string_view bytes);
    // Sets one key's value as given (values are compared with lower-cased text).
    void set(char16_t key, WString value);
    void clear();

    // The characters c stands for; c alone when c is not a key.
    WString value_of(char16_t c) const;
    bool empty() const { return m_values.empty(); }
    // Every key with its value, keys in ascending order.
    const std::vector<std::pair<char16_t, WString>>& pairs() const { return m_values; }

private:
    // Value per key; the key characters sorted for lookup.
    std::vector<std::pair<char16_t, WString>> m_values;
    // Quick path for the keys below 128 (index into m_values + 1, 0 = none).
    std::array<uint16_t, 128> m_ascii{};

    void reindex();
};

}  // namespace velvane
