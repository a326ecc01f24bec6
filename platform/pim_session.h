#pragma once
// The contact database: items with typed properties, picture streams and folder properties
// in one SQLite file that several processes share, with change notices posted to the
// logged-on window.
//
// Every write is one transaction and leaves a line in the change journal that names the
// writing process. Writes of this process are announced at once as local notices; a window
// timer on the logged-on window looks at the journal cheaply and announces what other
// processes committed as remote notices. All objects may be used from any thread; the
// session serialises them on one lock.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/pim_folder.h"
#include "platform/pim_item.h"
#include "platform/pim_types.h"
#include "platform/window.h"

namespace platform::pim {

struct SessionState;

class PimSession {
public:
    // $XDG_DATA_HOME/velvane/contacts.db.
    static std::string default_file();

    // Opens the database, creating it (and its folder) when the file does not exist. A file
    // that is not a contact database, is damaged or is from a newer version is left exactly
    // as it is: the result is null and error says why. The process token names this process
    // in the journal; empty picks one unique to this process.
    static std::unique_ptr<PimSession> open(const std::string& file, std::string& error,
                                            std::string process_token = {});
    ~PimSession();
    PimSession(const PimSession&) = delete;
    PimSession& operator=(const PimSession&) = delete;

    // Notices go to this window from now on, and a timer on it starts watching the journal.
    Code logon(WindowHandle window);
    Code logoff();
    WindowHandle window() const;

    Code default_folder(uint32_t folder_id, std::unique_ptr<PimFolder>& out);
    // A new item that exists only in memory until it is saved.
    Code create_item(uint32_t item_type, std::unique_ptr<PimItem>& out);
    Code item_from_oid(uint32_t oid, std::unique_ptr<PimItem>& out);

    // Runs body's writes as one transaction (each save inside becomes a savepoint), for
    // imports of many items: one disk flush instead of one per item. A write inside that
    // fails is undone on its own and reported to body; when body fails, nothing of the batch
    // is kept. Notices are posted after the commit.
    Code write_batch(const std::function<Code()>& body);

    // How long a write waits for another process's write to end before it fails with kBusy;
    // five seconds unless set. Reads are not affected: other writers never hold them up.
    void set_write_wait(int ms);
    int write_wait() const;

    // Posts the remote notices of changes other processes committed since the last look and
    // gives their number. The logon timer calls it; tests may call it directly.
    int check_remote_changes();

    // The SQLite text of the last failure, for log lines.
    std::string last_error() const;
    const std::string& process_token() const;

    // For tests: called inside every write transaction after each row it writes.
    void set_write_hook(std::function<void(int row)> hook);

    static constexpr uintptr_t kWatchTimerId = 0x5049;
    static constexpr uint32_t kWatchIntervalMs = 500;

private:
    // The sync's bookkeeping shares the connection so that it commits with the contacts.
    friend class SyncLedger;
    explicit PimSession(std::shared_ptr<SessionState> state);
    std::shared_ptr<SessionState> m_state;
};

}  // namespace platform::pim
