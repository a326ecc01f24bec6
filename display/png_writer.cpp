#include "display/png_writer.h"

#include <vector>

#include "platform/files.h"
#include "platform/imaging.h"

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

    const std::string png = platform::encode_png(bitmap.width(), bitmap.height(), rgb.data(),
                                                 platform::PngChannels::rgb, error);
    if (png.empty()) {
        error = path + ": " + error;
        return false;
    }
    // Replaced whole, so a viewer never reads half a picture.
    if (!platform::replace_file(path, png, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace skinview
