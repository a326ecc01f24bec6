#include "screens/contact_recents_form.h"

#include "app/skin_rebind.h"
#include "contacts/recent_call.h"
#include "core/log.h"
#include "skin/exceptions.h"
#include "skin/form_host.h"
#include "skin/image_node.h"
#include "skin/vlist.h"

namespace velvane {

namespace {

zentra::MenuItem item(WStringView key, WStringView row_style = {}) {
    zentra::MenuItem made;
    made.key = WString(key);
    made.row_style = WString(row_style);
    return made;
}

void show_text(zentra::Node& node, WStringView text) {
    node.set_text(node.name(), text);
}

void show_node(zentra::Node& node, bool shown, bool animate) {
    if (animate) {
        node.set_visible(shown);
    } else {
        node.set_visible_at_once(shown);
    }
}

void load_row(zentra::Node& row, const zentra::Properties& properties, WStringView definition) {
    if (!zentra::load_from_skin(row, properties, definition)) {
        throw zentra::NodeNotFoundInSkin{WString(definition)};
    }
}

// The call a row stands for, as the Document holds it now; null when a re-read has put
// another call at its position.
const RecentCall* call_of(const ContactRecentsForm::CallRow& row) {
    Document* document = Document::get_instance();
    if (document == nullptr) {
        return nullptr;
    }
    const std::vector<RecentCall>& calls = document->recent_calls();
    if (row.index < 0 || static_cast<size_t>(row.index) >= calls.size()) {
        return nullptr;
    }
    const RecentCall& call = calls[static_cast<size_t>(row.index)];
    if (call.number != row.number || call.start_time != row.start_time) {
        return nullptr;
    }
    return &call;
}

}  // namespace

ContactRecentsForm::ContactRecentsForm(zentra::Properties& properties, CallNumber call_number)
    : m_properties(properties),
      m_call_number(std::move(call_number)),
      m_locale(platform::DateLocale::from_environment()) {
    bind();
    m_properties.add_reload_listener(this);
}

ContactRecentsForm::~ContactRecentsForm() {
    m_properties.remove_reload_listener(this);
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        if (m_menu) {
            host->remove_modal_form(*m_menu, false);
        }
        host->remove_modal_form(*this, false);
    }
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
    }
}

void ContactRecentsForm::bind() {
    if (m_menu) {
        if (zentra::FormHost* host = zentra::FormHost::instance()) {
            host->remove_modal_form(*m_menu, false);
        }
        m_menu.reset();
    }
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
        m_list = nullptr;
    }
    load_definition(m_properties, u"ContactRecentsForm");
    m_cancel = &find<zentra::ButtonNode>(u"cancel");
    m_padding = &find(u"padding");
    m_edit_mode = &find<zentra::MultiNode>(u"edit_mode");
    auto& list = find<zentra::VList>(u"List");
    // Rows are made while the list draws, where a skin error would reach no one; made once
    // here, a missing row definition stops the binding instead.
    SimpleContactHead head(*this, m_properties);
    SimpleRecentsListElement call(*this, m_properties);
    m_menu = std::make_unique<zentra::Menu>(m_properties, u"Menu", *this, u"MenuElement");

    m_cancel->set_listener(this);
    m_edit_mode->select_at_once(m_delete_mode ? 1 : 0);
    m_edit_mode->set_listener(this);
    m_cancel->set_visible_at_once(!m_delete_mode);
    m_padding->set_visible_at_once(m_delete_mode);
    m_list = &list;
    m_list->set_adapter(this);
    m_list->reset(static_cast<int>(m_rows.size()) + 1);
    m_photo_stale = true;
}

void ContactRecentsForm::on_reload_skin(zentra::Properties& properties) {
    rebind_after_reload(properties, u"ContactRecentsForm", [this] { bind(); });
}

const ContactRecentsForm::CallRow* ContactRecentsForm::call_row(int index) const {
    if (index < 1 || static_cast<size_t>(index) > m_rows.size()) {
        return nullptr;
    }
    return &m_rows[static_cast<size_t>(index) - 1];
}

