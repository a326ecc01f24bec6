#include "platform/pim_session.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <random>

#include "platform/files.h"
#include "platform/pim_store.h"

namespace platform::pim {

using namespace detail;
using sql::Statement;

namespace {

// 'VELV' in the file header tells our database from any other SQLite file.
constexpr int32_t kApplicationId = 0x56454C56;
constexpr int32_t kSchemaVersion = 1;

constexpr const char* kSchema =
    "CREATE TABLE items(oid INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER NOT NULL);"
    "CREATE TABLE props(oid INTEGER NOT NULL, prop INTEGER NOT NULL, value,"
    " PRIMARY KEY(oid, prop)) WITHOUT ROWID;"
    "CREATE TABLE pictures(oid INTEGER PRIMARY KEY, data BLOB NOT NULL);"
    "CREATE TABLE folder_props(folder INTEGER NOT NULL, prop INTEGER NOT NULL, value,"
    " PRIMARY KEY(folder, prop)) WITHOUT ROWID;"
    "CREATE TABLE journal(seq INTEGER PRIMARY KEY AUTOINCREMENT, oid INTEGER NOT NULL,"
    " kind INTEGER NOT NULL, process TEXT NOT NULL);";

constexpr const char* kTables[] = {"items", "props", "pictures", "folder_props", "journal"};

std::string make_token() {
    std::random_device device;
    const uint64_t salt = (static_cast<uint64_t>(device()) << 32) | device();
    char text[64];
    std::snprintf(text, sizeof text, "%ld-%016llx", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(salt));
    return text;
}

// Looks at the first bytes ourselves so that a foreign file is never handed to SQLite.
bool header_is_sqlite(const std::string& file, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    char header[16] = {};
    if (!in.read(header, sizeof header)) {
        error = "too short to be a database";
        return false;
    }
    if (std::memcmp(header, "SQLite format 3", 16) != 0) {
        error = "not an SQLite database";
        return false;
    }
    return true;
}

// Files this process has open in a session. Opening and closing any descriptor of a file
// drops every POSIX lock the process holds on it, SQLite's included; a file already open here
// was checked when it was first opened and is not looked at again.
std::mutex g_open_mutex;
std::map<std::pair<uint64_t, uint64_t>, int> g_open_files;

bool open_in_this_process(const struct stat& st) {
    std::lock_guard guard(g_open_mutex);
    return g_open_files.count({static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)}) != 0;
}

}  // namespace

std::string PimSession::default_file() { return to_utf8(user_data_folder()) + "/contacts.db"; }

PimSession::PimSession(std::shared_ptr<SessionState> state) : m_state(std::move(state)) {}

PimSession::~PimSession() {
    logoff();
    if (m_state->file_id) {
        std::lock_guard guard(g_open_mutex);
        auto it = g_open_files.find(*m_state->file_id);
        if (it != g_open_files.end() && --it->second <= 0) {
            g_open_files.erase(it);
        }
    }
}

std::unique_ptr<PimSession> PimSession::open(const std::string& file, std::string& error,
                                             std::string process_token) {
    struct stat st {};
    const bool exists = ::stat(file.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        error = file + ": not a file";
        return nullptr;
    }
    if (exists && st.st_size > 0 && !open_in_this_process(st) && !header_is_sqlite(file, error)) {
        error = file + ": " + error + "; left untouched";
        return nullptr;
    }
    // Contacts are the user's own: the folder and the files are the owner's only.
    if (!sql::make_private_folder_of(file)) {
        error = file + ": cannot create its folder";
        return nullptr;
    }

    auto state = std::make_shared<SessionState>();
    state->token = process_token.empty() ? make_token() : std::move(process_token);
    // The session's own lock serialises every use of the connection.
    if (state->db.open(file, sql::kCallerLocks | sql::kPrivate |
                                 (exists ? 0u : unsigned{sql::kCreate})) != SQLITE_OK) {
        error = file + ": cannot be opened: " + state->db.error_message();
        return nullptr;
    }

    auto application = state->db.query_integer("PRAGMA application_id");
    auto tables = state->db.query_integer("SELECT count(*) FROM sqlite_schema");
    if (!application || !tables) {
        error = file + ": damaged, cannot be read: " + state->db.error_message() + "; left untouched";
        return nullptr;
    }
    // Read apart, the two may straddle another process's setting up: looked at again under
    // the write lock before anything is decided.
    const bool fresh = *tables == 0 || *application == 0;
    if (fresh) {
        // A new (or empty) file. Another process may be setting it up at this very moment:
        // the write lock decides, and whoever comes second finds the tables made and uses
        // them. UTF-16 text so names come out without conversion (a no-op once made).
        state->exec("PRAGMA encoding = 'UTF-16le'");
        if (const int rc = state->exec("BEGIN IMMEDIATE"); rc != SQLITE_OK) {
            error = file + ": cannot be set up: " + state->db.error_message();
            return nullptr;
        }
        application = state->db.query_integer("PRAGMA application_id");
        tables = state->db.query_integer("SELECT count(*) FROM sqlite_schema");
        if (!application || !tables) {
            error = file + ": damaged, cannot be read: " + state->db.error_message() +
                    "; left untouched";
            state->exec("ROLLBACK");
            return nullptr;
        }
        if (*tables == 0 && *application == 0) {
            const std::string create = std::string(kSchema) + "PRAGMA application_id = " +
                                       std::to_string(kApplicationId) +
                                       "; PRAGMA user_version = " +
                                       std::to_string(kSchemaVersion) + "; COMMIT;";
            if (state->db.exec(create) != SQLITE_OK) {
                error = file + ": cannot be set up: " + state->db.error_message();
                state->exec("ROLLBACK");
                return nullptr;
            }
        } else {
            state->exec("ROLLBACK");
        }
    }
    if (fresh && *tables == 0 && *application == 0) {
        // Made just now by this process; WAL lets the tool write while the program reads,
        // and a file left without it still works, so a refusal here is no failure.
        state->db.use_wal();
    } else {
        if (*application != kApplicationId) {
            error = file + ": not a contact database; left untouched";
            return nullptr;
        }
        const auto version = state->db.user_version();
        if (!version || *version > kSchemaVersion) {
            error = file + ": written by a newer version; left untouched";
            return nullptr;
        }
        for (const char* table : kTables) {
            const std::string sql =
                std::string("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = '") +
                table + "'";
            const auto found = state->db.query_integer(sql);
            if (!found || *found != 1) {
                error = file + ": damaged, table " + table + " is missing; left untouched";
                return nullptr;
            }
        }
        // WAL lets the tool write while the program reads; a no-op when it is already set.
        state->db.use_wal();
    }
    mark_journal(*state);
    struct stat made {};
    if (::stat(file.c_str(), &made) == 0) {
        std::lock_guard guard(g_open_mutex);
        const std::pair<uint64_t, uint64_t> id{static_cast<uint64_t>(made.st_dev),
                                               static_cast<uint64_t>(made.st_ino)};
        ++g_open_files[id];
        state->file_id = id;
    }
    return std::unique_ptr<PimSession>(new PimSession(std::move(state)));
}

