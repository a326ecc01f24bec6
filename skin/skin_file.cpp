#include "skin/skin_file.h"

#include <cstring>
#include <fstream>

#include "platform/files.h"

namespace zentra::skinfile {

std::optional<uint8_t> ByteView::u8(uint64_t offset) const {
    if (!fits(offset, 1))
        return std::nullopt;
    return m_data[offset];
}

std::optional<uint16_t> ByteView::u16(uint64_t offset) const {
    if (!fits(offset, 2))
        return std::nullopt;
    const uint8_t* p = m_data + offset;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

std::optional<int16_t> ByteView::i16(uint64_t offset) const {
    const auto v = u16(offset);
    if (!v)
        return std::nullopt;
    return static_cast<int16_t>(*v);
}

std::optional<uint32_t> ByteView::u32(uint64_t offset) const {
    if (!fits(offset, 4))
        return std::nullopt;
    const uint8_t* p = m_data + offset;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::optional<int32_t> ByteView::i32(uint64_t offset) const {
    const auto v = u32(offset);
    if (!v)
        return std::nullopt;
    return static_cast<int32_t>(*v);
}

std::optional<size_t> ByteView::text_length(uint64_t offset) const {
    if (offset > m_size)
        return std::nullopt;
    const size_t units = (m_size - offset) / 2;
    const uint8_t* p = m_data + offset;
    for (size_t i = 0; i < units; ++i) {
        if (p[2 * i] == 0 && p[2 * i + 1] == 0)
            return i;
    }
    return std::nullopt;
}

std::optional<platform::WString> ByteView::text(uint64_t offset) const {
    const auto length = text_length(offset);
    if (!length)
        return std::nullopt;
    platform::WString out(*length, u'\0');
    const uint8_t* p = m_data + offset;
    for (size_t i = 0; i < *length; ++i) {
        out[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    }
    return out;
}

std::optional<int> ByteView::compare_text(uint64_t offset, platform::WStringView key) const {
    if (offset > m_size)
        return std::nullopt;
    const size_t units = (m_size - offset) / 2;
    const uint8_t* p = m_data + offset;
    for (size_t i = 0; i < units; ++i) {
        const auto c = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (i == key.size())
            return c == 0 ? 0 : 1;
        if (c == 0)
            return -1;
        if (c != key[i])
            return c < key[i] ? -1 : 1;
    }
    return std::nullopt;
}

RecordView::RecordView(ByteView bytes, uint64_t offset) : m_bytes(bytes), m_offset(offset) {
    if (!bytes.fits(offset, kRecordChildren))
        return;
    for (size_t i = 0; i < m_bounds.size(); ++i)
        m_bounds[i] = *bytes.u16(offset + 2 * i);
    m_child_count = *bytes.u16(offset + kRecordChildCount);
    m_valid = true;
}

GroupSpan RecordView::group(PropertyGroup group) const {
    if (!m_valid)
        return {};
    const auto index = static_cast<size_t>(group);
    const size_t start = m_bounds[index];
    const size_t end = m_bounds[index + 1];
    const size_t size = entry_size(group);
    if (start > end || (end - start) % size != 0 || !m_bytes.fits(m_offset + start, end - start)) {
        return {};
    }
    return {m_offset + start, (end - start) / size, size};
}

std::optional<uint64_t> RecordView::find(PropertyGroup group, platform::WStringView key) const {
    const GroupSpan span = this->group(group);
    size_t low = 0;
    size_t high = span.count;
    while (low < high) {
        const size_t mid = (low + high) / 2;
        const uint64_t entry = span.entry(mid);
        const auto order = m_bytes.compare_text(*m_bytes.u16(entry), key);
        if (!order)
            return std::nullopt;
        if (*order > 0) {
            high = mid;
        } else if (*order < 0) {
            low = mid + 1;
        } else {
            return entry;
        }
    }
    return std::nullopt;
}

std::optional<platform::WString> RecordView::key_of(uint64_t entry) const {
    const auto key_offset = m_bytes.u16(entry);
    if (!key_offset)
        return std::nullopt;
    return m_bytes.text(*key_offset);
}

int RecordView::child_count() const {
    if (!m_valid || !m_bytes.fits(m_offset + kRecordChildren, uint64_t{4} * m_child_count))
        return 0;
    return m_child_count;
}

std::optional<uint32_t> RecordView::child_offset(int index) const {
    if (index < 0 || index >= child_count())
        return std::nullopt;
    const int32_t offset = *m_bytes.i32(m_offset + kRecordChildren + 4 * uint64_t(index));
    if (offset < 0)
        return std::nullopt;
    return static_cast<uint32_t>(offset);
}

std::optional<std::vector<uint8_t>> read_whole_file(platform::WStringView path, uint64_t max_size,
                                                    bool& short_read) {
    short_read = false;
    // The platform finds the file whatever the case of its name; the size cap and the
    // short-read report are this reader's own, so it opens the file itself.
    std::ifstream in(platform::native_path(path), std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > max_size)
        return std::nullopt;
    in.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    const std::streamsize got = in.gcount();
    if (got != size) {
        short_read = true;
        bytes.resize(static_cast<size_t>(got));
    }
    return bytes;
}

}  // namespace zentra::skinfile
