#include "skin/bitmap.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>

#include "core/log.h"
#include "skin/skin_file.h"

namespace zentra {

// Far beyond any screen or skin picture; a size above it is a mistake, and refusing it keeps
// the process from committing gigabytes for it.
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;

Bitmap::Bitmap(int width, int height) {
    if (width <= 0 || height <= 0 || width > (INT_MAX - 3) / 2)
        return;
    const int stride = stride_for(width);
    const auto units = static_cast<uint64_t>(stride / 2) * static_cast<uint64_t>(height);
    if (units > kMaxPixels)
        return;
    try {
        m_pixels.assign(static_cast<size_t>(units), 0);
    } catch (const std::bad_alloc&) {
        return;
    } catch (const std::length_error&) {
        return;
    }
    m_width = width;
    m_height = height;
    m_stride = stride;
}

namespace {

// Offsets into the 14-byte file header and the information header that follows it.
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kDataOffsetAt = 10;
constexpr size_t kInfoSizeAt = 14;
constexpr size_t kWidthAt = 18;
constexpr size_t kHeightAt = 22;
constexpr size_t kBitCountAt = 28;
constexpr size_t kCompressionAt = 30;
// The colour masks follow a 40-byte header and sit at the same place inside the larger ones.
constexpr size_t kMasksAt = 54;
constexpr size_t kMinInfoSize = 40;

constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionBitfields = 3;

// Larger pictures are not skin artwork; refusing them keeps a hostile header from asking for
// gigabytes before the row checks run.
constexpr int kMaxSide = 16384;

std::shared_ptr<const Bitmap> empty_bitmap() {
    return std::make_shared<const Bitmap>();
}

std::shared_ptr<const Bitmap> refuse(platform::WStringView name, std::string_view why) {
    velvane::log() << "load_565 " << name << " " << why << "\n";
    return empty_bitmap();
}

std::shared_ptr<const Bitmap> not_16bit(platform::WStringView name) {
    return refuse(name, "is not 16bit bitmap");
}

}  // namespace

std::shared_ptr<const Bitmap> load_565_from_memory(const uint8_t* data, size_t size,
                                                   platform::WStringView name) {
    const skinfile::ByteView bytes(data, size);
    const auto b = bytes.u8(0);
    const auto m = bytes.u8(1);
    const auto info_size = bytes.u32(kInfoSizeAt);
    if (b != 'B' || m != 'M' || !info_size || !bytes.fits(kMasksAt, 0)) {
        return refuse(name, "is not a bitmap");
    }
    if (*info_size < kMinInfoSize || !bytes.fits(kFileHeaderSize, *info_size)) {
        return refuse(name, "has a broken header");
    }
    if (*bytes.u16(kBitCountAt) != 16)
        return not_16bit(name);

    // Pixels are copied as they are, so they must already be RGB565: plain 16-bit data is
    // taken as such (skin artwork has always been written that way), masks must say so.
    const uint32_t compression = *bytes.u32(kCompressionAt);
    uint64_t header_end = kFileHeaderSize + *info_size;
    if (compression == kCompressionBitfields) {
        if (!bytes.fits(kMasksAt, 12))
            return refuse(name, "has a broken header");
        if (*bytes.u32(kMasksAt) != 0xF800 || *bytes.u32(kMasksAt + 4) != 0x07E0 ||
            *bytes.u32(kMasksAt + 8) != 0x001F) {
            return not_16bit(name);
        }
        header_end = std::max<uint64_t>(header_end, kMasksAt + 12);
    } else if (compression != kCompressionRgb) {
        return not_16bit(name);
    }

    const int32_t width = *bytes.i32(kWidthAt);
    const int32_t stored_height = *bytes.i32(kHeightAt);
    if (width <= 0 || width > kMaxSide || stored_height == 0 || stored_height < -kMaxSide ||
        stored_height > kMaxSide) {
        return refuse(name, "has an unusable size");
    }
    const bool top_down = stored_height < 0;
    const int height = top_down ? -stored_height : stored_height;

    // Every row, the last one without its padding, must lie between the data offset and the
    // end of the file.
    const uint64_t data_offset = *bytes.u32(kDataOffsetAt);
    const uint64_t row_bytes = 2 * static_cast<uint64_t>(width);
    const uint64_t file_stride = static_cast<uint64_t>(Bitmap::stride_for(width));
    if (data_offset < header_end ||
        !bytes.fits(data_offset, file_stride * static_cast<uint64_t>(height - 1) + row_bytes)) {
        return refuse(name, "is truncated");
    }

    auto bitmap = std::make_shared<Bitmap>(width, height);
    if (bitmap->empty())
        return empty_bitmap();
    for (int i = 0; i < height; ++i) {
        const uint8_t* src = data + data_offset + file_stride * static_cast<uint64_t>(i);
        uint16_t* dst = bitmap->row(top_down ? i : height - 1 - i);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(dst, src, row_bytes);
        } else {
            for (int x = 0; x < width; ++x) {
                dst[x] = static_cast<uint16_t>(src[2 * x] | (src[2 * x + 1] << 8));
            }
        }
    }
    return bitmap;
}

std::shared_ptr<const Bitmap> load_565(platform::WStringView name) {
    platform::WString path(name);
    path += u".bmp";
    bool short_read = false;
    const auto bytes = skinfile::read_whole_file(path, skinfile::kMaxPictureFileSize, short_read);
    // A missing file reads as no header at all, which is not a 16-bit one either.
    if (!bytes || short_read)
        return not_16bit(name);
    return load_565_from_memory(bytes->data(), bytes->size(), name);
}

}  // namespace zentra
