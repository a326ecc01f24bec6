#include "app/screen_recorder.h"

#include <cstdio>

#include "core/log.h"
#include "core/paths.h"
#include "platform/files.h"
#include "skin/bitmap.h"
#include "skin/blender.h"
#include "skin/draw.h"
#include "skin/render_surface.h"

namespace velvane {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMasksSize = 12;
constexpr uint32_t kBitfields = 3;

void put16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

}  // namespace

WString ScreenRecorder::marker_path() { return u"\\Temp\\QuorrRecordPicture"; }

WString ScreenRecorder::archive_path() { return u"\\Temp\\" + expand_path(u"%app_name%.zip"); }

ScreenRecorder::ScreenRecorder() {
    const WString marker = marker_path();
    // Checked first so that running without the picture leaves no complaint in the log.
    if (!platform::file_exists(marker + u".bmp"))
        return;
    auto picture = zentra::load_565(marker);
    if (!picture || picture->empty())
        return;
    m_marker = std::move(picture);
    // Marker artwork marks its background with the key colour.
    m_blender = zentra::make_keyed_blender(0);
    m_natural_size = m_marker->height();
    m_largest_size = static_cast<int>(m_natural_size * 3 * 0.5);
    const WString archive = archive_path();
    const bool opened = m_zip.open(archive);
    log() << "Recording frames to " << WStringView(archive) << (opened ? "" : " failed") << "\r\n";
}

ScreenRecorder::~ScreenRecorder() {
    if (recording())
        log() << "Recorded " << m_frame << " frames\r\n";
}

uint32_t ScreenRecorder::event_time(uint32_t message_time) {
    return static_cast<uint32_t>(message_time * 0.16);
}

void ScreenRecorder::on_stylus_down(const zentra::PointerEvent& event) {
    if (!recording())
        return;
    m_stylus = event;
    m_stylus.pressed = true;
    m_target_size = m_largest_size;
}

void ScreenRecorder::on_stylus_up(int x, int y) {
    if (!recording())
        return;
    m_stylus.x = x;
    m_stylus.y = y;
    m_stylus.pressed = false;
    m_target_size = 0;
}

void ScreenRecorder::draw_marker(zentra::RenderSurface& back_buffer) {
    // The marker is drawn at the size it had before this frame's move, so a tap begins
    // with nothing visible and grows from there.
    const int drawn = m_size;
    if (m_size < m_target_size) {
        m_size = m_target_size - m_size < kSizeStep ? m_target_size : m_size + kSizeStep;
    } else if (m_size > m_target_size) {
        m_size = m_size - m_target_size < kSizeStep ? m_target_size : m_size - kSizeStep;
    }
    if (drawn > 0) {
        // Height is the marker's size; the width keeps the picture's proportions.
        const int width = m_marker->width() * drawn / m_marker->height();
        if (width > 0) {
            zentra::scaled_copy(*m_marker, back_buffer,
                                {m_stylus.x - width / 2, m_stylus.y - drawn / 2}, {width, drawn},
                                *m_blender);
        }
    }
    if (m_size == m_largest_size)
        m_target_size = m_natural_size;
    if (m_size < 0)
        m_size = 0;
}

bool ScreenRecorder::record_frame(zentra::RenderSurface& back_buffer) {
    if (!recording() || back_buffer.empty())
        return false;
    if (m_stylus.pressed)
        draw_marker(back_buffer);
    const std::string bytes = bitmap_file(*back_buffer.bitmap());
    // A failed archive call loses that frame only; the numbering goes on regardless.
    if (m_zip.begin_entry(entry_name(m_frame)))
        m_zip.write(bytes.data(), bytes.size());
    ++m_frame;
    return true;
}

std::string ScreenRecorder::entry_name(int frame) {
    char text[32];
    std::snprintf(text, sizeof text, "%05d.bmp", frame);
    return text;
}

std::string ScreenRecorder::bitmap_file(const zentra::Bitmap& bitmap) {
    const int width = bitmap.width();
    const int height = bitmap.height();
    const uint32_t row_size = static_cast<uint32_t>(zentra::Bitmap::stride_for(width));
    const uint32_t data_offset = kFileHeaderSize + kInfoHeaderSize + kMasksSize;
    const uint32_t image_size = row_size * static_cast<uint32_t>(height);

    std::string out;
    out.reserve(data_offset + image_size);
    out += "BM";
    put32(out, data_offset + image_size);
    put32(out, 0);
    put32(out, data_offset);
    put32(out, kInfoHeaderSize);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));  // positive: bottom row first
    put16(out, 1);
    put16(out, 16);
    put32(out, kBitfields);
    put32(out, image_size);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0xF800);
    put32(out, 0x07E0);
    put32(out, 0x001F);
    for (int y = height - 1; y >= 0; --y) {
        const uint16_t* row = bitmap.row(y);
        for (int x = 0; x < width; ++x)
            put16(out, row[x]);
        out.append(row_size - 2 * static_cast<uint32_t>(width), '\0');
    }
    return out;
}

}  // namespace velvane
