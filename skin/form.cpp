#include "skin/form.h"

namespace zentra {

void Form::load(const Properties& properties, SkinRecord record) {
    Node::load(properties, record);
    m_outside_color = properties.get_color(record, u"outside_color", Color{0, 0, 0, 255});
}

void Form::load_definition(const Properties& properties, platform::WStringView definition) {
    if (!load_from_skin(*this, properties, definition)) {
        throw NodeNotFoundInSkin{platform::WString(definition)};
    }
}

}  // namespace zentra
