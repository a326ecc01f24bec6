#include "core/message_scheduler.h"

#include "core/log.h"
#include "platform/messages.h"

namespace velvane {

namespace {

// Each thread's scheduler.
platform::ThreadLocalSlot& current_slot() {
    static platform::ThreadLocalSlot* const slot = new platform::ThreadLocalSlot();
    return *slot;
}

MessageScheduler& scheduler_for_new_port() {
    MessageScheduler* scheduler = MessageScheduler::current();
    if (scheduler == nullptr) {
        fatal(u"MessagePort", u"No MessageScheduler on this thread");
    }
    return *scheduler;
}

}  // namespace

MessageScheduler::MessageScheduler() : m_thread_id(platform::current_thread_id()) {
    if (current_slot().get() != nullptr) {
        fatal(u"MessageScheduler", u"MessageScheduler already instantiate");
    }
    current_slot().set(this);
    // Makes sure the thread has a message queue before any worker posts to it.
    platform::Message message;
    platform::peek_message(message, {}, platform::WM_USER, platform::WM_USER, false);
}

MessageScheduler::~MessageScheduler() {
    bool ports_left;
    {
        std::lock_guard guard(m_mutex);
        ports_left = !m_ports.empty();
    }
    if (ports_left) {
        fatal(u"MessageScheduler", u"Messages are not empty");
    }
    current_slot().set(nullptr);
    std::lock_guard guard(m_mutex);
    m_ports.clear();
}

MessageScheduler* MessageScheduler::current() {
    return static_cast<MessageScheduler*>(current_slot().get());
}

void MessageScheduler::set_window(platform::WindowHandle window) {
    m_window.store(window.id);
}

platform::WindowHandle MessageScheduler::window() const {
    return platform::WindowHandle{m_window.load()};
}

bool MessageScheduler::handle_message(uint32_t message, uintptr_t wparam, intptr_t) {
    if (message != kPortMessage) {
        return false;
    }
    const int id = static_cast<int>(wparam);
    MessagePort* port = nullptr;
    {
        std::lock_guard guard(m_mutex);
        auto found = m_ports.find(id);
        if (found == m_ports.end()) {
            return true;  // the port was destroyed after the call was posted
        }
        port = found->second;
    }
    if (&port->m_scheduler != this) {
        fatal(u"MessageScheduler", u"Messages is sent on another thread");
    }
    port->m_handler(*port);
    // The handler may have destroyed the port; only a registered one is signalled.
    std::lock_guard guard(m_mutex);
    auto found = m_ports.find(id);
    if (found != m_ports.end()) {
        found->second->m_event.set();
    }
    return true;
}

int MessageScheduler::register_port(MessagePort& port) {
    std::lock_guard guard(m_mutex);
    const int id = m_next_port_id++;
    m_ports.emplace(id, &port);
    return id;
}

void MessageScheduler::unregister_port(int id) {
    std::lock_guard guard(m_mutex);
    m_ports.erase(id);
}

void MessageScheduler::post_port(int id) const {
    const platform::WindowHandle target = window();
    const auto wparam = static_cast<uintptr_t>(id);
    bool posted;
    if (target) {
        posted = platform::post_message(target, kPortMessage, wparam);
    } else {
        posted = platform::post_thread_message(m_thread_id, kPortMessage, wparam);
    }
    if (!posted) {
        log() << u"MessageScheduler::post_port lost the call of port " << id << u"\n";
    }
}

MessagePort::MessagePort(Handler handler)
    : m_scheduler(scheduler_for_new_port()), m_handler(std::move(handler)) {
    m_id = m_scheduler.register_port(*this);
}

MessagePort::~MessagePort() {
    m_scheduler.unregister_port(m_id);
}

void MessagePort::post() {
    m_event.wait();
    m_scheduler.post_port(m_id);
}

void MessagePort::wait() {
    m_event.wait();
    m_event.set();
}

void MessagePort::call() {
    post();
    wait();
}

}  // namespace velvane
