#include "contacts/contact_saver.h"

#include <chrono>

#include "contacts/contact_manager.h"
#include "core/log.h"
#include "platform/messages.h"
#include "platform/pim_session.h"

namespace velvane {

namespace pim = platform::pim;

namespace {

// Tries that come back busy at once (a lock inside this process) are spaced out a little.
constexpr auto kBusyPause = std::chrono::milliseconds(20);

}  // namespace

ContactSaver::ContactSaver(std::string file, platform::WindowHandle window)
    : m_file(std::move(file)), m_window(window) {}

ContactSaver::~ContactSaver() {
    {
        std::lock_guard guard(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

bool ContactSaver::add(Save save) {
    std::lock_guard guard(m_mutex);
    if (m_stop) {
        return false;
    }
    if (!m_worker.is_running() && !m_worker.start()) {
        return false;
    }
    m_queue.push_back(std::move(save));
    m_wake.notify_all();
    return true;
}

size_t ContactSaver::queued() const {
    std::lock_guard guard(m_mutex);
    return m_queue.size();
}

std::vector<ContactSaver::Save> ContactSaver::queued_for(uint32_t object_id) const {
    std::lock_guard guard(m_mutex);
    std::vector<Save> found;
    for (const Save& save : m_queue) {
        if (save.changed.object_id == object_id) {
            found.push_back(save);
        }
    }
    return found;
}

bool ContactSaver::finish(uint32_t timeout_ms) {
    std::unique_lock lock(m_mutex);
    const bool done = m_drained.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                         [this] { return m_queue.empty(); });
    m_stop = true;
    lock.unlock();
    m_wake.notify_all();
    m_worker.join();
    return done;
}

void ContactSaver::run() {
    // The program's store announces what this one writes.
    QuietListener unheard;
    // Its own connection, under its own name in the journal: the program's store finds these
    // writes there as another process's and the screens follow them as any other.
    ContactManagerImpl2 store(unheard, m_file);
    if (pim::PimSession* session = store.session()) {
        session->set_write_wait(kTryWaitMs);
    }
    while (true) {
        Save save;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) {
                return;
            }
            save = m_queue.front();
        }
        // The write lock is asked for before anything is read or logged: a writer that keeps
        // the database for minutes costs one refused try every little while, nothing more.
        pim::PimSession* session = store.session();
        const pim::Code code =
            session == nullptr ? pim::kFail : session->write_batch([&] {
                return store.store_changes(save.changed, save.original);
            });
        if (code == pim::kBusy) {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, kBusyPause, [this] { return m_stop; });
            continue;
        }
        const uint32_t id = save.changed.object_id;
        // One piece: the program's thread writes to the log at the same time.
        WString line = u"ContactSaver::run() contact " + platform::to_wstring(id);
        if (code == pim::kOk) {
            line += u" saved once the database was free\n";
        } else {
            const std::string error =
                store.session() != nullptr ? store.session()->last_error() : store.open_error();
            line += u" was not saved: " + platform::from_utf8(error) + u"\n";
        }
        log() << line;
        {
            std::lock_guard guard(m_mutex);
            m_queue.pop_front();
            if (m_queue.empty()) {
                m_drained.notify_all();
            }
        }
        if (code != pim::kOk && m_window) {
            // The edit the screens showed is gone: they read the contact again as stored.
            platform::post_message(m_window, ContactManagerImpl2::kChangedLocal, id,
                                   pim::kFolderContacts);
        }
    }
}

}  // namespace velvane
