#pragma once
// Builders for the loader tests: skins through the compiler's writer, 16-bit BMP files by
// hand, and a private temporary folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/ustring.h"
#include "skin/properties.h"
#include "tools/skinc/skin_model.h"
#include "tools/skinc/source_parser.h"

namespace skintest {

using platform::WString;
using zentra::PropertyGroup;

inline skinc::Property integer(WString key, int value) {
    return {PropertyGroup::Integer, std::move(key), value};
}
inline skinc::Property font(WString key, WString description) {
    return {PropertyGroup::Font, std::move(key), skinc::FontValue{std::move(description)}};
}
inline skinc::Property point(WString key, int x, int y) {
    return {PropertyGroup::Point, std::move(key), zentra::Point{x, y}};
}
inline skinc::Property string(WString key, WString value) {
    return {PropertyGroup::String, std::move(key), std::move(value)};
}
inline skinc::Property image(WString key, WString picture, std::array<int, 8> coords,
                             bool flag = false) {
    return {PropertyGroup::Image, std::move(key),
            skinc::ImageValue{std::move(picture), coords, flag}};
}
inline skinc::Property color(WString key, uint8_t r, uint8_t g, uint8_t b) {
    return {PropertyGroup::Color, std::move(key), zentra::Color{r, g, b, 255}};
}

// Compiles skin source text into the bytes the loader reads.
inline void compile_source(const std::string& source, std::vector<uint8_t>& bytes) {
    skinc::SkinSource parsed;
    skinc::SourceError error;
    ASSERT_TRUE(skinc::parse_source(source, "test.vskin", parsed, {}, error)) << error.text();
    std::string why;
    ASSERT_TRUE(skinc::write_skin(parsed.model, bytes, why)) << why;
}

// Compiles skin source text and loads it as the program would.
inline void load_source(zentra::Properties& skin, const std::string& source) {
    std::vector<uint8_t> bytes;
    compile_source(source, bytes);
    ASSERT_TRUE(skin.load_skin_from_memory(std::move(bytes), u"/skins/test.skin", {}));
}

inline std::vector<uint8_t> build_skin(const skinc::SkinModel& model) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(skinc::write_skin(model, bytes, error)) << error;
    return bytes;
}

inline uint16_t get16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
inline int32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
                                (uint32_t(b.at(at + 3)) << 24));
}
inline void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b.at(at) = uint8_t(v);
    b.at(at + 1) = uint8_t(v >> 8);
}
inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.at(at + i) = uint8_t(v >> (8 * i));
}

struct BmpOptions {
    uint32_t info_size = 40;
    uint32_t compression = 0;
    std::array<uint32_t, 3> masks = {0xF800, 0x07E0, 0x001F};
    bool top_down = false;
    uint16_t bit_count = 16;
};

// A 16-bit BMP whose pixel (x, y), y counted from the top, is pixel(x, y).
template <typename Pixel>
std::vector<uint8_t> make_bmp(int width, int height, Pixel pixel, const BmpOptions& o = {}) {
    const size_t masks_end = 14 + std::max<size_t>(o.info_size, o.compression == 3 ? 52 : 0);
    const size_t data = masks_end;
    const size_t stride = (2 * size_t(width) + 3) & ~size_t{3};
    std::vector<uint8_t> b(data + stride * height, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, uint32_t(b.size()));
    put32(b, 10, uint32_t(data));
    put32(b, 14, o.info_size);
    put32(b, 18, uint32_t(width));
    put32(b, 22, uint32_t(o.top_down ? -height : height));
    put16(b, 26, 1);
    put16(b, 28, o.bit_count);
    put32(b, 30, o.compression);
    if (o.compression == 3) {
        for (int i = 0; i < 3; ++i)
            put32(b, 54 + 4 * i, o.masks[i]);
    }
    for (int y = 0; y < height; ++y) {
        const size_t row = data + stride * size_t(o.top_down ? y : height - 1 - y);
        for (int x = 0; x < width; ++x)
            put16(b, row + 2 * x, pixel(x, y));
    }
    return b;
}

// A private folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() /
                 ("velvane-skin-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Path of a file in the folder, in the program's form.
    WString file(const std::string& name) const {
        return platform::from_utf8((m_path / name).string());
    }
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(m_path / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

private:
    std::filesystem::path m_path;
};

}  // namespace skintest
