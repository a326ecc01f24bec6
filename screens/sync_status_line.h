#pragma once
// SyncStatusLine: the address book sync's line over the contact list. It shows how far a
// running pass has come, then how the pass ended: a complete one for a few seconds, one cut
// off until the next pass or a tap, so its reason is not missed. A skin without the line
// shows none.

#include <cstddef>

#include "core/timer.h"
#include "platform/ustring.h"
#include "skin/button_node.h"

namespace zentra {
class Node;
class Properties;
}  // namespace zentra

namespace velvane {

using platform::WString;

// What the sync is doing, as the main screen tells it.
struct SyncState {
    enum class Phase { idle, running, done, failed };
    Phase phase = Phase::idle;
    // Cards of the running pass; total 0 while it does not know yet.
    size_t done = 0, total = 0;
    // A complete pass: contacts it changed here and on the server.
    int changed_here = 0, changed_there = 0;
    // A pass cut off: why.
    WString reason;
};

class SyncStatusLine : public TimerListener, public zentra::ButtonListener {
public:
    static constexpr double kDoneSeconds = 5;

    SyncStatusLine() : m_timer(this) {}

    // Finds `sync_status` on the freshly loaded screen, if the skin has it, and shows on it
    // what the line showed before.
    void bind(zentra::Node& screen, const zentra::Properties& properties);
    void show(const SyncState& state);

    zentra::ButtonNode* node() const { return m_node; }
    // The line's text for the state, translated.
    static WString text(const zentra::Properties& properties, const SyncState& state);

    void on_timer(Timer& timer) override;
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

private:
    void apply();

    const zentra::Properties* m_properties = nullptr;
    zentra::ButtonNode* m_node = nullptr;
    SyncState m_state;
    bool m_shown = false;
    Timer m_timer;
};

}  // namespace velvane
