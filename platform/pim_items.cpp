#include "platform/pim_items.h"

#include <sqlite3.h>

#include <algorithm>

#include "platform/pim_store.h"

namespace platform::pim {

using namespace detail;
using sql::Statement;

struct PimItems::Cache {
    bool built = false;
    bool failed = false;
    std::vector<uint32_t> ids;
    std::vector<uint32_t> sorted_ids;
    std::vector<std::vector<PropValue>> values;  // by position
    std::vector<uint8_t> state;                  // 0 unread, 1 handed out, 2 gone
};

PimItems::PimItems(std::shared_ptr<SessionState> state, std::vector<uint32_t> oids,
                   uint64_t writes)
    : m_state(std::move(state)), m_oids(std::move(oids)), m_writes_at_snapshot(writes),
      m_cache(std::make_unique<Cache>()) {}

PimItems::~PimItems() = default;

int PimItems::count() const { return static_cast<int>(m_oids.size()); }

Code PimItems::item(int index, std::unique_ptr<PimItem>& out) {
    out.reset();
    if (index < 1 || index > count()) {
        return kInvalidArg;
    }
    return PimItem::fetch(m_state, m_oids[index - 1], out);
}

Code PimItems::get_props(int index, std::span<const uint32_t> ids, std::vector<PropValue>& out) {
    out.clear();
    if (index < 1 || index > count()) {
        return kInvalidArg;
    }
    const size_t position = static_cast<size_t>(index - 1);
    const uint32_t oid = m_oids[position];
    std::lock_guard guard(m_state->mutex);
    SessionState& state = *m_state;
    Cache& cache = *m_cache;
    const bool fresh = state.writes == m_writes_at_snapshot;

    if (!cache.built && !cache.failed && fresh) {
        // One pass over every property of every item instead of one query per item: the
        // whole book loads in the time of a table scan.
        cache.ids.assign(ids.begin(), ids.end());
        cache.sorted_ids = cache.ids;
        std::sort(cache.sorted_ids.begin(), cache.sorted_ids.end());
        cache.values.assign(m_oids.size(), {});
        cache.state.assign(m_oids.size(), 2);
        // One read transaction keeps the two scans consistent; inside a batch of this
        // session they already are, and a COMMIT here would end the batch.
        const bool own_transaction = !state.db.in_transaction();
        bool ok = !own_transaction || state.exec("BEGIN") == SQLITE_OK;
        if (ok) {
            Statement items(state.db, "SELECT oid FROM items WHERE type = ?1 ORDER BY oid");
            ok = static_cast<bool>(items);
            if (ok) {
                items.bind(1, kItemContact);
                size_t k = 0;
                int rc;
                while ((rc = items.step()) == SQLITE_ROW) {
                    const int64_t found = items.integer(0);
                    while (k < m_oids.size() && m_oids[k] < found) {
                        ++k;
                    }
                    if (k < m_oids.size() && m_oids[k] == found) {
                        cache.state[k] = 0;
                    }
                }
                ok = rc == SQLITE_DONE;
            }
        }
        if (ok) {
            Statement rows(state.db, "SELECT oid, prop, value FROM props ORDER BY oid, prop");
            ok = static_cast<bool>(rows);
            if (ok) {
                size_t k = 0;
                int rc;
                while ((rc = rows.step()) == SQLITE_ROW) {
                    const int64_t item_oid = rows.integer(0);
                    while (k < m_oids.size() && m_oids[k] < item_oid) {
                        ++k;
                    }
                    if (k == m_oids.size() || m_oids[k] != item_oid) {
                        continue;
                    }
                    const int64_t id = rows.integer(1);
                    if (id < 0 || id > 0xFFFFFFFFll ||
                        !std::binary_search(cache.sorted_ids.begin(), cache.sorted_ids.end(),
                                            static_cast<uint32_t>(id))) {
                        continue;
                    }
                    if (auto value = column_value(rows, 2, static_cast<uint32_t>(id))) {
                        cache.values[k].push_back(std::move(*value));
                    }
                }
                ok = rc == SQLITE_DONE;
                if (!ok) {
                    state.fail(rc);
                }
            }
        } else {
            state.fail(state.db.error_code());
        }
        if (own_transaction) {
            state.exec("COMMIT");
        }
        if (ok) {
            cache.built = true;
        } else {
            // Reading item by item still gives whatever is readable.
            cache.failed = true;
            cache.values.clear();
            cache.state.clear();
        }
    }

    if (cache.built && fresh && cache.state[position] != 1 &&
        std::equal(ids.begin(), ids.end(), cache.ids.begin(), cache.ids.end())) {
        if (cache.state[position] == 2) {
            return kNotFound;
        }
        cache.state[position] = 1;
        assemble(oid, ids, cache.values[position], out, true);
        cache.values[position].clear();
        cache.values[position].shrink_to_fit();
        return kOk;
    }

    Statement exists(state.db, "SELECT 1 FROM items WHERE oid = ?1");
    if (!exists) {
        return prepare_failed(state);
    }
    exists.bind(1, oid);
    if (const Code code = find_row(state, exists); code != kOk) {
        return code;
    }
    std::vector<PropValue> values;
    const Code code = read_item_props(state, oid, values);
    if (code != kOk) {
        return code;
    }
    assemble(oid, ids, values, out, true);
    return kOk;
}

}  // namespace platform::pim
