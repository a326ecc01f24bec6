#pragma once
// ContactSaver: the saves the contact database was too busy to take when the user made them
// (another process, an import for instance, holding its write lock). They wait here, in the
// order they were made, and a thread of the saver's own, with a connection of its own,
// writes them as soon as the writer lets go. Its writes reach the program as another
// process's do, through the change journal; meanwhile the store shows a queued edit in every
// read, so the screens never fall back to the old values.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contacts/contact.h"
#include "core/thread.h"
#include "platform/window.h"

namespace velvane {

class ContactSaver {
public:
    // A working copy and the record it was taken from: only what differs is written.
    struct Save {
        Contact changed;
        Contact original;
    };

    // How long one try waits for the writer before the thread looks at its queue again.
    static constexpr int kTryWaitMs = 250;

    // file: the database; window: told of a save that failed for good (a changed notice of
    // the contact, so the screens show what is stored again).
    ContactSaver(std::string file, platform::WindowHandle window);
    // Stops the thread without waiting for the queue; finish() first to keep what is queued.
    ~ContactSaver();
    ContactSaver(const ContactSaver&) = delete;
    ContactSaver& operator=(const ContactSaver&) = delete;

    // Queues a save after those already queued; false when the thread cannot be started.
    bool add(Save save);
    size_t queued() const;
    // The queued saves of one contact, oldest first.
    std::vector<Save> queued_for(uint32_t object_id) const;
    // Waits until every queued save is written or has failed, at most timeout_ms; true when
    // none is left. A save still queued after that is not written.
    bool finish(uint32_t timeout_ms);

private:
    class Worker : public Thread {
    public:
        explicit Worker(ContactSaver& saver) : m_saver(saver) {}

    protected:
        void run() override { m_saver.run(); }

    private:
        ContactSaver& m_saver;
    };

    void run();

    const std::string m_file;
    const platform::WindowHandle m_window;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_drained;
    std::deque<Save> m_queue;
    bool m_stop = false;
    Worker m_worker{*this};
};

}  // namespace velvane
