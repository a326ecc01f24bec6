#include "contacts/document.h"

#include <algorithm>
#include <set>

#include "core/log.h"
#include "core/paths.h"
#include "core/registry.h"
#include "contacts/categories.h"
#include "contacts/document_search.h"
#include "platform/clock.h"
#include "platform/device_info.h"

namespace velvane {

DocumentView::DocumentView() {
    if (Document* document = Document::get_instance()) {
        document->attach_view(this);
    }
}

DocumentView::~DocumentView() {
    if (Document* document = Document::get_instance()) {
        document->detach_view(this);
    }
}

void DocumentView::on_document_refresh(const RefreshHint&) {}

Document::Document(DocumentServices services)
    : m_services(std::move(services)),
      m_log_timer(this),
      m_search(std::make_unique<SearchIndex>()),
      m_query(std::make_unique<SearchQuery>()) {
    if (!m_services.passes_category) {
        m_services.passes_category = velvane::passes_category;
    }
    log() << u"Device Info " << platform::device_description() << u"\n";
    log() << u"Device Name " << platform::device_name() << u"\n";

    uint32_t value = 1;
    read_dword(kRegistryPath, u"Dialer", value);
    m_dialer = value != 0;
    if (m_services.make_store) {
        m_store = m_services.make_store(*this);
    }
    const WString keypad = m_services.keypad_map_path.empty()
                               ? expand_path(u"%app_path%\\keyboard.txt")
                               : m_services.keypad_map_path;
    if (!m_keypad.load(keypad)) {
        log() << u"Document::Document() no keypad map\n";
    }
    m_search->set_keypad(m_keypad);
    value = SortByLastname;
    read_dword(kRegistryPath, u"Sorting", value);
    // The stored value is outside input: anything but the three orders falls back.
    m_sorting = value <= SortByCompany ? static_cast<int32_t>(value) : SortByLastname;

    if (m_services.make_line) {
        m_line = m_services.make_line(*this);
    }
    if (m_line) {
        m_line->initialise();
    }
    log() << u"Attention windows: " << incoming_title << u", " << outgoing_title << u"\n";
}

Document::~Document() {
    stop_log_timer();
    m_store.reset();
    m_line.reset();
}

void Document::attach_view(DocumentView* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) {
        m_views.push_back(view);
    }
}

void Document::detach_view(DocumentView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void Document::send(const RefreshHint& hint) {
    // A view may detach itself (or another) while it handles the hint; those that left are
    // skipped, those that joined wait for the next hint.
    const std::vector<DocumentView*> views = m_views;
    for (DocumentView* view : views) {
        if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) {
            view->on_document_refresh(hint);
        }
    }
}

void Document::send_flag(bool RefreshHint::*flag) {
    RefreshHint hint;
    hint.*flag = true;
    send(hint);
}

void Document::set_dialer(bool on) {
    m_dialer = on;
    write_dword(kRegistryPath, u"Dialer", on ? 1 : 0);
}

ContactEntry* Document::find_entry(uint32_t object_id) {
    auto it = m_by_id.find(object_id);
    return it == m_by_id.end() ? nullptr : &*it->second;
}

WString Document::display_name(const Contact& contact) {
    if (contact.first_name.empty() && contact.last_name.empty()) {
        return contact.company;
    }
    if (contact.first_name.empty()) {
        return contact.last_name;
    }
    if (contact.last_name.empty()) {
        return contact.first_name;
    }
    return contact.first_name + u" " + contact.last_name;
}

ContactEntry* Document::current_contact() {
    return m_current_contact == 0 ? nullptr : find_entry(m_current_contact);
}

void Document::set_current_recent(const RecentCall& call) {
    m_current_recent.emplace(call.number, call.start_time);
}

