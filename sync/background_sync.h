#pragma once
// The program's sync: a pass at start and every 15 minutes on a thread of its own, never the
// UI thread, and one more whenever the user asks. Changes reach the screens the way any other
// process's do, through the contact database's change journal; how a pass goes reaches them
// through the listener.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "core/thread.h"
#include "sync/sync_engine.h"

namespace velvane::sync {

class BackgroundSync : private Thread {
public:
    static constexpr uint32_t kIntervalMs = 15 * 60 * 1000;
    // A pass reports every card; the listener hears of its progress at most this often.
    static constexpr std::chrono::milliseconds kProgressInterval{250};

    struct Status {
        bool running = false;
        size_t done = 0;
        size_t total = 0;
        // Whether a pass has ended yet, and how.
        bool finished = false;
        SyncSummary summary;
    };

    // db_file empty: the user's own contact database.
    explicit BackgroundSync(std::string db_file = {});
    // Stops a pass in progress where it is and waits for the thread.
    ~BackgroundSync() override;

    // Whether the database has an account to sync with.
    static bool account_exists(const std::string& db_file = {});

    // Called on the sync's thread when a pass starts, ends, and as it goes; it must not wait.
    // Set before start.
    void set_listener(std::function<void()> changed) { m_changed = std::move(changed); }
    // Starts the thread; its first pass begins at once.
    bool start() { return Thread::start(); }
    // A pass now (or right after the one running).
    void sync_now();
    Status status() const;

private:
    void run() override;
    void report() const;

    std::string m_db_file;
    std::function<void()> m_changed;
    Event m_wake;
    mutable std::mutex m_mutex;
    Status m_status;
};

}  // namespace velvane::sync
