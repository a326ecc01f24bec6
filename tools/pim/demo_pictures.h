#pragma once
// Portraits for the demo book, drawn here rather than shipped: the person's initials on a
// coloured square, as the contact card shows a photo.

#include <cstdint>
#include <string>

#include "platform/ustring.h"

namespace pim_tool::demo {

enum class PictureFile { png, bmp };

inline constexpr int kPortraitSize = 64;

// The picture file's bytes; colour picks the background from a fixed set.
std::string portrait(platform::WStringView initials, uint32_t colour, PictureFile kind);

}  // namespace pim_tool::demo
