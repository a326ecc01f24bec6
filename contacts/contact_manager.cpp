#include "contacts/contact_manager.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "core/invariant.h"
#include "core/log.h"
#include "contacts/categories.h"
#include "contacts/contact_saver.h"
#include "contacts/document.h"
#include "contacts/vcard_import.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/imaging.h"
#include "platform/messages.h"
#include "platform/picture_chooser.h"
#include "platform/pim_session.h"

namespace velvane {

namespace pim = platform::pim;
using platform::to_wstring;

namespace {

// Forwards the store's notices to the Document it belongs to.
class DocumentListener : public ContactStoreListener {
public:
    explicit DocumentListener(Document& document) : m_document(document) {}
    void on_contact_created(ContactManagerImpl2&, Contact contact) override {
        m_document.on_contact_created(std::move(contact));
    }
    void on_load_progress(ContactManagerImpl2&, int index, int total) override {
        m_document.on_load_progress(index, total);
    }
    void on_contact_changed(ContactManagerImpl2&, uint32_t object_id) override {
        m_document.on_contact_changed(object_id);
    }
    void on_contact_removed(ContactManagerImpl2&, uint32_t object_id) override {
        m_document.on_contact_removed(object_id);
    }

private:
    Document& m_document;
};

// Turns the 38 values read for one item into a record; the texts are moved out.
// The log is looked up once per load by the caller: each lookup reads the Log setting.
void fill_contact(std::vector<pim::PropValue>& values, Contact& contact, LogStream& trace) {
    if (values.size() != kContactPropertyCount) {
        return;
    }
    if (!values[0].missing()) {
        contact.object_id = static_cast<uint32_t>(values[0].number);
    }
    contact.first_name = values[1].missing() ? WString() : std::move(values[1].text);
    contact.last_name = values[2].missing() ? WString() : std::move(values[2].text);
    contact.company = values[3].missing() ? WString() : std::move(values[3].text);
    contact.fields.clear();
    for (int j = 4; j < kContactPropertyCount; ++j) {
        pim::PropValue& value = values[j];
        if (value.missing()) {
            continue;
        }
        const auto kind = static_cast<FieldKind>(j - 4);
        if (kind == FieldKind::Birthday) {
            const int64_t count = date_time_from_file_time(value.number);
            trace << "Date1 = " << value.number << ", Date2 = " << count << "\n";
            contact.fields.emplace_back(kind, date_time_text(count));
        } else {
            contact.fields.emplace_back(kind, std::move(value.text));
        }
    }
}

}  // namespace

ContactManagerImpl2::ContactManagerImpl2(ContactStoreListener& listener, std::string file,
                                         std::string process_token)
    : m_listener(listener), m_file(std::move(file)), m_process_token(std::move(process_token)) {}

std::unique_ptr<ContactManagerImpl2> ContactManagerImpl2::for_document(Document& document,
                                                                       std::string file) {
    auto listener = std::make_unique<DocumentListener>(document);
    auto store = std::make_unique<ContactManagerImpl2>(*listener, std::move(file));
    store->m_owned_listener = std::move(listener);
    return store;
}

ContactManagerImpl2::~ContactManagerImpl2() {
    if (m_saver) {
        const size_t queued = m_saver->queued();
        if (queued > 0) {
            log() << "ContactManagerImpl2::close() waiting for " << queued << " queued saves\n";
        }
        if (!m_saver->finish(kCloseWaitMs)) {
            log() << "ContactManagerImpl2::close() " << m_saver->queued()
                  << " queued saves are lost: the contact database stayed busy\n";
        }
        m_saver.reset();
    }
    if (m_session) {
        m_session->logoff();
    }
}

pim::PimSession* ContactManagerImpl2::session() {
    if (!m_session && !m_open_failed) {
        const std::string file = m_file.empty() ? pim::PimSession::default_file() : m_file;
        m_session = pim::PimSession::open(file, m_open_error, m_process_token);
        if (!m_session) {
            // Reported once; the program goes on with an empty book and never touches the file.
            m_open_failed = true;
            log() << "ContactManagerImpl2::open() ERROR - " << platform::from_utf8(m_open_error) << "\n";
        }
    }
    return m_session.get();
}

bool ContactManagerImpl2::initialise(platform::WindowHandle main_window) {
    pim::PimSession* pim_session = session();
    if (pim_session == nullptr) {
        return false;
    }
    if (const pim::Code code = pim_session->logon(main_window); code != pim::kOk) {
        log() << "ContactManagerImpl2::initialise() Logon failed " << code << "\n";
        return false;
    }
    std::unique_ptr<pim::PimFolder> folder;
    if (pim_session->default_folder(pim::kFolderContacts, folder) != pim::kOk) {
        return false;
    }
    const pim::PropValue notify = pim::PropValue::of_number(
        property::kFolderNotifications, pim::kNotifyLocal | pim::kNotifyRemote);
    if (const pim::Code code = folder->set_props({&notify, 1}); code != pim::kOk) {
        log() << "ContactManagerImpl2::initialise() notifications " << code << "\n";
        return false;
    }
    m_window = main_window;
    return true;
}

void ContactManagerImpl2::load_all(std::vector<Contact>& out) {
    out.clear();
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimFolder> folder;
    std::unique_ptr<pim::PimItems> items;
    if (pim_session == nullptr || pim_session->default_folder(pim::kFolderContacts, folder) != pim::kOk ||
        folder->items(items) != pim::kOk) {
        return;
    }
    const int count = items->count();
    out.reserve(static_cast<size_t>(count));
    const auto& ids = contact_property_ids();
    std::vector<pim::PropValue> values;
    LogStream& trace = log();
    const bool queued = queued_saves() > 0;
    for (int i = 1; i <= count; ++i) {
        // A contact deleted since the list was taken is left out: a blank record with object
        // id 0 could be neither shown sensibly nor removed.
        if (items->get_props(i, ids, values) != pim::kOk) {
            continue;
        }
        if (queued && !values.empty() && !values[0].missing()) {
            apply_queued(static_cast<uint32_t>(values[0].number), values);
        }
        fill_contact(values, out.emplace_back(), trace);
        if ((i - 1) % 25 == 0) {
            m_listener.on_load_progress(*this, i - 1, count);
        }
    }
}

std::optional<Contact> ContactManagerImpl2::read_one(uint32_t object_id) {
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimItem> item;
    if (pim_session == nullptr || pim_session->item_from_oid(object_id, item) != pim::kOk ||
        item->type() != pim::kItemContact) {
        return std::nullopt;
    }
    std::vector<pim::PropValue> values;
    if (item->get_props(contact_property_ids(), values) != pim::kOk) {
        return std::nullopt;
    }
    apply_queued(object_id, values);
    Contact contact;
    fill_contact(values, contact, log());
    return contact;
}

void ContactManagerImpl2::read_categories(std::vector<WString>& out) {
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimFolder> folder;
    if (pim_session == nullptr || pim_session->default_folder(pim::kFolderContacts, folder) != pim::kOk) {
        return;
    }
    const uint32_t id = property::kFolderCategories;
    std::vector<pim::PropValue> values;
    if (folder->get_props({&id, 1}, values) != pim::kOk || values.size() != 1 ||
        values[0].missing()) {
        return;
    }
    append_category_list(values[0].text, out);
}

namespace {

// The values a save writes for a record, in record order; trace, when given, hears why.
std::vector<pim::PropValue> record_values(const Contact& contact, LogStream* trace) {
    std::vector<pim::PropValue> values;
    values.reserve(contact.fields.size() + 3);
    const auto name = [&](uint32_t id, const WString& text) {
        values.push_back(text.empty() ? pim::PropValue::deletion(id)
                                      : pim::PropValue::of_text(id, text));
    };
    name(property::kFirstName, contact.first_name);
    name(property::kLastName, contact.last_name);
    name(property::kCompany, contact.company);
    for (const ContactField& field : contact.fields) {
        const uint32_t id = property_of(field.kind);
        if (id == 0) {
            // A kind without a property has nowhere to go; writing it would fail the save.
            continue;
        }
        if (!field.value.empty() || field.kind == FieldKind::Categories) {
            if (trace != nullptr) {
                *trace << u"Sync nessecary data " + kind_name(field.kind) + u"\n";
            }
            if (field.kind == FieldKind::Birthday) {
                int64_t count = 0;
                int64_t file_time = 0;
                if (!parse_date_time(field.value, count) || !file_time_from_date_time(count, file_time)) {
                    // Text that is no date would be stored as some other day: keep the stored one.
                    if (trace != nullptr) {
                        *trace << "SaveContact Birthday unreadable, kept as stored\n";
                    }
                    continue;
                }
                values.push_back(pim::PropValue::of_number(id, file_time));
            } else {
                values.push_back(pim::PropValue::of_text(id, field.value));
            }
        } else {
            if (trace != nullptr) {
                *trace << u"Sync nessecary data (delete) " + kind_name(field.kind) + u"\n";
            }
            values.push_back(pim::PropValue::deletion(id));
        }
    }
    return values;
}

// Leaves in values only those that differ from before; an unchanged Categories value goes to
// categories_kept when it is given.
void drop_unchanged(std::vector<pim::PropValue>& values, const std::vector<pim::PropValue>& before,
                    std::optional<pim::PropValue>* categories_kept) {
    const uint32_t categories = property_of(FieldKind::Categories);
    std::erase_if(values, [&](const pim::PropValue& value) {
        const bool same = std::find(before.begin(), before.end(), value) != before.end();
        if (same && value.id == categories && categories_kept != nullptr) {
            *categories_kept = value;
        }
        return same;
    });
}

}  // namespace

void ContactManagerImpl2::apply_queued(uint32_t object_id, std::vector<pim::PropValue>& values) const {
    if (!m_saver || values.size() != kContactPropertyCount) {
        return;
    }
    const auto& ids = contact_property_ids();
    for (const ContactSaver::Save& save : m_saver->queued_for(object_id)) {
        std::vector<pim::PropValue> changes = record_values(save.changed, nullptr);
        drop_unchanged(changes, record_values(save.original, nullptr), nullptr);
        for (pim::PropValue& change : changes) {
            // Entry 0 is the object id, which no save changes.
            for (size_t j = 1; j < ids.size(); ++j) {
                if (ids[j] != change.id) {
                    continue;
                }
                if ((change.flags & pim::kPropDelete) != 0) {
                    values[j] = pim::PropValue{change.id, pim::kPropNotFound, {}, 0};
                } else {
                    change.flags = 0;
                    values[j] = std::move(change);
                }
                break;
            }
        }
    }
}

pim::Code ContactManagerImpl2::write_record(pim::PimItem& item, const Contact& contact,
                                            const Contact* original) {
    log() << "Save contact\n";
    for (const ContactField& field : contact.fields) {
        // One piece a line: a queued save may be written on another thread meanwhile.
        log() << u"SaveContact " + kind_name(field.kind) + u" " + field.value + u"\n";
    }
    std::vector<pim::PropValue> values = record_values(contact, &log());
    if (original != nullptr) {
        // Only what changed since the copy was taken: the rest may have been changed by
        // another process meanwhile, and writing the copy's old values would undo that.
        const uint32_t categories = property_of(FieldKind::Categories);
        std::optional<pim::PropValue> categories_kept;
        drop_unchanged(values, record_values(*original, nullptr), &categories_kept);
        // A new contact's record holds an empty Categories field the stored contact does not
        // have yet; the first save stores it, as a whole-record save would.
        if (categories_kept) {
            std::vector<pim::PropValue> stored;
            if (item.get_props({&categories, 1}, stored) == pim::kOk && stored.size() == 1 &&
                stored[0].missing()) {
                values.push_back(*categories_kept);
            }
        }
        if (values.empty()) {
            log() << "Save contact OK\n";
            return pim::kOk;
        }
    }
    if (const pim::Code code = item.set_props(values); code != pim::kOk) {
        log() << "Error SetProps " << code << "\n";
        return code;
    }
    if (const pim::Code code = item.save(); code != pim::kOk) {
        log() << "Error Save " << code << "\n";
        return code;
    }
    // create() takes the new contact's id from here; a saved item without one would be a
    // contact the book can never find again.
    VELVANE_ASSERT(item.oid() != 0);
    log() << "Save contact OK\n";
    return pim::kOk;
}

bool ContactManagerImpl2::save(const Contact& contact) {
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimItem> item;
    if (pim_session == nullptr) {
        return false;
    }
    if (const pim::Code code = pim_session->item_from_oid(contact.object_id, item); code != pim::kOk) {
        log() << "Error GetItemFromOidEx " << code << "\n";
        return false;
    }
    return write_record(*item, contact, nullptr) == pim::kOk;
}

pim::Code ContactManagerImpl2::store_changes(const Contact& changed, const Contact& original) {
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimItem> item;
    if (pim_session == nullptr) {
        return pim::kFail;
    }
    if (const pim::Code code = pim_session->item_from_oid(changed.object_id, item); code != pim::kOk) {
        log() << "Error GetItemFromOidEx " << code << "\n";
        return code;
    }
    return write_record(*item, changed, &original);
}

bool ContactManagerImpl2::save_changes(const Contact& changed, const Contact& original) {
    if (!m_window) {
        // A tool waits for the database as long as the session lets it.
        return store_changes(changed, original) == pim::kOk;
    }
    // Behind a queued save of the same contact this one would be undone by it; keeping the
    // queue's order is simplest kept by letting every save wait its turn.
    if (queued_saves() > 0) {
        return queue_save(changed, original);
    }
    pim::PimSession* pim_session = session();
    if (pim_session == nullptr) {
        return false;
    }
    // The screen must not stall behind another process's write: try once without waiting.
    const int wait = pim_session->write_wait();
    pim_session->set_write_wait(0);
    const pim::Code code = store_changes(changed, original);
    pim_session->set_write_wait(wait);
    if (code == pim::kBusy) {
        return queue_save(changed, original);
    }
    return code == pim::kOk;
}

bool ContactManagerImpl2::queue_save(const Contact& changed, const Contact& original) {
    if (!m_saver) {
        const std::string file = m_file.empty() ? pim::PimSession::default_file() : m_file;
        m_saver = std::make_unique<ContactSaver>(file, m_window);
    }
    ContactSaver::Save save{changed, original};
    // The pictures stay on this thread: the saver writes no picture.
    save.changed.picture = {};
    save.original.picture = {};
    if (!m_saver->add(std::move(save))) {
        log() << "ContactManagerImpl2::save_changes() the contact " << changed.object_id
              << " cannot be queued\n";
        return false;
    }
    log() << u"ContactManagerImpl2::save_changes() the contact database is busy; contact " +
                 platform::to_wstring(changed.object_id) + u" is saved once it is free\n";
    // Reads show the queued edit from now on; the screens read the contact again as after
    // any save of this program.
    platform::post_message(m_window, kChangedLocal, changed.object_id, pim::kFolderContacts);
    return true;
}

size_t ContactManagerImpl2::queued_saves() const { return m_saver ? m_saver->queued() : 0; }

bool ContactManagerImpl2::finish_saves(uint32_t timeout_ms) {
    if (!m_saver) {
        return true;
    }
    const bool done = m_saver->finish(timeout_ms);
    // A later save starts a new one.
    m_saver.reset();
    return done;
}

bool ContactManagerImpl2::create(Contact& contact) {
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimItem> item;
    if (pim_session == nullptr || pim_session->create_item(pim::kItemContact, item) != pim::kOk ||
        write_record(*item, contact, nullptr) != pim::kOk) {
        return false;
    }
    contact.fields.emplace_back(FieldKind::Categories, WString());
    contact.object_id = item->oid();
    return true;
}

bool ContactManagerImpl2::remove(uint32_t object_id) {
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimItem> item;
    return pim_session != nullptr && pim_session->item_from_oid(object_id, item) == pim::kOk &&
           item->type() == pim::kItemContact && item->remove() == pim::kOk;
}

zentra::ImageRef ContactManagerImpl2::picture(uint32_t object_id, int box_width, int box_height) {
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimItem> item;
    std::unique_ptr<pim::PimStream> stream;
    if (pim_session == nullptr || pim_session->item_from_oid(object_id, item) != pim::kOk ||
        item->open_property(property::kPicture, pim::kStreamRead, stream) != pim::kOk) {
        return {};
    }
    std::vector<uint8_t> bytes;
    uint8_t block[4096];
    size_t got = 0;
    while (stream->read(block, sizeof block, got) == pim::kOk && got > 0) {
        bytes.insert(bytes.end(), block, block + got);
    }
    std::string error;
    const platform::RgbaImage image = platform::decode_image(bytes.data(), bytes.size(), error);
    if (image.empty()) {
        // A cleared picture is one zero byte; only real pictures that fail are worth a line.
        if (bytes.size() > 1) {
            log() << "ContactManagerImpl2::picture() " << platform::from_utf8(error) << "\n";
        }
        return {};
    }
    int width = 0;
    int height = 0;
    platform::fit_into_box(image.width, image.height, box_width, box_height, width, height);
    if (width == 0 || height == 0) {
        return {};
    }
    const platform::Picture565 drawn = platform::draw_565(platform::thumbnail(image, width, height));
    auto bitmap = std::make_shared<zentra::Bitmap>(drawn.width, drawn.height);
    if (bitmap->empty()) {
        return {};
    }
    for (int y = 0; y < drawn.height; ++y) {
        std::copy_n(drawn.pixels.data() + static_cast<size_t>(y) * drawn.width, drawn.width,
                    bitmap->row(y));
    }
    return zentra::ImageRef::whole(std::move(bitmap));
}

void ContactManagerImpl2::choose_and_set_picture(uint32_t object_id) {
    log() << "choose_picture() - 1\n";
    if (platform::picture_chooser_kind() == platform::ChooserKind::none) {
        log() << "choose_picture() - aygshell.dll invalid\n";
        return;
    }
    log() << "choose_picture() - GetOpenFileNameEx() found\n";
    if (m_full_screen) {
        m_full_screen(true);
    }
    const std::optional<WString> path = platform::choose_picture_file(
        {u"Select Exhibit Photo or Video", u"All Files (*.*)", u"*.*"});
    if (path) {
        log() << "GetOpenFileNameEx() = " << *path << "\n";
    } else {
        log() << "GetOpenFileNameEx() return false\n";
    }
    if (m_full_screen) {
        m_full_screen(false);
    }
    pim::PimSession* pim_session = session();
    if (!path || path->empty() || pim_session == nullptr) {
        return;
    }
    std::FILE* file = std::fopen(platform::native_path(*path).c_str(), "rb");
    if (file == nullptr) {
        log() << "choose_picture() cannot read " << *path << "\n";
        return;
    }
    std::unique_ptr<pim::PimItem> item;
    std::unique_ptr<pim::PimStream> stream;
    bool ok = pim_session->item_from_oid(object_id, item) == pim::kOk &&
              item->open_property(property::kPicture, pim::kStreamWrite, stream) == pim::kOk;
    uint8_t block[4096];
    bool first = true;
    while (ok) {
        const size_t got = std::fread(block, 1, sizeof block, file);
        // Anything but a picture would replace the photo with one that can never be shown.
        if (first && platform::sniff_image(block, got) == platform::ImageFormat::unknown) {
            std::fclose(file);
            log() << "choose_picture() not a JPEG, PNG or BMP picture: " << *path << "\n";
            return;
        }
        first = false;
        if (got > 0) {
            ok = stream->write(block, got) == pim::kOk;
        }
        if (got < sizeof block) {
            ok = ok && std::ferror(file) == 0;
            break;
        }
    }
    std::fclose(file);
    // A file that cannot be read whole changes nothing.
    if (!ok) {
        log() << "choose_picture() cannot store " << *path << "\n";
        return;
    }
    if (stream->commit() == pim::kOk) {
        if (const pim::Code code = item->save(); code != pim::kOk) {
            log() << "Error Save " << code << "\n";
        }
    }
}

void ContactManagerImpl2::clear_picture(uint32_t object_id) {
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimItem> item;
    std::unique_ptr<pim::PimStream> stream;
    if (pim_session == nullptr || pim_session->item_from_oid(object_id, item) != pim::kOk ||
        item->open_property(property::kPicture, pim::kStreamWrite, stream) != pim::kOk) {
        return;
    }
    const uint8_t zero = 0;
    if (stream->write(&zero, 1) == pim::kOk && stream->commit() == pim::kOk) {
        item->save();
    }
}

bool ContactManagerImpl2::on_window_message(uint32_t message, uintptr_t wparam, intptr_t) {
    const auto object_id = static_cast<uint32_t>(wparam);
    const uint32_t start = platform::tick_count();
    switch (message) {
        case kCreatedLocal:
        case kCreatedRemote:
            if (std::optional<Contact> contact = read_one(object_id)) {
                m_listener.on_contact_created(*this, std::move(*contact));
            }
            log() << "PIM_ITEM_CREATED_LOCAL = " << platform::tick_count() - start << "\n";
            return true;
        case kDeletedLocal:
        case kDeletedRemote:
            m_listener.on_contact_removed(*this, object_id);
            log() << "PIM_ITEM_DELETED_LOCAL = " << platform::tick_count() - start << "\n";
            return true;
        case kChangedLocal:
        case kChangedRemote:
            m_listener.on_contact_changed(*this, object_id);
            log() << "PIM_ITEM_CHANGED_LOCAL = " << platform::tick_count() - start << "\n";
            return true;
        default:
            return false;
    }
}

bool ContactManagerImpl2::import_contacts(std::vector<VCardContact>& cards, std::string& error) {
    const WriteOutcome outcome = write_contacts(*this, cards);
    for (const std::string& refusal : outcome.picture_refusals) {
        log() << "ContactManagerImpl2::import_contacts " << refusal << "\n";
    }
    error = outcome.error;
    return outcome.ok;
}

void ContactManagerImpl2::add_generated_contacts(int count) {
    pim::PimSession* pim_session = session();
    if (pim_session == nullptr || count <= 0) {
        return;
    }
    // First, last and company, then the 22 text kinds before Birthday: 25 texts.
    std::vector<uint32_t> ids{property::kFirstName, property::kLastName, property::kCompany};
    for (int kind = 0; kind < static_cast<int>(FieldKind::Birthday); ++kind) {
        ids.push_back(property_of(static_cast<FieldKind>(kind)));
    }
    // A headless run on the virtual clock makes the same book every time.
    std::mt19937 random(platform::virtual_clock_in_use() ? 0x5EEDu : std::random_device{}());
    std::uniform_int_distribution<int> letter('a', 'z');
    // One transaction for the lot: a hundred disk flushes would take seconds.
    pim_session->write_batch([&]() -> pim::Code {
        for (int n = 0; n < count; ++n) {
            std::unique_ptr<pim::PimItem> item;
            if (pim_session->create_item(pim::kItemContact, item) != pim::kOk) {
                return pim::kFail;
            }
            std::vector<pim::PropValue> values;
            for (uint32_t id : ids) {
                WString text;
                for (int i = 0; i < 5; ++i) {
                    text.push_back(static_cast<char16_t>(letter(random)));
                }
                values.push_back(pim::PropValue::of_text(id, text + u"-rnd"));
            }
            if (item->set_props(values) != pim::kOk || item->save() != pim::kOk) {
                return pim::kFail;
            }
        }
        return pim::kOk;
    });
}

void ContactManagerImpl2::erase_all_contacts() {
    log() << "START DELETE\n";
    pim::PimSession* pim_session = session();
    std::unique_ptr<pim::PimFolder> folder;
    std::unique_ptr<pim::PimItems> items;
    if (pim_session == nullptr || pim_session->default_folder(pim::kFolderContacts, folder) != pim::kOk ||
        folder->items(items) != pim::kOk) {
        log() << "ContactManagerImpl2::load_contacts() ERROR - 1\n";
        return;
    }
    pim_session->write_batch([&]() -> pim::Code {
        for (int i = 1; i <= items->count(); ++i) {
            std::unique_ptr<pim::PimItem> item;
            if (items->item(i, item) == pim::kOk) {
                item->remove();
            }
            log() << "Delete contact: " << i << "\n";
        }
        return pim::kOk;
    });
    log() << "END DELETE\n";
}

}  // namespace velvane
