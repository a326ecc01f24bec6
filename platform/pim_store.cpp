#include "platform/pim_store.h"

#include <sqlite3.h>

#include "platform/messages.h"

namespace platform::pim {

Code SessionState::fail(int rc) {
    last_error = db.error_message();
    const Code code = detail::code_of(rc);
    if (code == kCorrupt) {
        damaged = true;
    }
    return code == kOk ? kFail : code;
}

namespace detail {

using sql::Statement;

Code code_of(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return kOk;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return kBusy;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return kCorrupt;
        case SQLITE_NOMEM:
            return kOutOfMemory;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return kAccessDenied;
        default:
            return kFail;
    }
}

namespace {

bool valid_write_type(uint32_t id) {
    const uint16_t type = prop_type(id);
    return type == kTypeText || type == kTypeFileTime || type == kTypeUInt32;
}

bool value_fits(const PropValue& value) {
    if (prop_type(value.id) == kTypeUInt32) {
        return value.number >= 0 && value.number <= 0xFFFFFFFFll;
    }
    return true;
}

}  // namespace

bool all_writable(std::span<const PropValue> values) {
    for (const PropValue& value : values) {
        if (!valid_write_type(value.id) || !value_fits(value)) {
            return false;
        }
    }
    return true;
}

void bind_value(sql::Statement& statement, int index, const PropValue& value) {
    if (prop_type(value.id) == kTypeText) {
        statement.bind(index, std::u16string_view(value.text));
    } else {
        statement.bind(index, value.number);
    }
}

std::optional<PropValue> column_value(const sql::Statement& statement, int column, uint32_t id) {
    if (statement.is_null(column)) {
        return std::nullopt;
    }
    if (prop_type(id) == kTypeText) {
        return PropValue::of_text(id, WString(statement.text16(column)));
    }
    return PropValue::of_number(id, statement.integer(column));
}

Code prepare_failed(SessionState& state) { return state.fail(state.db.error_code()); }

Code find_row(SessionState& state, Statement& statement) {
    const int rc = statement.step();
    if (rc == SQLITE_ROW) {
        return kOk;
    }
    return rc == SQLITE_DONE ? kNotFound : state.fail(rc);
}

Code end_transaction(SessionState& state, Code code) {
    if (code == kOk) {
        const int rc = state.exec("COMMIT");
        if (rc != SQLITE_OK) {
            code = state.fail(rc);
        }
    }
    if (code != kOk) {
        const std::string error = state.last_error;
        state.exec("ROLLBACK");
        state.last_error = error;
    }
    return code;
}

int begin_write(SessionState& state) {
    const int read_wait = state.db.busy_wait();
    if (state.write_wait_ms == read_wait) {
        return state.exec("BEGIN IMMEDIATE");
    }
    state.db.set_busy_wait(state.write_wait_ms);
    const int rc = state.exec("BEGIN IMMEDIATE");
    state.db.set_busy_wait(read_wait);
    return rc;
}

Code write_transaction(SessionState& state, const std::function<Code()>& body) {
    if (state.damaged) {
        state.last_error = "the database is damaged; nothing is written to it";
        return kCorrupt;
    }
    const bool nested = state.batch;
    int rc = nested ? state.exec("SAVEPOINT item") : begin_write(state);
    if (rc != SQLITE_OK) {
        return state.fail(rc);
    }
    Code code = body();
    if (nested) {
        if (code != kOk) {
            const std::string error = state.last_error;
            state.exec("ROLLBACK TO item");
            state.last_error = error;
        }
        state.exec("RELEASE item");
        if (code == kOk) {
            ++state.writes;
        }
        return code;
    }
    code = end_transaction(state, code);
    if (code != kOk) {
        return code;
    }
    ++state.writes;
    return kOk;
}

void call_hook(SessionState& state, int& row) {
    if (state.write_hook) {
        state.write_hook(row);
    }
    ++row;
}

Code step_write(SessionState& state, Statement& statement, int& row) {
    const int rc = statement.step();
    if (rc != SQLITE_DONE) {
        return state.fail(rc);
    }
    call_hook(state, row);
    return kOk;
}

Code add_journal(SessionState& state, uint32_t oid, int kind, int& row) {
    Statement insert(state.db, "INSERT INTO journal(oid, kind, process) VALUES(?1, ?2, ?3)");
    if (!insert) {
        return prepare_failed(state);
    }
    insert.bind(1, oid);
    insert.bind(2, kind);
    insert.bind(3, state.token);
    if (const Code written = step_write(state, insert, row); written != kOk) {
        return written;
    }
    if (state.writes % 256 == 0) {
        Statement prune(state.db, "DELETE FROM journal WHERE seq < (SELECT max(seq) FROM journal) - ?1");
        if (prune) {
            prune.bind(1, kJournalKeep);
            prune.step();
        }
    }
    return kOk;
}

void post_local(SessionState& state, uint32_t message, uint32_t oid) {
    if (state.batch) {
        state.batch_notices.emplace_back(message, oid);
    } else if ((state.notify & kNotifyLocal) != 0 && state.window) {
        post_message(state.window, message, oid, kFolderContacts);
    }
}

void mark_journal(SessionState& state) {
    Statement version(state.db, "PRAGMA data_version");
    if (version && version.step() == SQLITE_ROW) {
        state.data_version = version.integer(0);
    }
    Statement last(state.db, "SELECT coalesce(max(seq), 0) FROM journal");
    if (last && last.step() == SQLITE_ROW) {
        state.last_seq = last.integer(0);
    }
}

int check_remote(const std::shared_ptr<SessionState>& shared) {
    SessionState& state = *shared;
    std::vector<std::pair<uint32_t, uint32_t>> notices;
    WindowHandle window;
    {
        std::lock_guard guard(state.mutex);
        // Inside our own batch the journal holds rows that may yet be rolled back, and their
        // numbers handed out again; look once it has ended.
        if (state.db.in_transaction()) {
            return 0;
        }
        Statement version(state.db, "PRAGMA data_version");
        if (!version || version.step() != SQLITE_ROW) {
            return 0;
        }
        const int64_t now = version.integer(0);
        if (now == state.data_version) {
            return 0;
        }
        state.data_version = now;
        Statement rows(state.db,
                       "SELECT seq, oid, kind, process = ?2 FROM journal WHERE seq > ?1 ORDER BY seq");
        if (!rows) {
            return 0;
        }
        rows.bind(1, state.last_seq);
        rows.bind(2, state.token);
        while (rows.step() == SQLITE_ROW) {
            state.last_seq = rows.integer(0);
            if (rows.integer(3) != 0) {
                continue;  // ours, announced when it was written
            }
            const int64_t oid = rows.integer(1);
            const int64_t kind = rows.integer(2);
            const uint32_t message = kind == kCreated   ? PIM_ITEM_CREATED_REMOTE
                                     : kind == kDeleted ? PIM_ITEM_DELETED_REMOTE
                                     : kind == kChanged ? PIM_ITEM_CHANGED_REMOTE
                                                        : 0;
            if (message != 0 && oid > 0 && oid <= 0xFFFFFFFFll) {
                notices.emplace_back(message, static_cast<uint32_t>(oid));
            }
        }
        if ((state.notify & kNotifyRemote) == 0) {
            notices.clear();
        }
        window = state.window;
    }
    if (!window) {
        return 0;
    }
    for (const auto& [message, oid] : notices) {
        post_message(window, message, oid, kFolderContacts);
    }
    return static_cast<int>(notices.size());
}

Code read_item_props(SessionState& state, uint32_t oid, std::vector<PropValue>& out) {
    Statement rows(state.db, "SELECT prop, value FROM props WHERE oid = ?1 ORDER BY prop");
    if (!rows) {
        return prepare_failed(state);
    }
    rows.bind(1, oid);
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        const int64_t id = rows.integer(0);
        if (id < 0 || id > 0xFFFFFFFFll) {
            continue;
        }
        if (auto value = column_value(rows, 1, static_cast<uint32_t>(id))) {
            out.push_back(std::move(*value));
        }
    }
    return rc == SQLITE_DONE ? kOk : state.fail(rc);
}

const PropValue* find_prop(const std::vector<PropValue>& values, uint32_t id) {
    for (const PropValue& value : values) {
        if (value.id == id) {
            return &value;
        }
    }
    return nullptr;
}

PropValue missing(uint32_t id) { return PropValue{id, kPropNotFound, {}, 0}; }

void assemble(uint32_t oid, std::span<const uint32_t> ids, std::vector<PropValue>& values,
              std::vector<PropValue>& out, bool may_move) {
    out.clear();
    out.reserve(ids.size());
    for (uint32_t id : ids) {
        if (id == kPropObjectId) {
            out.push_back(oid != 0 ? PropValue::of_number(id, oid) : missing(id));
            continue;
        }
        PropValue* found = nullptr;
        for (PropValue& value : values) {
            if (value.id == id) {
                found = &value;
                break;
            }
        }
        if (found == nullptr) {
            out.push_back(missing(id));
        } else if (may_move) {
            out.push_back(std::move(*found));
        } else {
            out.push_back(*found);
        }
    }
}

}  // namespace detail
}  // namespace platform::pim