const RecentCall* Document::current_recent() const {
    if (!m_current_recent) {
        return nullptr;
    }
    auto it = std::find_if(m_recents.begin(), m_recents.end(), [this](const RecentCall& call) {
        return call.number == m_current_recent->first &&
               call.start_time == m_current_recent->second;
    });
    return it == m_recents.end() ? nullptr : &*it;
}

void Document::read_categories() {
    m_categories.clear();
    m_category_checked.clear();
    if (m_store) {
        m_store->read_categories(m_categories);
    }
    m_category_checked.assign(m_categories.size(), false);
}

void Document::load() {
    const uint32_t start = platform::tick_count();
    auto elapsed = [start] { return platform::tick_count() - start; };

    read_categories();
    log() << u"load categories() t =" << elapsed() << u"\n";

    std::vector<Contact> contacts;
    if (m_store) {
        m_store->load_all(contacts);
    }
    log() << u"load contacts() t =" << elapsed() << u"\n";

    m_full.reserve(m_full.size() + contacts.size());
    m_full_slots.reserve(m_full.size() + contacts.size());
    m_by_id.reserve(m_by_id.size() + contacts.size());
    m_numbers.reserve(m_numbers.size() + contacts.size() * 2);
    for (Contact& contact : contacts) {
        ContactEntry& entry = add_entry(std::move(contact));
        full_insert(m_full.size(), &entry);
        add_numbers(entry);
    }
    contacts.clear();
    log() << u"sort_contacts() c=" << m_entries.size() << u" t=" << elapsed() << u"\n";

    if (m_services.load_favorites) {
        m_services.load_favorites(*this);
    }
    log() << u"load_favorites() t=" << elapsed() << u"\n";

    read_call_log();
    log() << u"update_log() c=" << m_recents.size() << u" t=" << elapsed() << u"\n";

    m_loaded = true;
    send_flag(&RefreshHint::is_load_done);
    log() << u"load_done() t=" << elapsed() << u"\n";

    set_sorting(m_sorting);
    log() << u"set_sorting() t=" << elapsed() << u"\n";
}

void Document::link_recent(RecentCall& call) {
    call.contact = nullptr;
    call.field_label.clear();
    if (call.number_key == u"Unknown") {
        return;
    }
    if (const NumberIndexItem* item = find_number(call.number_key)) {
        call.contact = item->entry;
        call.field_label = kind_name(item->entry->contact.fields[item->field].kind);
    }
}

void Document::read_call_log() {
    m_recents.clear();
    send_flag(&RefreshHint::log_updated);
    if (CallLogSource* source = m_services.call_log.get()) {
        source->read(m_recents);
    }
    for (size_t i = 0; i < m_recents.size(); ++i) {
        m_recents[i].index = static_cast<int32_t>(i);
        link_recent(m_recents[i]);
    }
}

void Document::update_log() {
    read_call_log();
    send_flag(&RefreshHint::is_load_done);
}

void Document::start_log_timer(double seconds) { m_log_timer.start(seconds); }

void Document::stop_log_timer() { m_log_timer.cancel(); }

void Document::on_timer(Timer&) { update_log(); }

void Document::bind_recent_numbers() {
    std::set<WString> numbers;
    for (const RecentCall& call : m_recents) {
        // A call without a number has nothing to give a contact.
        if (call.number != u"Unknown" && !call.number.empty()) {
            numbers.insert(call.number);
        }
    }
    if (!m_store) {
        return;
    }
    // Saving comes back as change notices that reorder the list, so walk a copy.
    const std::vector<ContactEntry*> list = m_full;
    auto number = numbers.begin();
    for (ContactEntry* entry : list) {
        if (number == numbers.end()) {
            break;
        }
        Contact copy = entry->contact;
        if (ContactField* mobile = copy.find(FieldKind::Mobile)) {
            mobile->value = *number;
        } else {
            copy.fields.emplace_back(FieldKind::Mobile, *number);
        }
        m_store->save_changes(copy, entry->contact);
        ++number;
    }
}

}  // namespace velvane
