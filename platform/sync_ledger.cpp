#include "platform/sync_ledger.h"

#include <sqlite3.h>

#include "platform/pim_session.h"
#include "platform/pim_store.h"

namespace platform::pim {

using namespace detail;
using sql::Statement;

namespace {

constexpr const char* kTables =
    "CREATE TABLE IF NOT EXISTS sync_accounts(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " url TEXT NOT NULL, user TEXT NOT NULL, ca_file TEXT NOT NULL DEFAULT '',"
    " sync_token TEXT NOT NULL DEFAULT '', journal_mark INTEGER NOT NULL DEFAULT 0,"
    " ctag TEXT NOT NULL DEFAULT '');"
    "CREATE TABLE IF NOT EXISTS sync_cards(account INTEGER NOT NULL, oid INTEGER NOT NULL,"
    " href TEXT NOT NULL, etag TEXT NOT NULL, uid TEXT NOT NULL, base BLOB NOT NULL,"
    " PRIMARY KEY(account, oid)) WITHOUT ROWID;";

std::string column_text(const Statement& s, int column) { return std::string(s.text(column)); }

}  // namespace

SyncLedger::SyncLedger(PimSession& session) : m_session(session) {
    SessionState& state = *session.m_state;
    std::lock_guard guard(state.mutex);
    const auto found = state.db.query_integer(
        "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN "
        "('sync_accounts', 'sync_cards')");
    const auto tagged = state.db.query_integer(
        "SELECT count(*) FROM pragma_table_info('sync_accounts') WHERE name = 'ctag'");
    if (found && *found == 2 && tagged && *tagged == 1) {
        m_status = kOk;
        return;
    }
    m_status = write_transaction(state, [&]() -> Code {
        int rc = state.exec(kTables);
        // Books first synced before the collection tag was kept.
        if (rc == SQLITE_OK && tagged && *tagged == 0 && found && *found == 2) {
            rc = state.exec("ALTER TABLE sync_accounts ADD COLUMN ctag TEXT NOT NULL DEFAULT ''");
        }
        return rc == SQLITE_OK ? kOk : state.fail(rc);
    });
}

Code SyncLedger::accounts(std::vector<SyncAccountRow>& out) {
    out.clear();
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    Statement rows(state.db,
                   "SELECT id, url, user, ca_file, sync_token, journal_mark, ctag FROM sync_accounts"
                   " ORDER BY id");
    if (!rows) {
        return prepare_failed(state);
    }
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        SyncAccountRow row;
        row.id = rows.integer(0);
        row.url = column_text(rows, 1);
        row.user = column_text(rows, 2);
        row.ca_file = column_text(rows, 3);
        row.sync_token = column_text(rows, 4);
        row.journal_mark = rows.integer(5);
        row.ctag = column_text(rows, 6);
        out.push_back(std::move(row));
    }
    return rc == SQLITE_DONE ? kOk : state.fail(rc);
}

Code SyncLedger::add_account(SyncAccountRow& row) {
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    return write_transaction(state, [&]() -> Code {
        Statement insert(state.db,
                         "INSERT INTO sync_accounts(url, user, ca_file, sync_token, journal_mark)"
                         " VALUES(?1, ?2, ?3, ?4, ?5)");
        if (!insert) {
            return prepare_failed(state);
        }
        insert.bind(1, std::string_view(row.url));
        insert.bind(2, std::string_view(row.user));
        insert.bind(3, std::string_view(row.ca_file));
        insert.bind(4, std::string_view(row.sync_token));
        insert.bind(5, row.journal_mark);
        const int rc = insert.step();
        if (rc != SQLITE_DONE) {
            return state.fail(rc);
        }
        row.id = state.db.last_insert_rowid();
        return kOk;
    });
}

Code SyncLedger::remove_account(int64_t id) {
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    return write_transaction(state, [&]() -> Code {
        for (const char* sql : {"DELETE FROM sync_cards WHERE account = ?1",
                                "DELETE FROM sync_accounts WHERE id = ?1"}) {
            Statement erase(state.db, sql);
            if (!erase) {
                return prepare_failed(state);
            }
            erase.bind(1, id);
            if (const int rc = erase.step(); rc != SQLITE_DONE) {
                return state.fail(rc);
            }
        }
        return kOk;
    });
}

