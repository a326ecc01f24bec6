#include "tools/pim/demo_pictures.h"

#include <array>
#include <memory>
#include <vector>

#include "platform/font.h"
#include "platform/imaging.h"

namespace pim_tool::demo {

namespace {

struct Rgb {
    uint8_t r, g, b;
};

constexpr std::array<Rgb, 10> kBackgrounds = {{{0x1E, 0x88, 0xE5}, {0x43, 0xA0, 0x47},
                                               {0xE5, 0x39, 0x35}, {0x8E, 0x24, 0xAA},
                                               {0xFB, 0x8C, 0x00}, {0x00, 0x89, 0x7B},
                                               {0x6D, 0x4C, 0x41}, {0x39, 0x49, 0xAB},
                                               {0xC0, 0x18, 0x5B}, {0x54, 0x6E, 0x7A}}};

uint16_t pack(int r, int g, int b) {
    return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

const platform::Font* initials_font() {
    static const std::unique_ptr<platform::Font> font = [] {
        platform::FontRequest request;
        request.face = u"DejaVu Sans";
        request.height = -26;
        request.weight = 700;
        return platform::Font::create(request);
    }();
    return font.get();
}

// Head and shoulders, for when no font can be had.
void draw_silhouette(std::vector<uint16_t>& pixels, Rgb base) {
    const uint16_t light = pack((base.r + 255 * 2) / 3, (base.g + 255 * 2) / 3, (base.b + 255 * 2) / 3);
    constexpr int n = kPortraitSize;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const int hx = x - n / 2, hy = y - n * 3 / 8;
            const int sx = x - n / 2, sy = y - n;
            if (hx * hx + hy * hy <= (n / 6) * (n / 6) || sx * sx + sy * sy <= (n * 3 / 8) * (n * 3 / 8)) {
                pixels[static_cast<size_t>(y) * n + x] = light;
            }
        }
    }
}

std::vector<uint8_t> rgb_rows(const std::vector<uint16_t>& pixels) {
    std::vector<uint8_t> rgb;
    rgb.reserve(pixels.size() * 3);
    for (uint16_t p : pixels) {
        const unsigned r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
        rgb.push_back(static_cast<uint8_t>(r << 3 | r >> 2));
        rgb.push_back(static_cast<uint8_t>(g << 2 | g >> 4));
        rgb.push_back(static_cast<uint8_t>(b << 3 | b >> 2));
    }
    return rgb;
}

std::string png_file(const std::vector<uint8_t>& rgb) {
    std::string error;
    return platform::encode_png(kPortraitSize, kPortraitSize, rgb.data(), platform::PngChannels::rgb,
                                error);
}

void put_le(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    }
}

// 24 bits a pixel, bottom-up, rows padded to four bytes.
std::string bmp_file(const std::vector<uint8_t>& rgb) {
    constexpr int n = kPortraitSize;
    constexpr uint32_t stride = (n * 3 + 3) / 4 * 4;
    std::string out = "BM";
    put_le(out, 54 + stride * n, 4);
    put_le(out, 0, 4);
    put_le(out, 54, 4);
    put_le(out, 40, 4);
    put_le(out, n, 4);
    put_le(out, n, 4);
    put_le(out, 1, 2);
    put_le(out, 24, 2);
    put_le(out, 0, 4);
    put_le(out, stride * n, 4);
    put_le(out, 2835, 4);
    put_le(out, 2835, 4);
    put_le(out, 0, 4);
    put_le(out, 0, 4);
    for (int y = n - 1; y >= 0; --y) {
        const uint8_t* row = rgb.data() + static_cast<size_t>(y) * n * 3;
        for (int x = 0; x < n; ++x) {
            out.push_back(static_cast<char>(row[x * 3 + 2]));
            out.push_back(static_cast<char>(row[x * 3 + 1]));
            out.push_back(static_cast<char>(row[x * 3]));
        }
        out.append(stride - n * 3, '\0');
    }
    return out;
}

}  // namespace

std::string portrait(platform::WStringView initials, uint32_t colour, PictureFile kind) {
    constexpr int n = kPortraitSize;
    const Rgb base = kBackgrounds[colour % kBackgrounds.size()];
    std::vector<uint16_t> pixels(static_cast<size_t>(n) * n);
    // A soft diagonal shade, so the picture is not flat.
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const int shade = (x + y) * 24 / (2 * n) - 12;
            const auto channel = [shade](int c) { return c + shade < 0 ? 0 : c + shade > 255 ? 255 : c + shade; };
            pixels[static_cast<size_t>(y) * n + x] = pack(channel(base.r), channel(base.g), channel(base.b));
        }
    }
    const platform::Font* font = initials_font();
    if (font != nullptr && !initials.empty()) {
        const platform::TextExtent extent = font->measure(initials);
        font->draw(initials, pixels.data(), n * 2, n, n, (n - extent.width) / 2,
                   (n - extent.height) / 2, 255, 255, 255);
    } else {
        draw_silhouette(pixels, base);
    }
    const std::vector<uint8_t> rgb = rgb_rows(pixels);
    return kind == PictureFile::png ? png_file(rgb) : bmp_file(rgb);
}

}  // namespace pim_tool::demo
