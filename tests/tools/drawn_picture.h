#pragma once
// A PNG that velvane-skinview drew, read back so tests can look at its pixels as the 565
// values they were drawn with.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "display/png_writer.h"
#include "tools/skinc/pictures.h"

namespace skintest {

class DrawnPicture {
public:
    // Reads png; fails the test when it cannot.
    void read(const std::filesystem::path& png) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(skinc::read_file(png, bytes));
        std::string error;
        ASSERT_TRUE(skinc::decode_png(bytes, m_image, error)) << error;
    }

    int width() const { return m_image.width; }
    int height() const { return m_image.height; }

    skinview::Rgb8 at(int x, int y) const {
        const uint8_t* p = &m_image.pixels.at((static_cast<size_t>(y) * m_image.width + x) * 4);
        return {p[0], p[1], p[2]};
    }
    void expect_at(int x, int y, uint16_t pixel) const {
        EXPECT_EQ(at(x, y), skinview::expand_565(pixel)) << "at " << x << "," << y;
    }

private:
    skinc::RgbaImage m_image;
};

}  // namespace skintest
