#include "core/keys.h"

#include <iterator>
#include <string_view>

namespace velvane {

namespace {

// Closed by a null name, so the table can be walked the way it is declared. The phone keys
// come before "*" and "#" in this order since the table has always been written so; a
// lookup by code does not depend on it, as every code appears once.
constexpr KeyName kKeyNames[] = {
    {key::None, "None", nullptr},
    {key::Shift, "Shift", nullptr},
    {key::Ctrl, "Ctrl", nullptr},
    {key::Alt, "Alt", nullptr},
    {key::Left, "Left", nullptr},
    {key::Right, "Right", nullptr},
    {key::Up, "Up", nullptr},
    {key::Down, "Down", nullptr},
    {key::Esc, "Esc", nullptr},
    {key::Enter, "Enter", nullptr},
    {key::Space, "Space", nullptr},
    {key::Backspace, "Backspace", nullptr},
    {key::Del, "Del", nullptr},
    {key::Insert, "Insert", nullptr},
    {key::Home, "Home", nullptr},
    {key::End, "End", nullptr},
    {key::PageDown, "PageDown", nullptr},
    {key::PageUp, "PageUp", nullptr},
    {key::Tab, "Tab", nullptr},
    {key::ContextMenu, "ContextMenu", nullptr},
    {20, "A", nullptr},
    {21, "B", nullptr},
    {22, "C", nullptr},
    {23, "D", nullptr},
    {24, "E", nullptr},
    {25, "F", nullptr},
    {26, "G", nullptr},
    {27, "H", nullptr},
    {28, "I", nullptr},
    {29, "J", nullptr},
    {30, "K", nullptr},
    {31, "L", nullptr},
    {32, "M", nullptr},
    {33, "N", nullptr},
    {34, "O", nullptr},
    {35, "P", nullptr},
    {36, "Q", nullptr},
    {37, "R", nullptr},
    {38, "S", nullptr},
    {39, "T", nullptr},
    {40, "U", nullptr},
    {41, "V", nullptr},
    {42, "W", nullptr},
    {43, "X", nullptr},
    {44, "Y", nullptr},
    {45, "Z", nullptr},
    {46, "0", nullptr},
    {47, "1", nullptr},
    {48, "2", nullptr},
    {49, "3", nullptr},
    {50, "4", nullptr},
    {51, "5", nullptr},
    {52, "6", nullptr},
    {53, "7", nullptr},
    {54, "8", nullptr},
    {55, "9", nullptr},
    {key::CallMake, "CALL_MAKE", nullptr},
    {key::CallEnd, "CALL_END", nullptr},
    {key::Star, "*", nullptr},
    {key::Hash, "#", nullptr},
    {key::Slide, "SLIDE", nullptr},
    {key::SoftLeft, "SOFT_LEFT", nullptr},
    {key::SoftRight, "SOFT_RIGHT", nullptr},
    {key::VolumeUp, "VOLUME_UP", nullptr},
    {key::VolumeDown, "VOLUME_DOWN", nullptr},
    {key::Plus, "+", nullptr},
    {key::Minus, "-", nullptr},
    {key::Dot, ".", nullptr},
    {key::Slash, "/", nullptr},
    {key::None, nullptr, nullptr},
};

// Virtual key -> code, for the keys that are not a plain range. Where two virtual keys give
// one code, the first listed is the one virtual_key_of reports.
struct VirtualKey {
    int virtual_key;
    int code;
};

constexpr VirtualKey kVirtualKeys[] = {
    {16, key::Shift},
    {17, key::Ctrl},
    {18, key::Alt},
    {37, key::Left},
    {39, key::Right},
    {38, key::Up},
    {40, key::Down},
    {13, key::Enter},
    {32, key::Space},
    {8, key::Backspace},
    // The escape key has no use of its own on a phone: it steps back like Backspace.
    {27, key::Backspace},
    {46, key::Del},
    {45, key::Insert},
    {36, key::Home},
    {35, key::End},
    {34, key::PageDown},
    {33, key::PageUp},
    {9, key::Tab},
    {93, key::ContextMenu},
    // The phone keys arrive as function keys.
    {106, key::Star},
    {119, key::Star},
    {120, key::Hash},
    {114, key::CallMake},
    {115, key::CallEnd},
    {112, key::SoftLeft},
    {113, key::SoftRight},
    {117, key::VolumeUp},
    {118, key::VolumeDown},
    {107, key::Plus},
    {109, key::Minus},
    {110, key::Dot},
    {111, key::Slash},
};

constexpr int kVirtualA = 65;
constexpr int kVirtualDigit0 = 48;
constexpr int kVirtualNumPad0 = 96;

bool name_equals(const KeyName& entry, platform::WStringView name) {
    if (entry.wide_name != nullptr) {
        return name == platform::WStringView(entry.wide_name);
    }
    // The narrow names are ASCII, so comparing unit by unit is the widened comparison.
    const std::string_view narrow(entry.name);
    if (narrow.size() != name.size()) {
        return false;
    }
    for (size_t i = 0; i < narrow.size(); ++i) {
        if (static_cast<char16_t>(static_cast<unsigned char>(narrow[i])) != name[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::span<const KeyName> key_names() {
    return {kKeyNames, std::size(kKeyNames) - 1};
}

int key_code(platform::WStringView name) {
    for (const KeyName* entry = kKeyNames; entry->name != nullptr; ++entry) {
        if (name_equals(*entry, name)) {
            return entry->code;
        }
    }
    return key::None;
}

platform::WString key_name(int code) {
    for (const KeyName* entry = kKeyNames; entry->name != nullptr; ++entry) {
        if (entry->code == code) {
            return entry->wide_name != nullptr ? platform::WString(entry->wide_name)
                                               : platform::widen(entry->name);
        }
    }
    return {};
}

int key_from_virtual_key(int virtual_key) {
    if (virtual_key >= kVirtualA && virtual_key < kVirtualA + 26) {
        return key::A + (virtual_key - kVirtualA);
    }
    if (virtual_key >= kVirtualDigit0 && virtual_key < kVirtualDigit0 + 10) {
        return key::Digit0 + (virtual_key - kVirtualDigit0);
    }
    if (virtual_key >= kVirtualNumPad0 && virtual_key < kVirtualNumPad0 + 10) {
        return key::Digit0 + (virtual_key - kVirtualNumPad0);
    }
    for (const VirtualKey& entry : kVirtualKeys) {
        if (entry.virtual_key == virtual_key) {
            return entry.code;
        }
    }
    return key::None;
}

int virtual_key_of(int code) {
    if (code >= key::A && code <= key::Z) {
        return kVirtualA + (code - key::A);
    }
    if (code >= key::Digit0 && code <= key::Digit9) {
        return kVirtualDigit0 + (code - key::Digit0);
    }
    for (const VirtualKey& entry : kVirtualKeys) {
        if (entry.code == code) {
            return entry.virtual_key;
        }
    }
    return 0;
}

}  // namespace velvane
