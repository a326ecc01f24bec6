#pragma once
// Screenshots read back as 8-bit RGB pixels, and pictures written for the picture chooser.

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // row after row, 3 bytes a pixel

    bool empty() const { return rgb.empty(); }
    uint32_t at(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
};

inline Picture read_png(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        return {};
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

}  // namespace e2e

namespace e2e {

// Writes 8-bit RGB pixels as a PNG file; false when it cannot be written.
inline bool write_png(const std::string& path, const Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) != 0;
}

}  // namespace e2e
