#pragma once
// The loading side of Properties: reads one skin file, checks its structure, loads its
// pictures, fonts and strings, and answers property reads from the bytes in place.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/ustring.h"
#include "skin/properties.h"
#include "skin/skin_file.h"

namespace zentra {

class PropertiesImpl {
public:
    // Reads the skin file at path and loads it with the metrics' scale shift.
    PropertiesImpl(const platform::WString& path, const ScreenMetrics& metrics);
    // Loads a skin whose bytes are already in memory; path names its folder for pictures.
    // An empty loader reads pictures with load_565.
    PropertiesImpl(std::vector<uint8_t> bytes, const platform::WString& path, int scale_shift,
                   PictureLoader loader = {});
    PropertiesImpl(const PropertiesImpl&) = delete;
    PropertiesImpl& operator=(const PropertiesImpl&) = delete;

    // Stands for the loaded file's header pointer: set only when every step succeeded.
    bool loaded() const { return m_loaded; }
    int scale_shift() const { return m_shift; }

    std::optional<SkinRecord> find_definition(platform::WStringView name) const;
    std::vector<platform::WString> definition_names() const;

    int get_integer(SkinRecord record, platform::WStringView key, int def) const;
    std::shared_ptr<const FontRep> get_font(SkinRecord record, platform::WStringView key,
                                            std::shared_ptr<const FontRep> def) const;
    Point get_point(SkinRecord record, platform::WStringView key, Point def) const;
    platform::WString get_string(SkinRecord record, platform::WStringView key,
                                 platform::WStringView def) const;
    ImageRef get_image(SkinRecord record, platform::WStringView key, const ImageRef& def) const;
    Color get_color(SkinRecord record, platform::WStringView key, Color def) const;

    bool has_group(SkinRecord record, PropertyGroup group) const;
    int child_count(SkinRecord record) const;
    SkinRecord child(SkinRecord record, int index) const;
    std::vector<PropertyEntry> list_properties(SkinRecord record) const;

    const std::vector<platform::WString>& picture_names() const { return m_picture_names; }
    const std::vector<std::shared_ptr<const Bitmap>>& pictures() const { return m_pictures; }
    const std::vector<std::shared_ptr<const FontRep>>& fonts() const { return m_fonts; }
    const std::vector<platform::WString>& strings() const { return m_strings; }

    // The record a child lookup gives for an index that does not exist: every read of it
    // yields the defaults.
    static constexpr SkinRecord kNoRecord{0xFFFFFFFFu};

private:
    void load(int scale_shift, const PictureLoader& loader);
    void refuse(std::string_view why) const;
    bool read_string_area(std::vector<platform::WString>& out);
    bool check_definition_tree();
    bool load_pictures(const PictureLoader& loader);

    skinfile::ByteView bytes() const { return skinfile::ByteView(m_bytes); }
    skinfile::RecordView record(SkinRecord record) const { return {bytes(), record.offset}; }
    int shifted(int value) const;
    ImageRef image_at(uint64_t entry, int& picture_index) const;

    std::vector<uint8_t> m_bytes;
    platform::WString m_path;
    int m_shift = 0;
    bool m_loaded = false;
    int32_t m_root = skinfile::kNoOffset;
    size_t m_tree_size = 0;
    std::vector<platform::WString> m_picture_names;
    std::vector<std::shared_ptr<const Bitmap>> m_pictures;
    std::vector<std::shared_ptr<const FontRep>> m_fonts;
    std::vector<platform::WString> m_strings;
};

}  // namespace zentra
