#pragma once
// Writes skins back as source text: the compiler's --dump, and the normal form of values
// the compiler stores.

#include <string>
#include <string_view>

#include "platform/ustring.h"
#include "skin/font_desc.h"
#include "skin/properties.h"
#include "tools/skinc/skin_model.h"

namespace skinc {

// "size bold italic underline face" with bold, italic and underline as 0 or 1.
platform::WString format_font_desc(const zentra::FontDesc& font);

// A string in double quotes with the source's escapes; UTF-8.
std::string quote_string(platform::WStringView text);

// The model in the source format, definitions in model order, properties in vector order.
// header lines, if any, come first as "#" comments.
std::string format_source(const SkinModel& model, std::string_view header = {});

// Every definition of a loaded skin, in definition order, with its properties as the loader
// decodes them (after the scale shift) in file order, and its children.
SkinModel read_skin_model(const zentra::Properties& skin);

}  // namespace skinc