// Opening and leaving

void ContactRecentsForm::open_contact(const Contact& contact) {
    log() << "ContactRecentsForm::open_contact " << contact.object_id << "\n";
    m_contact = contact;
    m_number.clear();
    m_number_mode = false;
    open();
}

void ContactRecentsForm::open_number(WStringView number) {
    log() << "ContactRecentsForm::open_number " << number << "\n";
    m_contact = Contact{};
    m_number = WString(number);
    m_number_mode = true;
    open();
}

void ContactRecentsForm::open() {
    m_delete_mode = false;
    m_photo_stale = true;
    m_edit_mode->select_at_once(0);
    m_cancel->set_visible_at_once(true);
    m_padding->set_visible_at_once(false);
    rebuild();
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        // Opened again while open: to the top, not a second entry.
        host->remove_modal_form(*this, false);
        host->add_modal_form(*this, false, true);
    }
}

void ContactRecentsForm::cancel() {
    m_filter = kAllCalls;
    close();
}

void ContactRecentsForm::close() {
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->remove_modal_form(*this, true);
    }
}

bool ContactRecentsForm::on_pointer(const zentra::PointerEvent& event) {
    const bool taken = Form::on_pointer(event);
    run_pending();
    return taken;
}

bool ContactRecentsForm::on_key(const zentra::KeyEvent& event) {
    const bool taken = Form::on_key(event);
    run_pending();
    return taken;
}

void ContactRecentsForm::run_pending() {
    const int index = m_pending_remove;
    m_pending_remove = -1;
    if (index >= 0) {
        remove(index);
    }
}

bool ContactRecentsForm::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (&button == m_cancel) {
        cancel();
        return true;
    }
    return false;
}

// The rows

std::vector<ContactRecentsForm::CallRow> ContactRecentsForm::build_rows() const {
    std::vector<CallRow> rows;
    Document* document = Document::get_instance();
    if (document == nullptr) {
        return rows;
    }
    const std::vector<RecentCall>& calls = document->recent_calls();
    RecentTextFormat format;
    format.locale = &m_locale;
    // Contact mode with a contact that was never stored has no calls.
    if (!m_number_mode && m_contact.object_id == 0) {
        return rows;
    }
    for (int32_t at :
         history_calls(calls, m_number_mode ? 0 : m_contact.object_id, m_number, m_filter)) {
        const RecentCall& call = calls[static_cast<size_t>(at)];
        rows.push_back({at, call.number, call.start_time, call.direction, format.call_info(call)});
    }
    return rows;
}

void ContactRecentsForm::rebuild() {
    m_rows = build_rows();
    m_list->reset(static_cast<int>(m_rows.size()) + 1);
}

void ContactRecentsForm::remove(int index) {
    const CallRow* row = call_row(index);
    Document* document = Document::get_instance();
    if (row == nullptr || document == nullptr) {
        return;
    }
    const RecentCall* call = call_of(*row);
    if (call == nullptr) {
        // The log was read again under the row; what it holds now is shown instead.
        rebuild();
        return;
    }
    const int32_t call_index = call->index;
    m_rows.erase(m_rows.begin() + (index - 1));
    m_list->item_removed(index);
    m_removing = true;
    m_reread = false;
    delete_recent(*document, call_index);
    m_removing = false;
    if (!m_reread) {
        // The call log could not be changed: the call is still there, and so is its row.
        log() << "ContactRecentsForm::remove the call log kept the call\n";
        rebuild();
    }
}

void ContactRecentsForm::set_delete_mode(bool on) {
    m_delete_mode = on;
    show_node(*m_padding, on, true);
    show_node(*m_cancel, !on, true);
    m_list->all_items_changed();
}

void ContactRecentsForm::leave_edit_mode() {
    m_edit_mode->select(0, false);
}

