#include "tools/skinc/pictures.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/files.h"
#include "skin/bitmap.h"

namespace skinc {

namespace {

namespace fs = std::filesystem;

uint32_t read_u32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void put_u16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void put_u32(std::vector<uint8_t>& b, uint32_t v) {
    put_u16(b, v & 0xFFFF);
    put_u16(b, v >> 16);
}

constexpr uint16_t pack_565(int r, int g, int b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

fs::path picture_path(const SkinPicture& picture, const char* extension) {
    return fs::path(picture.folder) / (platform::to_utf8(picture.name) + extension);
}

std::string display(const SkinPicture& picture) {
    return "picture '" + platform::to_utf8(picture.name) + "'";
}

}  // namespace

uint16_t convert_pixel(uint8_t r, uint8_t g, uint8_t b, uint8_t a, int alpha_level) {
    const int alpha = (a * alpha_level + 127) / 255;
    if (alpha <= 0) {
        return kKeyColor;
    }
    if (alpha >= 255) {
        return pack_565(r, g, b) | kOpaqueBit;
    }
    // Stored already darkened to the share it contributes; the copy adds the share of the
    // background that its level lets through.
    const uint16_t pixel =
        pack_565((r * alpha + 127) / 255, (g * alpha + 127) / 255, (b * alpha + 127) / 255) &
        static_cast<uint16_t>(~kOpaqueBit);
    // Near-opaque magenta would land on the key colour and vanish; one step less blue keeps
    // it visible.
    return pixel == kKeyColor ? static_cast<uint16_t>(kKeyColor - 1) : pixel;
}

bool decode_png(const std::vector<uint8_t>& bytes, RgbaImage& image, std::string& error) {
    image = platform::decode_png(bytes.data(), bytes.size(), error);
    return !image.empty();
}

std::optional<zentra::Size> png_size(const std::vector<uint8_t>& bytes, std::string& error) {
    zentra::Size size;
    if (!platform::read_png_size(bytes.data(), bytes.size(), size.w, size.h, error)) {
        return std::nullopt;
    }
    return size;
}

std::vector<uint16_t> convert_image(const RgbaImage& image, int alpha_level) {
    std::vector<uint16_t> out(static_cast<size_t>(image.width) * image.height);
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t* p = &image.pixels[4 * i];
        out[i] = convert_pixel(p[0], p[1], p[2], p[3], alpha_level);
    }
    return out;
}

std::vector<uint8_t> encode_bmp_565(int width, int height, const std::vector<uint16_t>& pixels) {
    const uint32_t stride = static_cast<uint32_t>(zentra::Bitmap::stride_for(width));
    const uint32_t data_offset = 14 + 40 + 12;
    const uint32_t data_size = stride * static_cast<uint32_t>(height);
    std::vector<uint8_t> b;
    b.reserve(data_offset + data_size);
    // File header.
    b.push_back('B');
    b.push_back('M');
    put_u32(b, data_offset + data_size);
    put_u32(b, 0);
    put_u32(b, data_offset);
    // Information header: positive height, so rows are stored bottom-up.
    put_u32(b, 40);
    put_u32(b, static_cast<uint32_t>(width));
    put_u32(b, static_cast<uint32_t>(height));
    put_u16(b, 1);
    put_u16(b, 16);
    put_u32(b, 3);  // BI_BITFIELDS
    put_u32(b, data_size);
    put_u32(b, 2835);  // 72 dpi, which nothing reads
    put_u32(b, 2835);
    put_u32(b, 0);
    put_u32(b, 0);
    put_u32(b, 0xF800);
    put_u32(b, 0x07E0);
    put_u32(b, 0x001F);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            put_u16(b, pixels[static_cast<size_t>(y) * width + x]);
        }
        for (uint32_t pad = 2 * static_cast<uint32_t>(width); pad < stride; ++pad) {
            b.push_back(0);
        }
    }
    return b;
}

