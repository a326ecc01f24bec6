// Skin files are chosen by the user and may come from anywhere. Loads the input as a skin
// (every picture a small fake, so the structure behind the picture table is reached), then
// reads everything a node builder could read: every definition, every record below it, every
// key of every group through every getter, and child indexes one past the end.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "skin/properties.h"

namespace {

using zentra::Properties;
using zentra::PropertyGroup;
using zentra::SkinRecord;

void read_record(const Properties& p, SkinRecord record, platform::WStringView key) {
    (void)p.get_integer(record, key, 0);
    (void)p.get_font(record, key, nullptr);
    (void)p.get_point(record, key, {});
    (void)p.get_string(record, key);
    (void)p.get_image(record, key, {});
    (void)p.get_color(record, key, {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto picture = std::make_shared<const zentra::Bitmap>(2, 2);
    Properties p;
    zentra::ScreenMetrics metrics;
    // The last byte picks the scale shift so the shifted reads are covered too.
    metrics.dpi_y = size > 0 ? 96 * (1 + data[size - 1] % 5) : 96;
    const bool loaded =
        p.load_skin_from_memory(std::vector<uint8_t>(data, data + size), u"skins\\bin\\fuzz.skin",
                                metrics, [](platform::WStringView) { return picture; });
    if (!loaded)
        return 0;

    std::vector<SkinRecord> pending;
    for (const auto& name : p.definition_names()) {
        const auto record = p.find_definition(name);
        if (record)
            pending.push_back(*record);
    }
    (void)p.find_definition(u"");
    std::unordered_set<uint32_t> seen;
    while (!pending.empty()) {
        const SkinRecord record = pending.back();
        pending.pop_back();
        if (!seen.insert(record.offset).second)
            continue;
        for (const auto& property : p.list_properties(record))
            read_record(p, record, property.key);
        for (const auto key : {u"type", u"id", u"text", u"text_color", u""})
            read_record(p, record, key);
        for (const auto group :
             {PropertyGroup::Integer, PropertyGroup::Font, PropertyGroup::Point,
              PropertyGroup::String, PropertyGroup::Image, PropertyGroup::Color}) {
            (void)p.has_group(record, group);
        }
        const int children = p.child_count(record);
        for (int i = -1; i <= children; ++i)
            pending.push_back(p.child(record, i));
    }
    return 0;
}
