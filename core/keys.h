#pragma once
// The key-code table: every key the program knows, its small integer code, the name that
// skins (`bind_key`) and the log use, and the platform virtual keys that produce it.

#include <span>

#include "platform/ustring.h"

namespace velvane {

// The key codes. Letters and digits are consecutive: key::A + n, key::Digit0 + n.
namespace key {
inline constexpr int None = 0;
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 3;
inline constexpr int Left = 4;
inline constexpr int Right = 5;
inline constexpr int Up = 6;
inline constexpr int Down = 7;
inline constexpr int Esc = 8;
inline constexpr int Enter = 9;
inline constexpr int Space = 10;
inline constexpr int Backspace = 11;
inline constexpr int Del = 12;
inline constexpr int Insert = 13;
inline constexpr int Home = 14;
inline constexpr int End = 15;
inline constexpr int PageDown = 16;
inline constexpr int PageUp = 17;
inline constexpr int Tab = 18;
inline constexpr int ContextMenu = 19;
inline constexpr int A = 20;
inline constexpr int Z = 45;
inline constexpr int Digit0 = 46;
inline constexpr int Digit9 = 55;
inline constexpr int Star = 56;
inline constexpr int Hash = 57;
inline constexpr int CallMake = 58;
inline constexpr int CallEnd = 59;
inline constexpr int Slide = 60;
inline constexpr int SoftLeft = 61;
inline constexpr int SoftRight = 62;
inline constexpr int VolumeUp = 63;
inline constexpr int VolumeDown = 64;
inline constexpr int Plus = 65;
inline constexpr int Minus = 66;
inline constexpr int Dot = 67;
inline constexpr int Slash = 68;
}  // namespace key

// One entry of the name table. The wide name, when present, is the one lookups compare.
struct KeyName {
    int code;
    const char* name;
    const char16_t* wide_name;
};

// The name table without its closing null entry, in table order (code order, except that
// CALL_MAKE and CALL_END stand before "*" and "#").
std::span<const KeyName> key_names();

// The code of the first entry whose name equals name exactly; key::None when none does.
int key_code(platform::WStringView name);
// The name of the first entry with that code; empty for a code outside the table.
platform::WString key_name(int code);

// The code a platform virtual key produces; key::None for a key the table does not list.
int key_from_virtual_key(int virtual_key);
// The first virtual key that produces code; 0 when no key produces it (Esc, SLIDE, None).
int virtual_key_of(int code);

}  // namespace velvane
