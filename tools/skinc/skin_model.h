#pragma once
// A skin as the compiler holds it before writing: named definitions of node trees with
// typed properties. write_skin turns it into the binary file the loader reads.

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/ustring.h"
#include "skin/color.h"
#include "skin/geometry.h"
#include "skin/properties.h"

namespace skinc {

struct ImageValue {
    platform::WString picture;          // picture name, without folder or ".bmp"
    std::array<int, 8> coords{};         // a..h, unsigned 16-bit in the file
    bool flag = false;
    friend bool operator==(const ImageValue&, const ImageValue&) = default;
};

struct FontValue {
    platform::WString description;      // "size bold italic underline face"
    friend bool operator==(const FontValue&, const FontValue&) = default;
};

using PropertyValue =
    std::variant<int, FontValue, zentra::Point, platform::WString, ImageValue, zentra::Color>;

struct Property {
    zentra::PropertyGroup group;
    platform::WString key;
    PropertyValue value;
    friend bool operator==(const Property&, const Property&) = default;
};

struct SkinNode {
    std::vector<Property> properties;   // any order; the writer sorts each group by key
    std::vector<SkinNode> children;     // drawing order
    friend bool operator==(const SkinNode&, const SkinNode&) = default;
};

struct Definition {
    platform::WString name;
    SkinNode root;
    friend bool operator==(const Definition&, const Definition&) = default;
};

struct SkinModel {
    std::vector<Definition> definitions;
};

// Writes the binary skin. The layout is canonical (sorted picture, font and string tables,
// sorted property groups, a balanced definition tree), so equal models give equal bytes.
// Returns false with a message when the model cannot be written (duplicate definition or
// key in one group, a value out of its field's range, key names beyond the first 64 KiB).
bool write_skin(const SkinModel& model, std::vector<uint8_t>& out, std::string& error);

}  // namespace skinc
