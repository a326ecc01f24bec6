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
#include <span>
#include <string>
#include <vector>

#include "platform/pim_types.h"
#include "platform/window.h"

namespace platform::pim {

struct SessionState;
class PimFolder;
class PimItems;
class PimItem;
class PimStream;

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
    explicit PimSession(std::shared_ptr<SessionState> state);
    std::shared_ptr<SessionState> m_state;
};

class PimFolder {
public:
    uint32_t id() const { return m_id; }
    // The folder's items of its type, in the order they were created.
    Code items(std::unique_ptr<PimItems>& out);
    // Folder properties: the notification setting (for this session only) and the category
    // list (stored). Missing values come back flagged kPropNotFound.
    Code get_props(std::span<const uint32_t> ids, std::vector<PropValue>& out);
    Code set_props(std::span<const PropValue> values);

private:
    friend class PimSession;
    PimFolder(std::shared_ptr<SessionState> state, uint32_t id) : m_state(std::move(state)), m_id(id) {}
    std::shared_ptr<SessionState> m_state;
    uint32_t m_id;
};

// A snapshot of a folder's items: the count and the 1-based positions stay as they were when
// it was taken. Reads by position fetch every item's properties with one query the first
// time and hand each item's values out once; a position read again, or read after a write of
// this session, is read from the database on its own.
class PimItems {
public:
    ~PimItems();
    int count() const;
    Code item(int index, std::unique_ptr<PimItem>& out);
    Code get_props(int index, std::span<const uint32_t> ids, std::vector<PropValue>& out);

private:
    friend class PimFolder;
    struct Cache;
    PimItems(std::shared_ptr<SessionState> state, std::vector<uint32_t> oids, uint64_t writes);
    std::shared_ptr<SessionState> m_state;
    std::vector<uint32_t> m_oids;
    uint64_t m_writes_at_snapshot;
    std::unique_ptr<Cache> m_cache;
};

class PimItem {
public:
    ~PimItem();
    // 0 until a new item is saved.
    uint32_t oid() const { return m_oid; }
    uint32_t type() const { return m_type; }

    // Values as saved, with this item's unsaved changes applied; kPropObjectId gives the oid.
    Code get_props(std::span<const uint32_t> ids, std::vector<PropValue>& out);
    // Changes held until save. A value flagged kPropDelete removes the property; a value
    // whose type does not fit its id, or a read-only property, fails the whole call.
    Code set_props(std::span<const PropValue> values);
    // Writes the changes in one transaction and posts the created or changed notice.
    Code save();
    // Deletes the item with its picture and posts the deleted notice.
    Code remove();
    // kPropPicture only. A write stream replaces the picture when committed and saved.
    Code open_property(uint32_t id, uint32_t mode, std::unique_ptr<PimStream>& out);

private:
    friend class PimSession;
    friend class PimItems;
    friend class PimStream;
    struct Pending;
    PimItem(std::shared_ptr<SessionState> state, uint32_t oid, uint32_t type);
    static Code fetch(const std::shared_ptr<SessionState>& state, uint32_t oid,
                      std::unique_ptr<PimItem>& out);
    std::shared_ptr<SessionState> m_state;
    uint32_t m_oid;
    uint32_t m_type;
    std::unique_ptr<Pending> m_pending;
};

class PimStream {
public:
    // Pictures larger than this are refused.
    static constexpr size_t kMaxSize = 32u << 20;

    // got is 0 at the end.
    Code read(void* buffer, size_t size, size_t& got);
    Code write(const void* buffer, size_t size);
    // Hands the written bytes to the item; its save stores them.
    Code commit();

private:
    friend class PimItem;
    PimStream(PimItem& item, bool writing, std::vector<uint8_t> bytes)
        : m_item(&item), m_writing(writing), m_bytes(std::move(bytes)) {}
    PimItem* m_item;
    bool m_writing;
    std::vector<uint8_t> m_bytes;
    size_t m_position = 0;
};

}  // namespace platform::pim
