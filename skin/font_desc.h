#pragma once
// A skin font description: "size bold italic underline face...".

#include "platform/ustring.h"

namespace zentra {

struct FontDesc {
    int size = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    platform::WString face = u"Tahoma";
    int scale = 1;  // 2^shift of the skin load
    friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

// Parses over the defaults; parts that are missing or not numbers keep their defaults.
// The face is the whole rest of the text after the blank that follows the fourth number.
FontDesc parse_font_desc(platform::WStringView text, int scale);

}  // namespace zentra
