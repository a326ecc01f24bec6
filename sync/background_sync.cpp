#include "sync/background_sync.h"

#include "core/log.h"

namespace velvane::sync {

BackgroundSync::BackgroundSync(std::string db_file) : m_db_file(std::move(db_file)) {}

BackgroundSync::~BackgroundSync() {
    request_stop();
    m_wake.set();
    join();
}

bool BackgroundSync::account_exists(const std::string& db_file) {
    std::vector<SyncAccount> accounts;
    std::string error;
    return list_accounts(db_file, accounts, error) && !accounts.empty();
}

void BackgroundSync::sync_now() { m_wake.set(); }

BackgroundSync::Status BackgroundSync::status() const {
    std::lock_guard guard(m_mutex);
    return m_status;
}

void BackgroundSync::report() const {
    if (m_changed) {
        m_changed();
    }
}

void BackgroundSync::run() {
    while (!stop_requested()) {
        {
            std::lock_guard guard(m_mutex);
            m_status.running = true;
            m_status.done = m_status.total = 0;
        }
        report();
        // Real time, not the program's: the reports are for a person watching.
        using Clock = std::chrono::steady_clock;
        Clock::time_point reported = Clock::now();
        const auto progress = [this, &reported](const char*, size_t done, size_t total) {
            {
                std::lock_guard guard(m_mutex);
                m_status.done = done;
                m_status.total = total;
            }
            if (const auto now = Clock::now(); now - reported >= kProgressInterval) {
                reported = now;
                report();
            }
            return !stop_requested();
        };
        const SyncSummary summary = run_sync(m_db_file, progress, [this] { return stop_requested(); });
        const std::string text = summary.ok ? summary_text(summary) : summary.error;
        {
            std::lock_guard guard(m_mutex);
            m_status.running = false;
            m_status.finished = true;
            m_status.summary = summary;
        }
        // Logged once the status holds the result: whoever reads the line finds the pass over.
        log() << "BackgroundSync::run " << (summary.ok ? "done: " : "not complete: ")
              << platform::from_utf8(text) << "\n";
        report();
        m_wake.wait(kIntervalMs);
    }
}

}  // namespace velvane::sync
