#pragma once
// RecentsContainer: the recents tab. The call log as a list in which calls to or from one
// number on one day in one direction make one row with a count. A tap on a row calls back,
// the direction icon opens the menu of the call's number, and a button opens the history of
// its contact or number. The main form's recents menu sets the direction filter and deletes.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "contacts/document.h"
#include "platform/locale.h"
#include "screens/recent_rows.h"
#include "screens/screen_slots.h"
#include "skin/button_node.h"
#include "skin/multinode.h"
#include "skin/vlist_adapter.h"

namespace zentra {
class VList;
}

namespace velvane {

class RecentsContainer : public RecentsScreen, public DocumentView, public zentra::VListAdapter {
public:
    using CallNumber = std::function<void(WStringView number)>;
    // Opens a menu of the main menu object by name.
    using OpenMenu = std::function<void(WStringView name)>;
    // Now, as a local file time.
    using Clock = std::function<int64_t()>;

    // history must outlive the container.
    RecentsContainer(ContactRecentsScreen& history, OpenMenu open_menu, CallNumber call_number);
    ~RecentsContainer() override;

    // TabContainer: finds `RecentsContainer` and `RecentsList` below parent (NodeNotFound),
    // makes one row to prove the skin has it, and builds the rows.
    void bind(zentra::Node& parent, zentra::Properties& properties) override;
    zentra::Node* root() const override { return m_root; }

    // RecentsScreen.
    int32_t direction_filter() const override { return m_filter; }
    void set_direction_filter(int32_t filter) override { m_filter = filter; }
    bool passes(const RecentCall& call) const override {
        return passes_direction_filter(m_filter, call.direction);
    }
    // Builds the rows from the Document's call log again; the list starts at the top.
    void refill() override;

    const std::vector<RecentRow>& rows() const { return m_rows; }
    const RecentRow* row(int index) const;
    zentra::VList* list() const { return m_list; }
    const zentra::Properties* properties() const { return m_properties; }

    // What the user does with a row, by its list index; indices outside the rows are ignored.
    void call_back(int index);
    void direction_clicked(int index);
    void open_history(int index);

    // For tests: the moment "today" is measured from, and the date conventions.
    void set_clock(Clock clock) { m_clock = std::move(clock); }
    void set_date_locale(platform::DateLocale locale) { m_locale = std::move(locale); }

    // DocumentView.
    void on_document_refresh(const RefreshHint& hint) override;
    // VListAdapter.
    void on_item_click(zentra::VList& list, int index) override;
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& list, int index) override;

private:
    RecentTextFormat text_format() const;
    // The call a row stands for, as the Document now holds it; null when the log lost it.
    const RecentCall* newest_call(int index) const;

    ContactRecentsScreen& m_history;
    OpenMenu m_open_menu;
    CallNumber m_call_number;
    Clock m_clock;
    platform::DateLocale m_locale;
    const zentra::Properties* m_properties = nullptr;
    zentra::Node* m_root = nullptr;
    zentra::VList* m_list = nullptr;
    int32_t m_filter = kAllCalls;
    std::vector<RecentRow> m_rows;
};

// `RecentsListElement`: one row of the recents list.
class RecentsListElement : public zentra::VListElement,
                           public zentra::ButtonListener,
                           private zentra::MultiNodeListener {
public:
    using Node::on_pointer;

    // NodeNotFoundInSkin without the definition, NodeNotFound without one of its nodes.
    RecentsListElement(RecentsContainer& container, const zentra::Properties& properties);
    ~RecentsListElement() override;

    void bind(zentra::VList& list, int flags, int index) override;
    int index() const { return m_index; }

    zentra::Node& firstlast() const { return *m_firstlast; }
    zentra::Node& count() const { return *m_count; }
    zentra::Node& datetime() const { return *m_datetime; }
    zentra::Node& duration() const { return *m_duration; }
    zentra::Node& phone() const { return *m_phone; }
    zentra::MultiNode& direction() const { return *m_direction; }
    zentra::ButtonNode& history_button() const { return *m_history; }

    // ButtonListener: `btnRecents`.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

private:
    // MultiNodeListener: a tap on `direction` steps the icon; it shows the direction again
    // and counts as a click.
    void on_select(zentra::MultiNode& node, bool by_user) override;

    RecentsContainer& m_container;
    zentra::Node* m_firstlast = nullptr;
    zentra::Node* m_count = nullptr;
    zentra::Node* m_datetime = nullptr;
    zentra::Node* m_duration = nullptr;
    zentra::Node* m_phone = nullptr;
    zentra::MultiNode* m_direction = nullptr;
    zentra::ButtonNode* m_history = nullptr;
    int m_index = -1;
    int m_direction_state = 0;
};

}  // namespace velvane