Code PimSession::logon(WindowHandle window) {
    if (!is_window(window)) {
        return kInvalidArg;
    }
    logoff();
    {
        std::lock_guard guard(m_state->mutex);
        m_state->window = window;
        mark_journal(*m_state);
    }
    std::weak_ptr<SessionState> weak = m_state;
    set_timer(window, kWatchTimerId, kWatchIntervalMs, [weak](WindowHandle, uint32_t, uintptr_t, uint32_t) {
        if (auto state = weak.lock()) {
            check_remote(state);
        }
    });
    return kOk;
}

Code PimSession::logoff() {
    WindowHandle window;
    {
        std::lock_guard guard(m_state->mutex);
        window = m_state->window;
        m_state->window = {};
    }
    if (window) {
        kill_timer(window, kWatchTimerId);
    }
    return kOk;
}

WindowHandle PimSession::window() const {
    std::lock_guard guard(m_state->mutex);
    return m_state->window;
}

Code PimSession::default_folder(uint32_t folder_id, std::unique_ptr<PimFolder>& out) {
    out.reset();
    if (folder_id != kFolderContacts) {
        return kInvalidArg;
    }
    out.reset(new PimFolder(m_state, folder_id));
    return kOk;
}

Code PimSession::create_item(uint32_t item_type, std::unique_ptr<PimItem>& out) {
    out.reset();
    if (item_type != kItemAppointment && item_type != kItemContact && item_type != kItemTask) {
        return kInvalidArg;
    }
    out.reset(new PimItem(m_state, 0, item_type));
    return kOk;
}

Code PimSession::item_from_oid(uint32_t oid, std::unique_ptr<PimItem>& out) {
    return PimItem::fetch(m_state, oid, out);
}

Code PimSession::write_batch(const std::function<Code()>& body) {
    {
        std::lock_guard guard(m_state->mutex);
        if (m_state->batch) {
            return kInvalidArg;
        }
        if (m_state->damaged) {
            return kCorrupt;
        }
        const int rc = begin_write(*m_state);
        if (rc != SQLITE_OK) {
            return m_state->fail(rc);
        }
        m_state->batch = true;
        m_state->batch_notices.clear();
    }
    Code code = body();
    std::vector<std::pair<uint32_t, uint32_t>> notices;
    {
        std::lock_guard guard(m_state->mutex);
        SessionState& state = *m_state;
        state.batch = false;
        code = end_transaction(state, code);
        if (code != kOk) {
            state.batch_notices.clear();
            // Items saved inside have ids that no longer exist; caches must not trust them.
            ++state.writes;
            return code;
        }
        notices.swap(state.batch_notices);
        for (auto& notice : notices) {
            post_local(state, notice.first, notice.second);
        }
    }
    return kOk;
}

int PimSession::check_remote_changes() { return check_remote(m_state); }

void PimSession::set_write_wait(int ms) {
    std::lock_guard guard(m_state->mutex);
    m_state->write_wait_ms = ms < 0 ? 0 : ms;
}

int PimSession::write_wait() const {
    std::lock_guard guard(m_state->mutex);
    return m_state->write_wait_ms;
}

std::string PimSession::last_error() const {
    std::lock_guard guard(m_state->mutex);
    return m_state->last_error;
}

const std::string& PimSession::process_token() const { return m_state->token; }

void PimSession::set_write_hook(std::function<void(int row)> hook) {
    std::lock_guard guard(m_state->mutex);
    m_state->write_hook = std::move(hook);
}

}  // namespace platform::pim
