#include "skin/properties.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "core/log.h"
#include "skin/properties_impl.h"

namespace zentra {

namespace {
const platform::WString kNoText;
}  // namespace

Properties::Properties() = default;
Properties::~Properties() = default;

bool Properties::load_skin(const platform::WString& path, const ScreenMetrics& metrics) {
    velvane::log() << "Properties::load_skin 1\n";
    auto impl = std::make_unique<PropertiesImpl>(path, metrics);
    velvane::log() << "Properties::load_skin 2\n";
    return install(std::move(impl), path);
}

bool Properties::load_skin_from_memory(std::vector<uint8_t> bytes, const platform::WString& path,
                                       const ScreenMetrics& metrics, PictureLoader picture_loader) {
    velvane::log() << "Properties::load_skin 1\n";
    auto impl = std::make_unique<PropertiesImpl>(std::move(bytes), path, metrics.scale_shift(),
                                                 std::move(picture_loader));
    velvane::log() << "Properties::load_skin 2\n";
    return install(std::move(impl), path);
}

bool Properties::install(std::unique_ptr<PropertiesImpl> impl, const platform::WString& path) {
    if (!impl->loaded())
        return false;
    velvane::log() << "Properties::load_skin 3\n";
    // The old skin goes with impl at the end of this call; listeners stay with this object.
    std::swap(m_impl, impl);
    m_path = path;
    return true;
}

bool Properties::is_loaded() const {
    return m_impl != nullptr;
}

int Properties::scale_shift() const {
    return m_impl ? m_impl->scale_shift() : 0;
}

std::optional<SkinRecord> Properties::find_definition(platform::WStringView name) const {
    return m_impl ? m_impl->find_definition(name) : std::nullopt;
}

std::vector<platform::WString> Properties::definition_names() const {
    return m_impl ? m_impl->definition_names() : std::vector<platform::WString>{};
}

int Properties::get_integer(SkinRecord record, platform::WStringView key, int def) const {
    return m_impl ? m_impl->get_integer(record, key, def) : def;
}

std::shared_ptr<const FontRep> Properties::get_font(SkinRecord record, platform::WStringView key,
                                                    std::shared_ptr<const FontRep> def) const {
    return m_impl ? m_impl->get_font(record, key, std::move(def)) : def;
}

Point Properties::get_point(SkinRecord record, platform::WStringView key, Point def) const {
    return m_impl ? m_impl->get_point(record, key, def) : def;
}

platform::WString Properties::get_string(SkinRecord record, platform::WStringView key,
                                         platform::WStringView def) const {
    return m_impl ? m_impl->get_string(record, key, def) : platform::WString(def);
}

ImageRef Properties::get_image(SkinRecord record, platform::WStringView key,
                               const ImageRef& def) const {
    return m_impl ? m_impl->get_image(record, key, def) : def;
}

Color Properties::get_color(SkinRecord record, platform::WStringView key, Color def) const {
    return m_impl ? m_impl->get_color(record, key, def) : def;
}

bool Properties::has_group(SkinRecord record, PropertyGroup group) const {
    return m_impl && m_impl->has_group(record, group);
}

int Properties::child_count(SkinRecord record) const {
    return m_impl ? m_impl->child_count(record) : 0;
}

SkinRecord Properties::child(SkinRecord record, int index) const {
    return m_impl ? m_impl->child(record, index) : PropertiesImpl::kNoRecord;
}

std::vector<PropertyEntry> Properties::list_properties(SkinRecord record) const {
    return m_impl ? m_impl->list_properties(record) : std::vector<PropertyEntry>{};
}

int Properties::picture_count() const {
    return m_impl ? static_cast<int>(m_impl->pictures().size()) : 0;
}

const platform::WString& Properties::picture_name(int index) const {
    if (index < 0 || index >= picture_count())
        return kNoText;
    return m_impl->picture_names()[static_cast<size_t>(index)];
}

std::shared_ptr<const Bitmap> Properties::picture(int index) const {
    if (index < 0 || index >= picture_count())
        return nullptr;
    return m_impl->pictures()[static_cast<size_t>(index)];
}

int Properties::font_count() const {
    return m_impl ? static_cast<int>(m_impl->fonts().size()) : 0;
}

std::shared_ptr<const FontRep> Properties::font(int index) const {
    if (index < 0 || index >= font_count())
        return nullptr;
    return m_impl->fonts()[static_cast<size_t>(index)];
}

int Properties::string_count() const {
    return m_impl ? static_cast<int>(m_impl->strings().size()) : 0;
}

const platform::WString& Properties::string(int index) const {
    if (index < 0 || index >= string_count())
        return kNoText;
    return m_impl->strings()[static_cast<size_t>(index)];
}

void Properties::add_reload_listener(ReloadListener* listener) {
    m_listeners.push_back(listener);
}

void Properties::remove_reload_listener(ReloadListener* listener) {
    std::erase(m_listeners, listener);
}

void Properties::send_reload_skin() {
    const auto start = std::chrono::steady_clock::now();
    // By index: a listener may add or remove listeners while it rebuilds.
    for (size_t i = 0; i < m_listeners.size(); ++i)
        m_listeners[i]->on_reload_skin(*this);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    velvane::log() << "PropertiesImpl::send_reload_skin the rest time=" << elapsed.count() << "\n";
}

platform::WString Properties::translate(platform::WStringView text) const {
    const auto found = m_dictionary.find(platform::WString(text));
    return found != m_dictionary.end() ? found->second : platform::WString(text);
}

}  // namespace zentra
