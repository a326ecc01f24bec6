#include "platform/pim_item.h"

#include <sqlite3.h>

#include <map>

#include "platform/messages.h"
#include "platform/pim_store.h"

namespace platform::pim {

using namespace detail;
using sql::Statement;

struct PimItem::Pending {
    bool loaded = false;
    std::vector<PropValue> saved;
    std::map<uint32_t, std::optional<PropValue>> changes;
    std::optional<std::vector<uint8_t>> picture;
};

PimItem::PimItem(std::shared_ptr<SessionState> state, uint32_t oid, uint32_t type)
    : m_state(std::move(state)), m_oid(oid), m_type(type), m_pending(std::make_unique<Pending>()) {}

PimItem::~PimItem() = default;

void PimItem::hold_picture(std::vector<uint8_t> bytes) {
    std::lock_guard guard(m_state->mutex);
    m_pending->picture = std::move(bytes);
}

Code PimItem::fetch(const std::shared_ptr<SessionState>& shared, uint32_t oid,
                    std::unique_ptr<PimItem>& out) {
    out.reset();
    std::lock_guard guard(shared->mutex);
    Statement find(shared->db, "SELECT type FROM items WHERE oid = ?1");
    if (!find) {
        return prepare_failed(*shared);
    }
    find.bind(1, oid);
    if (const Code code = find_row(*shared, find); code != kOk) {
        return code;
    }
    const int64_t type = find.integer(0);
    out.reset(new PimItem(shared, oid, static_cast<uint32_t>(type)));
    return kOk;
}

Code PimItem::get_props(std::span<const uint32_t> ids, std::vector<PropValue>& out) {
    out.clear();
    std::lock_guard guard(m_state->mutex);
    Pending& pending = *m_pending;
    if (!pending.loaded && m_oid != 0) {
        std::vector<PropValue> values;
        const Code code = read_item_props(*m_state, m_oid, values);
        if (code != kOk) {
            return code;
        }
        pending.saved = std::move(values);
    }
    pending.loaded = true;
    std::vector<PropValue> current;
    for (uint32_t id : ids) {
        auto change = pending.changes.find(id);
        if (change != pending.changes.end()) {
            if (change->second) {
                current.push_back(*change->second);
            }
        } else if (const PropValue* saved = find_prop(pending.saved, id)) {
            current.push_back(*saved);
        }
    }
    assemble(m_oid, ids, current, out, true);
    return kOk;
}

Code PimItem::set_props(std::span<const PropValue> values) {
    if (!all_writable(values)) {
        return kInvalidArg;
    }
    std::lock_guard guard(m_state->mutex);
    for (const PropValue& value : values) {
        if ((value.flags & kPropDelete) != 0) {
            m_pending->changes[value.id] = std::nullopt;
        } else {
            PropValue copy = value;
            copy.flags = 0;
            m_pending->changes[value.id] = std::move(copy);
        }
    }
    return kOk;
}

Code PimItem::save() {
    std::lock_guard guard(m_state->mutex);
    SessionState& state = *m_state;
    Pending& pending = *m_pending;
    uint32_t oid = m_oid;
    const Code code = write_transaction(state, [&]() -> Code {
        int row = 0;
        if (oid == 0) {
            Statement insert(state.db, "INSERT INTO items(type) VALUES(?1)");
            if (!insert) {
                return prepare_failed(state);
            }
            insert.bind(1, m_type);
            const int rc = insert.step();
            if (rc != SQLITE_DONE) {
                return state.fail(rc);
            }
            const int64_t rowid = state.db.last_insert_rowid();
            if (rowid <= 0 || rowid > 0xFFFFFFFFll) {
                state.last_error = "no object ids left";
                return kFail;
            }
            oid = static_cast<uint32_t>(rowid);
            call_hook(state, row);
        } else {
            Statement exists(state.db, "SELECT 1 FROM items WHERE oid = ?1");
            if (!exists) {
                return prepare_failed(state);
            }
            exists.bind(1, oid);
            const Code found = find_row(state, exists);
            if (found == kNotFound) {
                state.last_error = "the item has been deleted";
            }
            if (found != kOk) {
                return found;
            }
        }
        for (const auto& [id, value] : pending.changes) {
            Statement write(state.db, value ? "INSERT OR REPLACE INTO props(oid, prop, value) VALUES(?1, ?2, ?3)"
                                         : "DELETE FROM props WHERE oid = ?1 AND prop = ?2");
            if (!write) {
                return prepare_failed(state);
            }
            write.bind(1, oid);
            write.bind(2, id);
            if (value) {
                bind_value(write, 3, *value);
            }
            if (const Code written = step_write(state, write, row); written != kOk) {
                return written;
            }
        }
        if (pending.picture) {
            Statement write(state.db, "INSERT OR REPLACE INTO pictures(oid, data) VALUES(?1, ?2)");
            if (!write) {
                return prepare_failed(state);
            }
            write.bind(1, oid);
            write.bind_blob(2, *pending.picture);
            if (const Code written = step_write(state, write, row); written != kOk) {
                return written;
            }
        }
        return add_journal(state, oid, m_oid == 0 ? kCreated : kChanged, row);
    });
    if (code != kOk) {
        return code;
    }
    const bool created = m_oid == 0;
    m_oid = oid;
    if (pending.loaded || created) {
        for (auto& [id, value] : pending.changes) {
            std::erase_if(pending.saved, [id = id](const PropValue& v) { return v.id == id; });
            if (value) {
                pending.saved.push_back(std::move(*value));
            }
        }
        pending.loaded = true;
    }
    pending.changes.clear();
    pending.picture.reset();
    post_local(state, created ? PIM_ITEM_CREATED_LOCAL : PIM_ITEM_CHANGED_LOCAL, oid);
    return kOk;
}

Code PimItem::remove() {
    if (m_oid == 0) {
        return kInvalidArg;
    }
    std::lock_guard guard(m_state->mutex);
    SessionState& state = *m_state;
    const Code code = write_transaction(state, [&]() -> Code {
        int row = 0;
        for (const char* sql : {"DELETE FROM props WHERE oid = ?1", "DELETE FROM pictures WHERE oid = ?1",
                                "DELETE FROM items WHERE oid = ?1"}) {
            Statement erase(state.db, sql);
            if (!erase) {
                return prepare_failed(state);
            }
            erase.bind(1, m_oid);
            if (const Code written = step_write(state, erase, row); written != kOk) {
                return written;
            }
        }
        if (state.db.changes() == 0) {
            state.last_error = "no such item";
            return kNotFound;
        }
        return add_journal(state, m_oid, kDeleted, row);
    });
    if (code == kOk) {
        post_local(state, PIM_ITEM_DELETED_LOCAL, m_oid);
    }
    return code;
}

Code PimItem::open_property(uint32_t id, uint32_t mode, std::unique_ptr<PimStream>& out) {
    out.reset();
    if (id != kPropPicture || (mode != kStreamRead && mode != kStreamWrite)) {
        return kInvalidArg;
    }
    if (mode == kStreamWrite) {
        out.reset(new PimStream(*this, true, {}));
        return kOk;
    }
    std::lock_guard guard(m_state->mutex);
    if (m_pending->picture) {
        out.reset(new PimStream(*this, false, *m_pending->picture));
        return kOk;
    }
    if (m_oid == 0) {
        return kNotFound;
    }
    Statement find(m_state->db, "SELECT length(data), data FROM pictures WHERE oid = ?1");
    if (!find) {
        return prepare_failed(*m_state);
    }
    find.bind(1, m_oid);
    if (const Code code = find_row(*m_state, find); code != kOk) {
        return code;
    }
    if (find.integer(0) > static_cast<int64_t>(PimStream::kMaxSize)) {
        m_state->last_error = "picture too large";
        return kFail;
    }
    const std::span<const uint8_t> data = find.blob(1);
    std::vector<uint8_t> bytes(data.begin(), data.end());
    out.reset(new PimStream(*this, false, std::move(bytes)));
    return kOk;
}

}  // namespace platform::pim
