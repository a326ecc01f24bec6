// What a store without the optional operations answers: it has nothing to open and no
// notices, and refuses to create, delete or picture anything.

#include "contacts/document_services.h"

namespace velvane {

bool ContactSource::initialise(platform::WindowHandle) {
    return true;
}

bool ContactSource::on_window_message(uint32_t, uintptr_t, intptr_t) {
    return false;
}

bool ContactSource::save_changes(const Contact& changed, const Contact&) {
    return save(changed);
}

bool ContactSource::create(Contact&) {
    return false;
}

bool ContactSource::remove(uint32_t) {
    return false;
}

zentra::ImageRef ContactSource::picture(uint32_t, int, int) {
    return {};
}

void ContactSource::choose_and_set_picture(uint32_t) {}

void ContactSource::clear_picture(uint32_t) {}

bool ContactSource::import_contacts(std::vector<VCardContact>&, std::string& error) {
    error = "this contact store cannot import";
    return false;
}

void ContactSource::add_generated_contacts(int) {}

void ContactSource::erase_all_contacts() {}

}  // namespace velvane