void ContactRecentsForm::on_item_click(zentra::VList&, int index) {
    const CallRow* row = call_row(index);
    // A call that came without a number has none to call back.
    if (row == nullptr || row->number == kUnknownNumber) {
        return;
    }
    if (m_call_number) {
        m_call_number(row->number);
    } else {
        log() << "ContactRecentsForm no phone to call " << row->number << "\n";
    }
}

std::unique_ptr<zentra::VListElement> ContactRecentsForm::create_element(zentra::VList&,
                                                                         int index) {
    if (index == 0) {
        return std::make_unique<SimpleContactHead>(*this, m_properties);
    }
    if (call_row(index) == nullptr) {
        return nullptr;
    }
    return std::make_unique<SimpleRecentsListElement>(*this, m_properties);
}

const zentra::ImageRef& ContactRecentsForm::photo(int width, int height) {
    if (m_photo_stale || width != m_photo_width || height != m_photo_height) {
        m_photo_stale = false;
        m_photo_width = width;
        m_photo_height = height;
        Document* document = Document::get_instance();
        ContactSource* source = document != nullptr ? document->store() : nullptr;
        m_contact.picture = source != nullptr && !m_number_mode && m_contact.object_id != 0 &&
                                    width > 0 && height > 0
                                ? source->picture(m_contact.object_id, width, height)
                                : zentra::ImageRef{};
    }
    return m_contact.picture;
}

// Modes and the menu

void ContactRecentsForm::on_select(zentra::MultiNode& node, bool by_user) {
    if (&node != m_edit_mode) {
        return;
    }
    if (node.current() == 1) {
        if (by_user) {
            m_menu->open_by_name(u"MainMenu", {}, true);
        }
    } else if (m_delete_mode) {
        set_delete_mode(false);
    }
}

std::vector<zentra::MenuItem> ContactRecentsForm::menu_items(zentra::Menu&, WStringView name) {
    if (name == u"MainMenu") {
        return {item(u"menuFilter"), item(u"menuDelete"), item(u"menuDeleteAll"), item(u"Cancel")};
    }
    if (name == u"menuFilter") {
        return {item(u"menuAllCalls"), item(u"menuIncoming"), item(u"menuOutgoing"),
                item(u"menuRejected"), item(u"Cancel")};
    }
    if (name == u"menuDelete") {
        // The toggle stays on: switching it off ends the delete mode.
        set_delete_mode(true);
        return {};
    }
    if (name == u"menuDeleteAll") {
        return {item(u"ReallyDelete", u"MenuElementRed"), item(u"Cancel")};
    }
    static constexpr struct {
        WStringView name;
        int32_t filter;
    } kFilters[] = {{u"menuAllCalls", kAllCalls},
                    {u"menuIncoming", 0},
                    {u"menuOutgoing", 1},
                    {u"menuRejected", 2}};
    for (const auto& choice : kFilters) {
        if (name == choice.name) {
            m_filter = choice.filter;
            rebuild();
        }
    }
    if (name == u"ReallyDelete") {
        if (Document* document = Document::get_instance()) {
            std::vector<int32_t> indices;
            for (const CallRow& row : m_rows) {
                if (const RecentCall* call = call_of(row)) {
                    indices.push_back(call->index);
                }
            }
            delete_recents(*document, indices);
        }
        rebuild();
    }
    leave_edit_mode();
    return {};
}

// Following the Document