Code SyncLedger::set_account_state(int64_t id, std::string_view sync_token, int64_t journal_mark,
                                   std::string_view ctag) {
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    return write_transaction(state, [&]() -> Code {
        Statement update(state.db,
                         "UPDATE sync_accounts SET sync_token = ?2, journal_mark = ?3, ctag = ?4"
                         " WHERE id = ?1");
        if (!update) {
            return prepare_failed(state);
        }
        update.bind(1, id);
        update.bind(2, sync_token);
        update.bind(3, journal_mark);
        update.bind(4, ctag);
        const int rc = update.step();
        return rc == SQLITE_DONE ? kOk : state.fail(rc);
    });
}

Code SyncLedger::cards(int64_t account, std::vector<SyncCardRow>& out) {
    out.clear();
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    Statement rows(state.db,
                   "SELECT oid, href, etag, uid, base FROM sync_cards WHERE account = ?1 ORDER BY oid");
    if (!rows) {
        return prepare_failed(state);
    }
    rows.bind(1, account);
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        const int64_t oid = rows.integer(0);
        if (oid <= 0 || oid > 0xFFFFFFFFll) {
            continue;
        }
        SyncCardRow row;
        row.oid = static_cast<uint32_t>(oid);
        row.href = column_text(rows, 1);
        row.etag = column_text(rows, 2);
        row.uid = column_text(rows, 3);
        const std::span<const uint8_t> base = rows.blob(4);
        row.base.assign(base.begin(), base.end());
        out.push_back(std::move(row));
    }
    return rc == SQLITE_DONE ? kOk : state.fail(rc);
}

Code SyncLedger::put_card(int64_t account, const SyncCardRow& row) {
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    return write_transaction(state, [&]() -> Code {
        Statement write(state.db,
                        "INSERT OR REPLACE INTO sync_cards(account, oid, href, etag, uid, base)"
                        " VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
        if (!write) {
            return prepare_failed(state);
        }
        write.bind(1, account);
        write.bind(2, static_cast<int64_t>(row.oid));
        write.bind(3, std::string_view(row.href));
        write.bind(4, std::string_view(row.etag));
        write.bind(5, std::string_view(row.uid));
        write.bind_blob(6, {reinterpret_cast<const uint8_t*>(row.base.data()), row.base.size()});
        const int rc = write.step();
        return rc == SQLITE_DONE ? kOk : state.fail(rc);
    });
}

Code SyncLedger::remove_card(int64_t account, uint32_t oid) {
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    return write_transaction(state, [&]() -> Code {
        Statement erase(state.db, "DELETE FROM sync_cards WHERE account = ?1 AND oid = ?2");
        if (!erase) {
            return prepare_failed(state);
        }
        erase.bind(1, account);
        erase.bind(2, static_cast<int64_t>(oid));
        const int rc = erase.step();
        return rc == SQLITE_DONE ? kOk : state.fail(rc);
    });
}

Code SyncLedger::any_unsent(int64_t account, bool& any) {
    any = true;
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    Statement row(state.db, "SELECT EXISTS(SELECT 1 FROM sync_cards WHERE account = ?1 AND etag = '')");
    if (!row) {
        return prepare_failed(state);
    }
    row.bind(1, account);
    const int rc = row.step();
    if (rc != SQLITE_ROW) {
        return state.fail(rc);
    }
    any = row.integer(0) != 0;
    return kOk;
}

Code SyncLedger::journal_since(int64_t mark, std::string_view skip_prefix,
                               std::vector<JournalEntry>& out, bool& complete) {
    out.clear();
    complete = false;
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    const auto first = state.db.query_integer("SELECT min(seq) FROM journal");
    const auto last = state.db.query_integer("SELECT coalesce(max(seq), 0) FROM journal");
    if (!last) {
        return state.fail(state.db.error_code());
    }
    // Lines are numbered without gaps; a first line beyond mark + 1 means some were trimmed.
    complete = *last <= mark || (first && *first <= mark + 1);
    Statement rows(state.db,
                   "SELECT seq, oid, kind, process FROM journal WHERE seq > ?1 ORDER BY seq");
    if (!rows) {
        return prepare_failed(state);
    }
    rows.bind(1, mark);
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        if (rows.text(3).starts_with(skip_prefix)) {
            continue;
        }
        const int64_t oid = rows.integer(1);
        if (oid <= 0 || oid > 0xFFFFFFFFll) {
            continue;
        }
        out.push_back({rows.integer(0), static_cast<uint32_t>(oid), static_cast<int>(rows.integer(2))});
    }
    return rc == SQLITE_DONE ? kOk : state.fail(rc);
}

int64_t SyncLedger::journal_end() {
    SessionState& state = *m_session.m_state;
    std::lock_guard guard(state.mutex);
    return state.db.query_integer("SELECT coalesce(max(seq), 0) FROM journal").value_or(0);
}

}  // namespace platform::pim
