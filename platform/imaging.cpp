#include "platform/imaging.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

namespace platform {

namespace {

// How many pixels one byte of a compressed file can stand for at the most, with room to
// spare: a few hundred bytes must not make the decoder reserve a picture of many megabytes.
constexpr int64_t kJpegPixelsPerByte = 1024;
constexpr int64_t kPngPixelsPerByte = 8300;  // deflate's best ratio, 8 pixels a byte
constexpr int64_t kAlwaysAllowedPixels = 65536;

bool size_allowed(int64_t width, int64_t height, std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "the picture has no pixels";
        return false;
    }
    if (width > 65535 || height > 65535 || width * height > kMaxImagePixels) {
        error = "the picture is too large (" + std::to_string(width) + " x " +
                std::to_string(height) + ")";
        return false;
    }
    return true;
}

// The size a file of size bytes can really hold.
bool size_fits_file(int64_t width, int64_t height, size_t size, int64_t pixels_per_byte,
                    std::string& error) {
    if (!size_allowed(width, height, error)) {
        return false;
    }
    if (width * height > static_cast<int64_t>(size) * pixels_per_byte + kAlwaysAllowedPixels) {
        error = "the picture claims " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels in " + std::to_string(size) + " bytes";
        return false;
    }
    return true;
}

// --- JPEG ---------------------------------------------------------------------------------

// The buffers live here rather than in locals: the library's address of this record escapes,
// so what they hold is in memory whenever a failure jumps back.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    RgbaImage image;
    std::vector<uint8_t> row;
};

void jpeg_fail(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Warnings stay quiet, except a file that ends early: the library would make up the rest.
void jpeg_quiet(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        jpeg_fail(info);
    }
}

// gcc at -O1 takes the strings built after a jump for locals that live across it; what is
// read after the jump (info, jerr) lives in memory, as setjmp asks.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wclobbered"
#endif
RgbaImage decode_jpeg(const uint8_t* data, size_t size, std::string& error) {
    jpeg_decompress_struct info {};
    JpegError jerr {};
    info.err = jpeg_std_error(&jerr.manager);
    jerr.manager.error_exit = jpeg_fail;
    jerr.manager.emit_message = jpeg_quiet;
    RgbaImage& image = jerr.image;
    std::vector<uint8_t>& row = jerr.row;
    if (setjmp(jerr.jump) != 0) {
        error = std::string("JPEG: ") + jerr.message;
        jpeg_destroy_decompress(&info);
        return RgbaImage();
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (!size_fits_file(info.image_width, info.image_height, size, kJpegPixelsPerByte, error)) {
        jpeg_destroy_decompress(&info);
        return RgbaImage();
    }
    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    const int channels = info.output_components;
    if ((channels != 3 && channels != 4) || !size_allowed(width, height, error)) {
        if (error.empty()) {
            error = "JPEG: unexpected colour layout";
        }
        jpeg_destroy_decompress(&info);
        return RgbaImage();
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height * 4, 255);
    row.resize(static_cast<size_t>(width) * channels);
    // Adobe writes CMYK inverted; everything else we meet in contact photos does too.
    const bool inverted = info.saw_Adobe_marker;
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        uint8_t* out = image.pixels.data() + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            const uint8_t* in = row.data() + static_cast<size_t>(x) * channels;
            if (channels == 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            } else {
                int c = in[0], m = in[1], yy = in[2], k = in[3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    yy = 255 - yy;
                    k = 255 - k;
                }
                out[0] = static_cast<uint8_t>(c * k / 255);
                out[1] = static_cast<uint8_t>(m * k / 255);
                out[2] = static_cast<uint8_t>(yy * k / 255);
            }
            out += 4;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return std::move(image);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// --- BMP ----------------------------------------------------------------------------------

uint32_t le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// One channel described by a bit mask, widened to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m = 0) : mask(m) {
        if (mask == 0) {
            return;
        }
        while (((mask >> shift) & 1) == 0) {
            ++shift;
        }
        while (bits < 32 - shift && ((mask >> (shift + bits)) & 1) != 0) {
            ++bits;
        }
    }
    uint8_t take(uint32_t pixel, uint8_t absent) const {
        if (bits == 0) {
            return absent;
        }
        const uint32_t value = (pixel & mask) >> shift;
        const uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        return static_cast<uint8_t>((static_cast<uint64_t>(value) * 255 + max / 2) / max);
    }
};