void ContactRecentsForm::on_document_refresh(const RefreshHint& hint) {
    if (m_list == nullptr) {
        return;
    }
    if (hint.is_load_done) {
        if (m_removing) {
            // This form's own delete: its row is already gone, and when the log now holds
            // what the list shows only the positions are new.
            m_reread = true;
            std::vector<CallRow> rows = build_rows();
            if (rows.size() == m_rows.size()) {
                m_rows = std::move(rows);
                return;
            }
        }
        rebuild();
        return;
    }
    if (hint.recent_changed) {
        Document* document = Document::get_instance();
        const std::vector<RecentCall>& calls = document->recent_calls();
        if (hint.recent_index < 0 || static_cast<size_t>(hint.recent_index) >= calls.size()) {
            return;
        }
        const RecentCall& call = calls[static_cast<size_t>(hint.recent_index)];
        RecentTextFormat format;
        format.locale = &m_locale;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (m_rows[i].index == hint.recent_index) {
                m_rows[i] = {call.index, call.number, call.start_time, call.direction,
                             format.call_info(call)};
                m_list->item_changed(static_cast<int>(i) + 1);
            }
        }
        return;
    }
    if (m_number_mode || m_contact.object_id == 0 || hint.object_id != m_contact.object_id) {
        return;
    }
    if (hint.contact_removed) {
        close();
    } else if (hint.contact_changed) {
        if (const ContactEntry* entry = Document::get_instance()->find_entry(m_contact.object_id)) {
            m_contact.first_name = entry->contact.first_name;
            m_contact.last_name = entry->contact.last_name;
            m_contact.company = entry->contact.company;
            m_photo_stale = true;
            m_list->item_changed(0);
        }
    }
}

// The head

SimpleContactHead::SimpleContactHead(ContactRecentsForm& form, const zentra::Properties& properties)
    : m_form(form) {
    load_row(*this, properties, u"SimpleContactHead");
    m_firstname = &find(u"firstname");
    m_lastname = &find(u"lastname");
    m_company = &find(u"company");
    m_photo = &find<zentra::ImageNode>(u"photo");
    m_default_photo = m_photo->source();
}

void SimpleContactHead::bind(zentra::VList&, int, int) {
    const Contact& contact = m_form.contact();
    show_text(*m_firstname, contact.first_name);
    show_text(*m_lastname, contact.last_name);
    show_text(*m_company, contact.company);
    show_photo();
}

void SimpleContactHead::layout_vertical() {
    VListElement::layout_vertical();
    show_photo();
}

void SimpleContactHead::show_photo() {
    zentra::Size box = m_photo->size();
    if (box.w <= 0 || box.h <= 0) {
        // Not laid out yet: the size the skin asks for.
        const zentra::FormHost* host = zentra::FormHost::instance();
        const int shift = host != nullptr ? host->screen_metrics().scale_shift() : 0;
        box = {m_photo->design_size().w << shift, m_photo->design_size().h << shift};
    }
    const zentra::ImageRef& picture = m_form.photo(box.w, box.h);
    const zentra::ImageRef& shown = picture.empty() ? m_default_photo : picture;
    // A new source lays the row out again; the same one must not, or every layout would.
    if (shown.picture != m_photo->source().picture || shown.pairs != m_photo->source().pairs) {
        m_photo->set_source(shown);
    }
}

// A call

SimpleRecentsListElement::SimpleRecentsListElement(ContactRecentsForm& form,
                                                   const zentra::Properties& properties)
    : m_form(form) {
    load_row(*this, properties, u"SimpleRecentsListElement");
    m_phone = &find(u"phone");
    m_call_info = &find(u"call_info");
    m_direction = &find<zentra::MultiNode>(u"direction");
    m_remove = &find<zentra::ButtonNode>(u"remove");
    m_remove->set_listener(this);
    m_remove->set_visible_at_once(false);
}

SimpleRecentsListElement::~SimpleRecentsListElement() {
    m_remove->set_listener(nullptr);
}

void SimpleRecentsListElement::bind(zentra::VList& list, int flags, int index) {
    m_list = &list;
    const ContactRecentsForm::CallRow* row = m_form.call_row(index);
    if (row == nullptr) {
        return;
    }
    const bool animate = (flags & kBindNew) == 0;
    show_text(*m_phone, row->number);
    show_text(*m_call_info, row->call_info);
    m_direction->select_at_once(row->direction);
    show_node(*m_remove, m_form.delete_mode(), animate);
}

bool SimpleRecentsListElement::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (&button != m_remove) {
        return false;
    }
    const int index = m_list != nullptr ? m_list->item_of(this) : -1;
    if (index >= 1) {
        m_form.request_remove(index);
    }
    return true;
}

}  // namespace velvane