bool check_bmp_565(const std::vector<uint8_t>& bytes, platform::WStringView name,
                   std::string& error) {
    const auto bitmap = zentra::load_565_from_memory(bytes.data(), bytes.size(), name);
    if (!bitmap || bitmap->empty()) {
        error = "not a 16-bit bitmap the skin loader can read";
        return false;
    }
    // The loader has read the headers, so the first 54 bytes exist.
    const uint32_t compression = read_u32(bytes, 30);
    if (compression == 0) {
        error = "16-bit bitmap without colour masks holds RGB555, not RGB565";
        return false;
    }
    if (compression != 3 || bytes.size() < 66 || read_u32(bytes, 54) != 0xF800 ||
        read_u32(bytes, 58) != 0x07E0 || read_u32(bytes, 62) != 0x001F) {
        error = "16-bit bitmap whose colour masks are not RGB565 (F800/07E0/001F)";
        return false;
    }
    return true;
}

std::optional<fs::path> picture_source(const SkinPicture& picture) {
    std::error_code ec;
    for (const char* extension : {".png", ".bmp"}) {
        fs::path path = picture_path(picture, extension);
        if (fs::is_regular_file(path, ec)) {
            return path;
        }
    }
    return std::nullopt;
}

std::optional<zentra::Size> picture_file_size(const SkinPicture& picture, std::string& error) {
    const std::optional<fs::path> source = picture_source(picture);
    std::vector<uint8_t> bytes;
    if (!source || !read_file(*source, bytes)) {
        error = display(picture) + ": no " + platform::to_utf8(picture.name) + ".png or " +
                platform::to_utf8(picture.name) + ".bmp in '" + picture.folder + "'";
        return std::nullopt;
    }
    std::string why;
    if (source->extension() == ".png") {
        if (auto size = png_size(bytes, why)) {
            return size;
        }
    } else if (check_bmp_565(bytes, picture.name, why)) {
        const auto bitmap = zentra::load_565_from_memory(bytes.data(), bytes.size(), picture.name);
        return zentra::Size{bitmap->width(), bitmap->height()};
    }
    error = source->string() + ": " + why;
    return std::nullopt;
}

bool export_pictures(const std::vector<SkinPicture>& pictures, const fs::path& folder,
                     std::string& error) {
    for (const SkinPicture& picture : pictures) {
        if (!picture.used) {
            continue;
        }
        const std::optional<fs::path> source = picture_source(picture);
        std::vector<uint8_t> bytes;
        if (!source || !read_file(*source, bytes)) {
            error = display(picture) + ": no " + platform::to_utf8(picture.name) + ".png or " +
                    platform::to_utf8(picture.name) + ".bmp in '" + picture.folder + "'";
            return false;
        }
        const fs::path target = folder / (platform::to_utf8(picture.name) + ".bmp");
        std::string why;
        if (source->extension() == ".png") {
            RgbaImage image;
            if (!decode_png(bytes, image, why)) {
                error = source->string() + ": " + why;
                return false;
            }
            bytes = encode_bmp_565(image.width, image.height, convert_image(image, picture.alpha));
        } else {
            if (picture.alpha != 255) {
                error = source->string() + ": an alpha level applies only to PNG pictures";
                return false;
            }
            if (!check_bmp_565(bytes, picture.name, why)) {
                error = source->string() + ": " + why;
                return false;
            }
            std::error_code ec;
            if (fs::equivalent(*source, target, ec)) {
                continue;  // compiled into its own source folder: already in place
            }
        }
        if (!write_file_atomically(target, bytes, error)) {
            return false;
        }
    }
    return true;
}

bool read_file(const fs::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool write_file_atomically(const fs::path& path, const std::vector<uint8_t>& bytes,
                           std::string& error) {
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!platform::replace_file(path.string(), view, error)) {
        error = path.string() + ": cannot replace the file (" + error + ")";
        return false;
    }
    return true;
}

}  // namespace skinc
