#include "contacts/vcard_import.h"

#include "contacts/categories.h"
#include "contacts/contact_manager.h"
#include "contacts/stored_picture.h"
#include "contacts/vcard_extra.h"
#include "platform/imaging.h"
#include "platform/pim_session.h"

namespace velvane {

namespace pim = platform::pim;

namespace {

// Empty when the bytes are a picture the program can show; else why they are not. A file
// may claim a JPEG and carry anything, so the picture is decoded, not just sniffed.
std::string picture_fault(const std::string& bytes) {
    if (bytes.size() > pim::PimStream::kMaxSize) {
        return "too large to store";
    }
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (platform::sniff_image(data, bytes.size()) == platform::ImageFormat::unknown) {
        return "not JPEG, PNG or BMP";
    }
    std::string error;
    if (platform::decode_image(data, bytes.size(), error).empty()) {
        return "no picture that can be shown: " + (error.empty() ? "it does not decode" : error);
    }
    return {};
}

}  // namespace

WriteOutcome write_contacts(ContactManagerImpl2& store, std::vector<VCardContact>& cards,
                            const std::function<void(size_t, size_t)>& progress,
                            const std::vector<WString>& extra_categories) {
    WriteOutcome outcome;
    pim::PimSession* session = store.session();
    if (session == nullptr) {
        outcome.error = store.open_error();
        return outcome;
    }
    std::vector<WString> categories = extra_categories;
    for (const VCardContact& card : cards) {
        if (const ContactField* field = card.contact.find(FieldKind::Categories)) {
            for (WString& name : split_categories(field->value)) {
                if (index_of_category(categories, name) < 0) {
                    categories.push_back(std::move(name));
                }
            }
        }
    }
    size_t done = 0;
    const pim::Code code = session->write_batch([&]() -> pim::Code {
        for (VCardContact& card : cards) {
            Contact contact = card.contact;
            contact.object_id = 0;
            if (!store.create(contact)) {
                outcome.error = "contact " + std::to_string(done + 1) + " could not be stored: " +
                                session->last_error();
                return pim::kFail;
            }
            if (!card.extra_properties.empty() &&
                !store_extra_properties(*session, contact.object_id, card.extra_properties)) {
                outcome.error = "the properties kept with contact " + std::to_string(done + 1) +
                                " could not be stored: " + session->last_error();
                return pim::kFail;
            }
            const std::string fault = card.photo.empty() ? std::string() : picture_fault(card.photo);
            if (!card.photo.empty() && fault.empty()) {
                if (!write_stored_picture(*session, contact.object_id, card.photo)) {
                    outcome.error = "the picture of contact " + std::to_string(done + 1) +
                                    " could not be stored: " + session->last_error();
                    return pim::kFail;
                }
            } else if (!card.photo.empty()) {
                ++outcome.pictures_skipped;
                outcome.picture_refusals.push_back("the picture of contact " +
                                                   std::to_string(done + 1) + " is refused: " +
                                                   fault);
            }
            ++done;
            if (progress) {
                progress(done, cards.size());
            }
        }
        // In the same transaction: a name offered for filtering with no contact behind it,
        // or contacts whose names are not offered, would both be wrong.
        if (!add_folder_categories(store, categories)) {
            outcome.error = "the category list could not be stored: " + session->last_error();
            return pim::kFail;
        }
        return pim::kOk;
    });
    if (code != pim::kOk) {
        if (outcome.error.empty()) {
            outcome.error = "the contacts could not be stored: " + session->last_error();
        }
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

}  // namespace velvane