RgbaImage decode_bmp(const uint8_t* data, size_t size, std::string& error) {
    if (size < 26) {
        error = "BMP: file too short";
        return RgbaImage();
    }
    const uint32_t offset = le32(data + 10);
    const uint32_t header = le32(data + 14);
    int64_t width = 0, height = 0;
    uint32_t planes = 0, bpp = 0, compression = 0, colours = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    const bool core = header == 12;
    if (core) {
        width = le16(data + 18);
        height = static_cast<int16_t>(le16(data + 20));
        planes = le16(data + 22);
        bpp = le16(data + 24);
    } else if (header >= 40 && header <= 124 && 14 + static_cast<size_t>(header) <= size) {
        width = static_cast<int32_t>(le32(data + 18));
        height = static_cast<int32_t>(le32(data + 22));
        planes = le16(data + 26);
        bpp = le16(data + 28);
        compression = le32(data + 30);
        colours = le32(data + 46);
        if (header >= 52) {
            masks[0] = le32(data + 54);
            masks[1] = le32(data + 58);
            masks[2] = le32(data + 62);
        }
        if (header >= 56) {
            masks[3] = le32(data + 66);
        }
    } else {
        error = "BMP: unknown header size " + std::to_string(header);
        return RgbaImage();
    }
    const bool top_down = height < 0;
    height = top_down ? -height : height;
    if (planes != 1) {
        error = "BMP: bad plane count";
        return RgbaImage();
    }
    if (!size_allowed(width, height, error)) {
        error = "BMP: " + error;
        return RgbaImage();
    }
    const bool bitfields = compression == 3 || compression == 6;
    if (compression != 0 && !bitfields) {
        error = "BMP: compression " + std::to_string(compression) + " is not supported";
        return RgbaImage();
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        error = "BMP: " + std::to_string(bpp) + " bits a pixel is not supported";
        return RgbaImage();
    }
    if (bitfields && bpp != 16 && bpp != 32) {
        error = "BMP: bit fields need 16 or 32 bits a pixel";
        return RgbaImage();
    }
    // Masks follow a 40-byte header when bit fields are used.
    if (bitfields && header == 40) {
        const size_t count = compression == 6 ? 4 : 3;
        if (14 + 40 + count * 4 > size) {
            error = "BMP: file too short for its masks";
            return RgbaImage();
        }
        for (size_t i = 0; i < count; ++i) {
            masks[i] = le32(data + 54 + i * 4);
        }
    }
    if (!bitfields) {
        if (bpp == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
        } else if (bpp == 32) {
            masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0;
        }
    }

    // The palette sits right after the header.
    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        const size_t entries = colours == 0 || colours > (1u << bpp) ? (1u << bpp) : colours;
        const size_t entry_size = core ? 3 : 4;
        size_t at = 14 + header + (bitfields && header == 40 ? 12 : 0);
        if (at + entries * entry_size > size) {
            error = "BMP: file too short for its palette";
            return RgbaImage();
        }
        for (size_t i = 0; i < entries; ++i, at += entry_size) {
            palette.push_back(data[at] | (data[at + 1] << 8) | (data[at + 2] << 16));
        }
    }

    const uint64_t stride = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
    if (offset > size || stride * height > size - offset) {
        error = "BMP: file too short for its pixels";
        return RgbaImage();
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    RgbaImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.resize(static_cast<size_t>(width) * height * 4);
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* in = data + offset + stride * (top_down ? y : height - 1 - y);
        uint8_t* out = image.pixels.data() + static_cast<size_t>(y) * width * 4;
        for (int64_t x = 0; x < width; ++x, out += 4) {
            if (bpp <= 8) {
                const uint64_t bit = static_cast<uint64_t>(x) * bpp;
                const uint32_t index = (in[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                const uint32_t colour = index < palette.size() ? palette[index] : 0;
                out[0] = static_cast<uint8_t>(colour >> 16);
                out[1] = static_cast<uint8_t>(colour >> 8);
                out[2] = static_cast<uint8_t>(colour);
                out[3] = 255;
            } else if (bpp == 24) {
                const uint8_t* p = in + x * 3;
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
                out[3] = 255;
            } else {
                const uint32_t pixel = bpp == 16 ? le16(in + x * 2) : le32(in + x * 4);
                out[0] = red.take(pixel, 0);
                out[1] = green.take(pixel, 0);
                out[2] = blue.take(pixel, 0);
                out[3] = alpha.take(pixel, 255);
            }
        }
    }
    return image;
}

}  // namespace

ImageFormat sniff_image(const uint8_t* data, size_t size) {
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        return ImageFormat::jpeg;
    }
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) {
        return ImageFormat::png;
    }
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        return ImageFormat::bmp;
    }
    return ImageFormat::unknown;
}

RgbaImage decode_image(const uint8_t* data, size_t size, std::string& error) {
    error.clear();
    if (data == nullptr) {
        size = 0;
    }
    switch (sniff_image(data, size)) {
        case ImageFormat::jpeg:
            return decode_jpeg(data, size, error);
        case ImageFormat::png:
            return decode_png(data, size, error);
        case ImageFormat::bmp:
            return decode_bmp(data, size, error);
        case ImageFormat::unknown:
            break;
    }
    error = size == 0 ? "no picture data" : "not a JPEG, PNG or BMP picture";
    return RgbaImage();
}

// --- PNG ----------------------------------------------------------------------------------

bool read_png_size(const uint8_t* data, size_t size, int& width, int& height, std::string& error) {
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&png, data, size) == 0) {
        error = std::string("PNG: ") + png.message;
        return false;
    }
    png_image_free(&png);
    if (!size_allowed(png.width, png.height, error)) {
        return false;
    }
    width = static_cast<int>(png.width);
    height = static_cast<int>(png.height);
    return true;
}

