#include "screens/sync_status_line.h"

#include "app/languages.h"
#include "skin/form_host.h"
#include "skin/node.h"
#include "skin/properties.h"

namespace velvane {

namespace {

WString number(long long value) {
    return platform::to_wstring(value);
}

}  // namespace

void SyncStatusLine::bind(zentra::Node& screen, const zentra::Properties& properties) {
    m_properties = &properties;
    m_node = dynamic_cast<zentra::ButtonNode*>(screen.find_descendant(u"sync_status"));
    if (m_node != nullptr) {
        m_node->set_listener(this);
    }
    apply();
}

void SyncStatusLine::show(const SyncState& state) {
    m_state = state;
    m_shown = state.phase != SyncState::Phase::idle;
    if (state.phase == SyncState::Phase::done) {
        m_timer.start(kDoneSeconds);
    } else {
        m_timer.cancel();
    }
    apply();
}

WString SyncStatusLine::text(const zentra::Properties& properties, const SyncState& state) {
    switch (state.phase) {
        case SyncState::Phase::idle:
            break;
        case SyncState::Phase::running:
            return state.total > 0
                       ? velvane::text(properties, u"SyncProgress",
                                       {number(static_cast<long long>(state.done)),
                                        number(static_cast<long long>(state.total))})
                       : velvane::text(properties, u"SyncRunning");
        case SyncState::Phase::done:
            if (state.changed_here == 0 && state.changed_there == 0) {
                return velvane::text(properties, u"SyncUnchanged");
            }
            return velvane::text(properties, u"SyncDone",
                                 {number(state.changed_here), number(state.changed_there)});
        case SyncState::Phase::failed:
            return velvane::text(properties, u"SyncFailed", {state.reason});
    }
    return {};
}

void SyncStatusLine::on_timer(Timer&) {
    m_shown = false;
    apply();
}

bool SyncStatusLine::on_click(zentra::ButtonNode&, const zentra::ButtonEvent&) {
    // A running pass keeps its line: the tap would only hide what comes back at once.
    if (m_state.phase != SyncState::Phase::running) {
        m_timer.cancel();
        m_shown = false;
        apply();
    }
    return true;
}

void SyncStatusLine::apply() {
    if (m_node == nullptr || m_properties == nullptr) {
        return;
    }
    if (m_shown) {
        // The text nodes inside carry the line's name.
        m_node->set_text(m_node->name(), text(*m_properties, m_state));
    }
    m_node->set_visible_at_once(m_shown);
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->request_redraw();
    }
}

}  // namespace velvane
