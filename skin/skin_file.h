#pragma once
// The binary skin layout and checked reads of it. The file comes from outside, so every
// read here is bounds-checked against the buffer and goes through memcpy-style byte access:
// a bad offset gives "nothing there", never a read past the end.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ustring.h"
#include "skin/properties.h"

namespace zentra::skinfile {

// Header.
inline constexpr size_t kHeaderSize = 92;
inline constexpr std::array<uint16_t, 4> kMagic = {0x0421, 0x043A, 0x0438, 0x043D};
inline constexpr size_t kRootOffsetAt = 72;
inline constexpr size_t kPictureCountAt = 76;
inline constexpr size_t kFontCountAt = 80;
inline constexpr size_t kStringAreaAt = 84;
inline constexpr size_t kStringCountAt = 88;
inline constexpr int32_t kNoOffset = -1;

// A definition tree node: left, right, name offset, then the node record in place.
inline constexpr size_t kTreeLeft = 0;
inline constexpr size_t kTreeRight = 4;
inline constexpr size_t kTreeName = 8;
inline constexpr size_t kTreeRecord = 12;

// Node record: seven uint16 group bounds relative to the record, the child count, then the
// int32 file offsets of the children.
inline constexpr size_t kRecordBounds = 0;
inline constexpr size_t kRecordChildCount = 14;
inline constexpr size_t kRecordChildren = 16;
inline constexpr size_t kGroupCount = 6;
inline constexpr std::array<size_t, kGroupCount> kEntrySize = {8, 8, 8, 4, 20, 8};

// Key names are addressed by uint16 file offsets.
inline constexpr size_t kKeyArea = 0x10000;

// Limits on the record graph below a definition: deeper nesting or a larger expansion is a
// malformed file, not a screen (and the node builder recurses once per level).
inline constexpr int kMaxDepth = 64;
inline constexpr uint64_t kMaxNodesPerDefinition = 1u << 16;

// Files above these sizes are refused before they are read; real skins are a small fraction.
inline constexpr uint64_t kMaxSkinFileSize = 32u << 20;
inline constexpr uint64_t kMaxPictureFileSize = 64u << 20;

// No property index reaches past this many pictures, fonts or strings (string indexes are
// uint16, picture indexes uint8), so larger tables only mean a broken or hostile file; the
// limit also bounds what the table reading allocates.
inline constexpr uint32_t kMaxTableSize = 0x10000;

constexpr size_t entry_size(PropertyGroup group) {
    return kEntrySize[static_cast<size_t>(group)];
}

// Checked little-endian reads of one buffer.
class ByteView {
public:
    ByteView() = default;
    ByteView(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    explicit ByteView(const std::vector<uint8_t>& bytes)
        : m_data(bytes.data()), m_size(bytes.size()) {}

    size_t size() const { return m_size; }
    const uint8_t* data() const { return m_data; }
    // True when [offset, offset + length) lies inside the buffer; overflow-safe.
    bool fits(uint64_t offset, uint64_t length) const {
        return offset <= m_size && length <= m_size - offset;
    }

    std::optional<uint8_t> u8(uint64_t offset) const;
    std::optional<uint16_t> u16(uint64_t offset) const;
    std::optional<int16_t> i16(uint64_t offset) const;
    std::optional<uint32_t> u32(uint64_t offset) const;
    std::optional<int32_t> i32(uint64_t offset) const;

    // Length in code units of the NUL-terminated UTF-16 text at offset, or none when the
    // text runs past the end of the buffer.
    std::optional<size_t> text_length(uint64_t offset) const;
    std::optional<platform::WString> text(uint64_t offset) const;
    // Compares the stored text at offset with key, unit by unit as unsigned values, a proper
    // prefix lower: <0, 0, >0 as stored < key, ==, >. None when the stored text is unterminated.
    std::optional<int> compare_text(uint64_t offset, platform::WStringView key) const;

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

// One property group of a record: the file offset of its first entry and the entry count.
// A malformed group (bounds out of order or outside the buffer, a partial entry) is empty.
struct GroupSpan {
    uint64_t first = 0;
    size_t count = 0;
    size_t entry_size = 0;
    uint64_t entry(size_t index) const { return first + index * entry_size; }
};

// A node record read in place.
class RecordView {
public:
    RecordView(ByteView bytes, uint64_t offset);

    // The 16-byte record header lies inside the buffer.
    bool valid() const { return m_valid; }
    GroupSpan group(PropertyGroup group) const;
    // File offset of the entry with this key, by binary search over the sorted entries. An
    // entry whose key name is out of range or unterminated ends the search with none.
    std::optional<uint64_t> find(PropertyGroup group, platform::WStringView key) const;
    // Key name of an entry, for listings; none when out of range or unterminated.
    std::optional<platform::WString> key_of(uint64_t entry) const;

    // The child count, or 0 when the child offsets do not fit the buffer.
    int child_count() const;
    // The file offset of child i as stored; none when i is out of range or it is negative.
    std::optional<uint32_t> child_offset(int index) const;

private:
    ByteView m_bytes;
    uint64_t m_offset = 0;
    bool m_valid = false;
    std::array<uint16_t, kGroupCount + 1> m_bounds{};
    uint16_t m_child_count = 0;
};

// Reads a whole file named in the program's form ("\" separators, any case). None when it
// cannot be opened or is larger than max_size; short reports a read that stopped early (the
// bytes read so far are returned).
std::optional<std::vector<uint8_t>> read_whole_file(platform::WStringView path, uint64_t max_size,
                                                    bool& short_read);

}  // namespace zentra::skinfile