RgbaImage decode_png(const uint8_t* data, size_t size, std::string& error) {
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&png, data, size) == 0) {
        error = std::string("PNG: ") + png.message;
        return RgbaImage();
    }
    if (!size_fits_file(png.width, png.height, size, kPngPixelsPerByte, error)) {
        png_image_free(&png);
        return RgbaImage();
    }
    png.format = PNG_FORMAT_RGBA;
    RgbaImage image;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) == 0) {
        error = std::string("PNG: ") + png.message;
        png_image_free(&png);
        return RgbaImage();
    }
    return image;
}

std::string encode_png(int width, int height, const uint8_t* pixels, PngChannels channels,
                       std::string& error) {
    std::string bytes;
    if (!size_allowed(width, height, error)) {
        return bytes;
    }
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width);
    png.height = static_cast<png_uint_32>(height);
    png.format = channels == PngChannels::rgba ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (png_image_write_to_memory(&png, nullptr, &size, 0, pixels, 0, nullptr) != 0) {
        bytes.resize(size);
        if (png_image_write_to_memory(&png, bytes.data(), &size, 0, pixels, 0, nullptr) != 0) {
            bytes.resize(size);
            return bytes;
        }
    }
    error = std::string("PNG: ") + png.message;
    png_image_free(&png);
    bytes.clear();
    return bytes;
}

void fit_into_box(int image_width, int image_height, int box_width, int box_height, int& width,
                  int& height) {
    width = 0;
    height = 0;
    if (image_width <= 0 || image_height <= 0 || box_width <= 0 || box_height <= 0) {
        return;
    }
    if (image_width <= box_width && image_height <= box_height) {
        width = image_width;
        height = image_height;
    } else if (static_cast<int64_t>(box_width) * image_height >=
               static_cast<int64_t>(image_width) * box_height) {
        // The height binds.
        height = box_height;
        width = static_cast<int>(static_cast<int64_t>(image_width) * box_height / image_height);
    } else {
        width = box_width;
        height = static_cast<int>(static_cast<int64_t>(image_height) * box_width / image_width);
    }
    width = width < 1 ? 1 : width;
    height = height < 1 ? 1 : height;
}

RgbaImage thumbnail(const RgbaImage& image, int width, int height) {
    RgbaImage out;
    if (image.empty() || width <= 0 || height <= 0 ||
        image.pixels.size() < static_cast<size_t>(image.width) * image.height * 4) {
        return out;
    }
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<size_t>(width) * height * 4);
    // Source spans per target column and row; at least one pixel each, so enlarging repeats.
    auto spans = [](int source, int target) {
        std::vector<std::pair<int, int>> result(target);
        for (int i = 0; i < target; ++i) {
            int begin = static_cast<int>(static_cast<int64_t>(i) * source / target);
            int end = static_cast<int>(static_cast<int64_t>(i + 1) * source / target);
            end = end <= begin ? begin + 1 : end;
            result[i] = {begin, end};
        }
        return result;
    };
    const auto columns = spans(image.width, width);
    const auto rows = spans(image.height, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Colours are averaged weighted by alpha so clear pixels do not darken edges.
            uint64_t r = 0, g = 0, b = 0, a = 0, count = 0;
            for (int sy = rows[y].first; sy < rows[y].second; ++sy) {
                const uint8_t* p = image.pixels.data() +
                                   (static_cast<size_t>(sy) * image.width + columns[x].first) * 4;
                for (int sx = columns[x].first; sx < columns[x].second; ++sx, p += 4) {
                    r += p[0] * p[3];
                    g += p[1] * p[3];
                    b += p[2] * p[3];
                    a += p[3];
                    ++count;
                }
            }
            uint8_t* q = out.pixels.data() + (static_cast<size_t>(y) * width + x) * 4;
            if (a == 0) {
                q[0] = q[1] = q[2] = q[3] = 0;
            } else {
                q[0] = static_cast<uint8_t>((r + a / 2) / a);
                q[1] = static_cast<uint8_t>((g + a / 2) / a);
                q[2] = static_cast<uint8_t>((b + a / 2) / a);
                q[3] = static_cast<uint8_t>((a + count / 2) / count);
            }
        }
    }
    return out;
}

Picture565 draw_565(const RgbaImage& image) {
    Picture565 out;
    if (image.empty() || image.pixels.size() < static_cast<size_t>(image.width) * image.height * 4) {
        return out;
    }
    out.width = image.width;
    out.height = image.height;
    out.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (size_t i = 0; i < out.pixels.size(); ++i) {
        const uint8_t* p = image.pixels.data() + i * 4;
        const uint32_t a = p[3];
        const uint32_t r = (p[0] * a + 127) / 255;
        const uint32_t g = (p[1] * a + 127) / 255;
        const uint32_t b = (p[2] * a + 127) / 255;
        out.pixels[i] = static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
    }
    return out;
}

}  // namespace platform
