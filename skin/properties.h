#pragma once
// The loaded skin: one file kept whole in memory, its node records read in place.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "platform/ustring.h"
#include "skin/color.h"
#include "skin/font.h"
#include "skin/font_desc.h"
#include "skin/geometry.h"
#include "skin/image_ref.h"
#include "skin/screen_metrics.h"

namespace zentra {

class Properties;
class PropertiesImpl;

// Where a node record starts in the loaded file. Valid only while that skin is loaded.
struct SkinRecord {
    uint32_t offset = 0;
    friend bool operator==(const SkinRecord&, const SkinRecord&) = default;
};

// The six property groups in file order.
enum class PropertyGroup { Integer, Font, Point, String, Image, Color };

// One property as the loader decodes it, for tools that list a record.
struct PropertyEntry {
    PropertyGroup group;
    platform::WString key;
    std::variant<int, std::shared_ptr<const FontDesc>, Point, platform::WString, ImageRef, Color>
        value;
    // Fonts are listed by their description, as the skin source writes them.
    // Index into the picture table, for image properties (tools print the picture name).
    int picture_index = -1;
};

// Turns a picture path in the program's form (skin folder + "\" + name, without ".bmp") into
// a picture; an empty picture means it failed. The default reads it with load_565.
using PictureLoader = std::function<std::shared_ptr<const Bitmap>(platform::WStringView path)>;

// Told when a new skin has replaced the old one, so nodes rebuild from the new records.
class ReloadListener {
public:
    virtual ~ReloadListener() = default;
    virtual void on_reload_skin(Properties& properties) = 0;
};

class Properties {
public:
    Properties();
    ~Properties();
    Properties(const Properties&) = delete;
    Properties& operator=(const Properties&) = delete;

    // All or nothing: on failure the skin loaded before stays exactly as it was.
    bool load_skin(const platform::WString& path, const ScreenMetrics& metrics);
    // The same for a skin whose bytes are already in memory (tools, tests, fuzzing); path
    // names the folder its pictures are read from.
    bool load_skin_from_memory(std::vector<uint8_t> bytes, const platform::WString& path,
                               const ScreenMetrics& metrics, PictureLoader picture_loader = {});
    bool is_loaded() const;
    const platform::WString& skin_path() const { return m_path; }
    int scale_shift() const;

    std::optional<SkinRecord> find_definition(platform::WStringView name) const;
    // Names of every definition, in tree order (sorted).
    std::vector<platform::WString> definition_names() const;

    // Typed getters; a missing or malformed property gives the default unchanged.
    int get_integer(SkinRecord record, platform::WStringView key, int def) const;
    // The shared font of the cache; its description() gives back what the skin wrote.
    std::shared_ptr<const FontRep> get_font(SkinRecord record, platform::WStringView key,
                                            std::shared_ptr<const FontRep> def) const;
    Point get_point(SkinRecord record, platform::WStringView key, Point def) const;
    platform::WString get_string(SkinRecord record, platform::WStringView key,
                                 platform::WStringView def = {}) const;
    ImageRef get_image(SkinRecord record, platform::WStringView key, const ImageRef& def) const;
    Color get_color(SkinRecord record, platform::WStringView key, Color def) const;

    bool has_group(SkinRecord record, PropertyGroup group) const;
    int child_count(SkinRecord record) const;
    SkinRecord child(SkinRecord record, int index) const;
    // Every property of a record, group by group, each group in key order.
    std::vector<PropertyEntry> list_properties(SkinRecord record) const;

    // Tables of the loaded file, by index.
    int picture_count() const;
    const platform::WString& picture_name(int index) const;
    std::shared_ptr<const Bitmap> picture(int index) const;
    int font_count() const;
    std::shared_ptr<const FontRep> font(int index) const;
    int string_count() const;
    const platform::WString& string(int index) const;

    // The language dictionary (text key -> text), kept across skin loads; the language
    // loader fills it. translate gives the dictionary's text for a key, else text itself.
    void set_dictionary(std::map<platform::WString, platform::WString> dictionary) {
        m_dictionary = std::move(dictionary);
    }
    const std::map<platform::WString, platform::WString>& dictionary() const {
        return m_dictionary;
    }
    platform::WString translate(platform::WStringView text) const;

    void add_reload_listener(ReloadListener* listener);
    void remove_reload_listener(ReloadListener* listener);
    // Tells every reload listener, in the order they were added, that a new skin is in place.
    void send_reload_skin();

private:
    bool install(std::unique_ptr<PropertiesImpl> impl, const platform::WString& path);

    std::unique_ptr<PropertiesImpl> m_impl;
    platform::WString m_path;
    std::vector<ReloadListener*> m_listeners;
    std::map<platform::WString, platform::WString> m_dictionary;
};

}  // namespace zentra
