#pragma once
// Platform fonts: a face found by name through fontconfig (a missing face is substituted by
// the closest installed one), rasterised by FreeType. The interface keeps the handheld's
// shape: create from a logical description, read the text metrics once, measure a string
// with the extent after each character, draw a string into a 16-bit RGB565 bitmap.

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/ustring.h"

namespace platform {

struct FontRequest {
    WString face;
    // Logical height: negative is the character (em) height in pixels, positive the cell
    // height (ascent + descent), 0 a default size.
    int height = 0;
    int weight = 400;  // 700 and above is bold
    bool italic = false;
    bool underline = false;
};

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int height = 0;            // ascent + descent: one line
    int internal_leading = 0;  // height minus the em height
};

// Where and how large a string came out.
struct TextExtent {
    int width = 0;
    int height = 0;
};

class Font {
public:
    // Null when no face could be found or opened.
    static std::unique_ptr<Font> create(const FontRequest& request);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const FontMetrics& metrics() const { return m_metrics; }
    // The file the face came from, for the log.
    const std::string& file() const { return m_file; }

    // The advance width of text and the line height. With extents, extents[i] is the width
    // of text[0..i] (code units; both units of a surrogate pair get the pair's end).
    TextExtent measure(WStringView text, std::vector<int>* extents = nullptr) const;

    // Blends text antialiased into the RGB565 rows at pixels (stride in bytes, width x
    // height pixels), the top of its line cell at (x, y); everything outside the bitmap is
    // clipped. Characters below U+0020 take no room and draw nothing.
    void draw(WStringView text, uint16_t* pixels, int stride, int width, int height, int x, int y,
              uint8_t red, uint8_t green, uint8_t blue) const;

private:
    struct Glyph {
        int advance = 0;
        int left = 0;  // bitmap offset from the pen
        int top = 0;   // bitmap rows above the baseline
        int width = 0;
        int rows = 0;
        std::vector<uint8_t> coverage;
    };
    struct Impl;

    Font();
    const Glyph& glyph(char32_t code) const;

    std::unique_ptr<Impl> m_impl;
    FontMetrics m_metrics;
    std::string m_file;
    bool m_underline = false;
    int m_underline_position = 0;  // rows below the baseline
    int m_underline_thickness = 1;
    // Glyphs are rasterised once; fonts are shared, and the loader thread may measure while
    // the UI thread draws.
    mutable std::mutex m_mutex;
    mutable std::unordered_map<char32_t, Glyph> m_glyphs;
};

// Decodes the code point starting at text[i] and the number of units it takes (a lone
// surrogate is itself, one unit).
char32_t code_point_at(WStringView text, size_t i, size_t& units);

}  // namespace platform
