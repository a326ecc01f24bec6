#include "display/png_writer.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace skinview {

bool write_png(const std::string& path, const zentra::Bitmap& bitmap, std::string& error) {
    if (bitmap.empty()) {
        error = "nothing to write: the picture is empty";
        return false;
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(bitmap.width()) * bitmap.height() * 3);
    uint8_t* out = rgb.data();
    for (int y = 0; y < bitmap.height(); ++y) {
        const uint16_t* row = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            const Rgb8 pixel = expand_565(row[x]);
            *out++ = pixel.r;
            *out++ = pixel.g;
            *out++ = pixel.b;
        }
    }

    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(bitmap.width());
    png.height = static_cast<png_uint_32>(bitmap.height());
    png.format = PNG_FORMAT_RGB;
    // A new file renamed over the old one, so a viewer never reads half a picture.
    const std::string temporary = path + ".part";
    if (!png_image_write_to_file(&png, temporary.c_str(), 0, rgb.data(), 0, nullptr)) {
        error = path + ": " + png.message;
        png_image_free(&png);
        std::remove(temporary.c_str());
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = path + ": " + ec.message();
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace skinview
