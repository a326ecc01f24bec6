#include "screens/recents_container.h"

#include "contacts/recent_call.h"
#include "core/log.h"
#include "platform/clock.h"
#include "skin/exceptions.h"
#include "skin/node.h"
#include "skin/properties.h"
#include "skin/vlist.h"

namespace velvane {

namespace {

void show_text(zentra::Node& node, WStringView text) {
    node.set_text(node.name(), text);
}

}  // namespace

RecentsContainer::RecentsContainer(ContactRecentsScreen& history, OpenMenu open_menu,
                                   CallNumber call_number)
    : m_history(history),
      m_open_menu(std::move(open_menu)),
      m_call_number(std::move(call_number)),
      m_clock(local_file_time_now),
      m_locale(platform::DateLocale::from_environment()) {}

RecentsContainer::~RecentsContainer() {
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
    }
}

void RecentsContainer::bind(zentra::Node& parent, zentra::Properties& properties) {
    // The main screen is loaded anew before its containers are bound: the list of the last
    // binding is gone with it and must not be touched.
    m_list = nullptr;
    m_properties = &properties;
    m_root = &parent.find(u"RecentsContainer");
    auto& list = m_root->find<zentra::VList>(u"RecentsList");
    // Rows are made while the list draws, where a skin error would reach no one; one made
    // here stops the binding instead.
    RecentsListElement probe(*this, properties);
    m_list = &list;
    m_list->set_adapter(this);
    refill();
}

RecentTextFormat RecentsContainer::text_format() const {
    RecentTextFormat format;
    format.locale = &m_locale;
    if (m_properties != nullptr) {
        const zentra::Properties* properties = m_properties;
        format.translate = [properties](WStringView key) { return properties->translate(key); };
    }
    format.today_start = day_of(m_clock()) * kFileTimeDay;
    return format;
}

void RecentsContainer::refill() {
    const uint32_t start = platform::tick_count();
    Document* document = Document::get_instance();
    m_rows = document != nullptr
                 ? fold_recent_calls(document->recent_calls(), m_filter, text_format())
                 : std::vector<RecentRow>{};
    if (m_list != nullptr) {
        m_list->reset(static_cast<int>(m_rows.size()));
    }
    log() << "RecentsContainer::refill() c=" << static_cast<int>(m_rows.size())
          << " t=" << static_cast<int>(platform::tick_count() - start) << "\n";
}

const RecentRow* RecentsContainer::row(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_rows.size()) {
        return nullptr;
    }
    return &m_rows[static_cast<size_t>(index)];
}

const RecentCall* RecentsContainer::newest_call(int index) const {
    const RecentRow* shown = row(index);
    Document* document = Document::get_instance();
    if (shown == nullptr || document == nullptr) {
        return nullptr;
    }
    const std::vector<RecentCall>& calls = document->recent_calls();
    if (shown->index < 0 || static_cast<size_t>(shown->index) >= calls.size()) {
        return nullptr;
    }
    const RecentCall& call = calls[static_cast<size_t>(shown->index)];
    // Between a re-read and its notice the position may hold another call.
    if (call.number != shown->number || call.start_time != shown->start_time) {
        return nullptr;
    }
    return &call;
}

void RecentsContainer::call_back(int index) {
    const RecentRow* shown = row(index);
    // A call that came without a number has none to call back.
    if (shown == nullptr || shown->number == kUnknownNumber) {
        return;
    }
    if (m_call_number) {
        m_call_number(shown->number);
    } else {
        log() << "RecentsContainer::call_back no phone to call " << shown->number << "\n";
    }
}

void RecentsContainer::direction_clicked(int index) {
    const RecentCall* call = newest_call(index);
    if (call == nullptr) {
        return;
    }
    Document::get_instance()->set_current_recent(*call);
    if (m_open_menu) {
        m_open_menu(call->contact != nullptr ? u"RecentClickKnownContact"
                                             : u"RecentClickUnknownContact");
    }
}

void RecentsContainer::open_history(int index) {
    const RecentCall* call = newest_call(index);
    if (call == nullptr) {
        return;
    }
    Document::get_instance()->set_current_recent(*call);
    if (call->contact != nullptr) {
        m_history.open_contact(call->contact->contact);
    } else {
        m_history.open_number(m_rows[static_cast<size_t>(index)].firstlast);
    }
}

void RecentsContainer::on_document_refresh(const RefreshHint& hint) {
    if (hint.log_updated || hint.is_load_done) {
        refill();
        return;
    }
    if (!hint.recent_changed) {
        return;
    }
    Document* document = Document::get_instance();
    const std::vector<RecentCall>& calls = document->recent_calls();
    if (hint.recent_index < 0 || static_cast<size_t>(hint.recent_index) >= calls.size()) {
        return;
    }
    const RecentCall& call = calls[static_cast<size_t>(hint.recent_index)];
    const RecentTextFormat format = text_format();
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].index == hint.recent_index) {
            fill_recent_row(m_rows[i], call, format);
            if (m_list != nullptr) {
                m_list->item_changed(static_cast<int>(i));
            }
        }
    }
}

void RecentsContainer::on_item_click(zentra::VList&, int index) {
    call_back(index);
}

std::unique_ptr<zentra::VListElement> RecentsContainer::create_element(zentra::VList&, int index) {
    if (row(index) == nullptr || m_properties == nullptr) {
        return nullptr;
    }
    return std::make_unique<RecentsListElement>(*this, *m_properties);
}

// The row

RecentsListElement::RecentsListElement(RecentsContainer& container,
                                       const zentra::Properties& properties)
    : m_container(container) {
    if (!zentra::load_from_skin(*this, properties, u"RecentsListElement")) {
        throw zentra::NodeNotFoundInSkin{WString(u"RecentsListElement")};
    }
    m_firstlast = &find(u"firstlast");
    m_count = &find(u"count");
    m_datetime = &find(u"datetime");
    m_duration = &find(u"duration");
    m_phone = &find(u"phone");
    m_direction = &find<zentra::MultiNode>(u"direction");
    m_history = &find<zentra::ButtonNode>(u"btnRecents");
    m_direction->set_listener(this);
    m_history->set_listener(this);
}

RecentsListElement::~RecentsListElement() {
    m_direction->set_listener(nullptr);
    m_history->set_listener(nullptr);
}

void RecentsListElement::bind(zentra::VList&, int, int index) {
    m_index = index;
    const RecentRow* shown = m_container.row(index);
    if (shown == nullptr) {
        return;
    }
    show_text(*m_firstlast, shown->firstlast);
    show_text(*m_count, shown->count_text);
    show_text(*m_datetime, shown->datetime);
    show_text(*m_duration, shown->duration);
    show_text(*m_phone, shown->phone);
    m_direction_state = shown->direction;
    m_direction->select_at_once(m_direction_state);
}

bool RecentsListElement::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (&button != m_history) {
        return false;
    }
    m_container.open_history(m_index);
    return true;
}

void RecentsListElement::on_select(zentra::MultiNode& node, bool by_user) {
    if (!by_user) {
        return;
    }
    node.select_at_once(m_direction_state);
    m_container.direction_clicked(m_index);
}

}  // namespace velvane
