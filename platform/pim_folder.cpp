#include "platform/pim_folder.h"

#include <sqlite3.h>

#include "platform/pim_store.h"

namespace platform::pim {

using namespace detail;
using sql::Statement;

Code PimFolder::items(std::unique_ptr<PimItems>& out) {
    out.reset();
    std::lock_guard guard(m_state->mutex);
    Statement rows(m_state->db, "SELECT oid FROM items WHERE type = ?1 ORDER BY oid");
    if (!rows) {
        return prepare_failed(*m_state);
    }
    rows.bind(1, kItemContact);
    std::vector<uint32_t> oids;
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        const int64_t oid = rows.integer(0);
        if (oid > 0 && oid <= 0xFFFFFFFFll) {
            oids.push_back(static_cast<uint32_t>(oid));
        }
    }
    if (rc != SQLITE_DONE) {
        return m_state->fail(rc);
    }
    out.reset(new PimItems(m_state, std::move(oids), m_state->writes));
    return kOk;
}

Code PimFolder::get_props(std::span<const uint32_t> ids, std::vector<PropValue>& out) {
    out.clear();
    std::lock_guard guard(m_state->mutex);
    for (uint32_t id : ids) {
        if (id == kPropFolderNotifications) {
            out.push_back(PropValue::of_number(id, m_state->notify));
            continue;
        }
        Statement find(m_state->db, "SELECT value FROM folder_props WHERE folder = ?1 AND prop = ?2");
        if (!find) {
            return prepare_failed(*m_state);
        }
        find.bind(1, m_id);
        find.bind(2, id);
        const Code found = find_row(*m_state, find);
        if (found != kOk && found != kNotFound) {
            return found;
        }
        auto value = found == kOk ? column_value(find, 0, id) : std::nullopt;
        out.push_back(value ? std::move(*value) : missing(id));
    }
    return kOk;
}

Code PimFolder::set_props(std::span<const PropValue> values) {
    if (!all_writable(values)) {
        return kInvalidArg;
    }
    std::lock_guard guard(m_state->mutex);
    // The notification setting belongs to this session; the rest is stored for everyone.
    std::vector<const PropValue*> stored;
    for (const PropValue& value : values) {
        if (value.id == kPropFolderNotifications) {
            m_state->notify = (value.flags & kPropDelete) != 0
                                  ? 0
                                  : static_cast<uint32_t>(value.number) & (kNotifyLocal | kNotifyRemote);
        } else {
            stored.push_back(&value);
        }
    }
    if (stored.empty()) {
        return kOk;
    }
    SessionState& state = *m_state;
    return write_transaction(state, [&]() -> Code {
        int row = 0;
        for (const PropValue* value : stored) {
            const bool remove = (value->flags & kPropDelete) != 0;
            Statement write(state.db, remove ? "DELETE FROM folder_props WHERE folder = ?1 AND prop = ?2"
                                          : "INSERT OR REPLACE INTO folder_props(folder, prop, value)"
                                            " VALUES(?1, ?2, ?3)");
            if (!write) {
                return prepare_failed(state);
            }
            write.bind(1, m_id);
            write.bind(2, value->id);
            if (!remove) {
                bind_value(write, 3, *value);
            }
            if (const Code written = step_write(state, write, row); written != kOk) {
                return written;
            }
        }
        return kOk;
    });
}

}  // namespace platform::pim
