#include "sync/sync_engine.h"

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "contacts/categories.h"
#include "contacts/contact_manager.h"
#include "contacts/stored_picture.h"
#include "contacts/vcard.h"
#include "contacts/vcard_extra.h"
#include "core/log.h"
#include "platform/instance_lock.h"
#include "platform/pim_session.h"
#include "platform/secret_store.h"
#include "platform/sync_ledger.h"
#include "sync/card_match.h"
#include "sync/card_merge.h"
#include "sync/dav_client.h"

namespace velvane::sync {

namespace pim = platform::pim;

namespace {

// The journal token of every sync writer begins with this, so a pass can tell its own
// writes from the user's.
constexpr std::string_view kSyncTokenPrefix = "sync-";
// The ETag kept for a card the server took without naming its ETag: never one a server gives,
// so the card's next listing counts as a change and brings the real one. (An empty ETag
// means a new card not yet confirmed sent.)
constexpr const char* kUnknownEtag = "unknown";
// Database writes of one transaction, at most.
constexpr size_t kWritesPerBatch = 100;

std::string random_hex(int bytes) {
    std::random_device device;
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        const unsigned value = device() & 0xFF;
        out.push_back(digits[value >> 4]);
        out.push_back(digits[value & 15]);
    }
    return out;
}

std::string new_uid() {
    const std::string hex = random_hex(16);
    return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
           hex.substr(16, 4) + "-" + hex.substr(20);
}

bool plain_name(const std::string& text) {
    if (text.empty() || text.size() > 100 || text.front() == '.') {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_' || c == '.';
    });
}

// A change to make in the database, collected while talking to the server and written in
// one transaction with the bookkeeping.
struct LocalWrite {
    enum Kind { create, update, remove, record_only, forget } kind = record_only;
    uint32_t oid = 0;
    VCardContact before;
    VCardContact after;
    pim::SyncCardRow record;
    // The row of a contact deleted here that comes back as a new contact.
    uint32_t replaced_oid = 0;
};

class Pass {
public:
    Pass(ContactManagerImpl2& store, pim::PimSession& session, pim::SyncLedger& ledger,
         const pim::SyncAccountRow& account, DavClient& client, SyncSummary& summary,
         const SyncProgress& progress)
        : m_store(store), m_session(session), m_ledger(ledger), m_account(account),
          m_client(client), m_summary(summary), m_progress(progress) {}

    void run();

private:
    bool changes_here(std::vector<pim::JournalEntry>& entries);
    bool nothing_to_do(bool quiet, int64_t mark, std::string& ctag);
    void take_server_changes(std::vector<CardTag> changed);
    void take_server_removals(const std::vector<std::string>& removed);
    void send_local_changes();
    bool flush();

    VCardContact local_card(uint32_t oid);
    uint32_t same_person_here(const VCardContact& server, const std::string& uid);
    bool locally_changed(uint32_t oid, const VCardContact& card);
    CardProps base_of(uint32_t oid);
    // Lines name cards and values in UTF-8; the log takes them as text.
    void note(std::string line) {
        log() << u"sync: " << platform::from_utf8(line) << u"\n";
        m_summary.notes.push_back(std::move(line));
    }
    void failed(const std::string& why) {
        log() << u"sync: " << platform::from_utf8(why) << u"\n";
        if (m_summary.error.empty()) {
            m_summary.error = why;
        }
        m_complete = false;
    }
    void queue(LocalWrite write) {
        m_writes.push_back(std::move(write));
        if (m_writes.size() >= kWritesPerBatch) {
            flush();
        }
    }
    // False once the pass is to stop.
    bool report(const char* stage, size_t done, size_t total) {
        if (m_progress && !m_progress(stage, done, total)) {
            failed("stopped");
        }
        return m_complete;
    }

    ContactManagerImpl2& m_store;
    pim::PimSession& m_session;
    pim::SyncLedger& m_ledger;
    const pim::SyncAccountRow& m_account;
    DavClient& m_client;
    SyncSummary& m_summary;
    const SyncProgress& m_progress;

    bool m_complete = true;
    std::map<uint32_t, pim::SyncCardRow> m_records;
    std::map<std::string, uint32_t> m_by_url;
    std::map<uint32_t, Contact> m_local;
    std::set<uint32_t> m_dirty;
    std::set<uint32_t> m_handled;
    std::vector<LocalWrite> m_writes;
    // Contacts without a card yet, by UID and by name, once a server card needs them.
    bool m_unrecorded_indexed = false;
    std::map<std::string, uint32_t> m_unrecorded_uids;
    std::multimap<WString, uint32_t> m_unrecorded_names;
};

VCardContact Pass::local_card(uint32_t oid) {
    VCardContact card;
    auto it = m_local.find(oid);
    if (it != m_local.end()) {
        card.contact = it->second;
    }
    card.photo = read_stored_picture(m_session, oid);
    card.extra_properties = read_extra_properties(m_session, oid);
    return card;
}

// The contact here, without a card yet, that is the same person as a card the server has
// and this side has not seen; 0 when there is none. The same UID first, else the rule of
// same_person.
uint32_t Pass::same_person_here(const VCardContact& server, const std::string& uid) {
    if (!m_unrecorded_indexed) {
        m_unrecorded_indexed = true;
        for (const auto& [oid, contact] : m_local) {
            if (m_records.count(oid) != 0) {
                continue;
            }
            VCardContact kept;
            kept.extra_properties = read_extra_properties(m_session, oid);
            if (const std::string local_uid = uid_of(kept); !local_uid.empty()) {
                m_unrecorded_uids.emplace(local_uid, oid);
            }
            if (WString key = name_key(contact); !key.empty()) {
                m_unrecorded_names.emplace(std::move(key), oid);
            }
        }
    }
    // One contact takes one card: a matched one has its record from then on.
    if (auto by_uid = m_unrecorded_uids.find(uid);
        by_uid != m_unrecorded_uids.end() && m_records.count(by_uid->second) == 0) {
        return by_uid->second;
    }
    auto [first, last] = m_unrecorded_names.equal_range(name_key(server.contact));
    for (auto it = first; it != last; ++it) {
        if (m_records.count(it->second) == 0 && same_person(m_local.at(it->second), server.contact)) {
            return it->second;
        }
    }
    return 0;
}

CardProps Pass::base_of(uint32_t oid) {
    CardProps base;
    auto it = m_records.find(oid);
    if (it != m_records.end() && !unpack_props(it->second.base, base)) {
        log() << "sync: the kept state of contact " << oid << " is damaged; treated as empty\n";
    }
    return base;
}

bool Pass::locally_changed(uint32_t oid, const VCardContact& card) {
    return m_dirty.count(oid) != 0 && card_props(card) != base_of(oid);
}

bool Pass::flush() {
    if (m_writes.empty()) {
        return true;
    }
    std::vector<LocalWrite> writes;
    writes.swap(m_writes);
    int failures = 0;
    std::vector<WString> categories;
    const pim::Code code = m_session.write_batch([&]() -> pim::Code {
        for (LocalWrite& w : writes) {
            bool ok = true;
            switch (w.kind) {
                case LocalWrite::create: {
                    Contact contact = w.after.contact;
                    contact.object_id = 0;
                    ok = m_store.create(contact);
                    if (ok && !w.after.extra_properties.empty()) {
                        ok = store_extra_properties(m_session, contact.object_id, w.after.extra_properties);
                    }
                    if (ok && !w.after.photo.empty()) {
                        ok = write_stored_picture(m_session, contact.object_id, w.after.photo);
                    }
                    w.record.oid = contact.object_id;
                    break;
                }
                case LocalWrite::update: {
                    Contact after = w.after.contact;
                    after.object_id = w.oid;
                    // A field the new version lacks goes out as an empty one, which deletes it.
                    for (const ContactField& field : w.before.contact.fields) {
                        if (after.find(field.kind) == nullptr && !field.value.empty()) {
                            after.fields.emplace_back(field.kind, WString());
                        }
                    }
                    Contact before = w.before.contact;
                    before.object_id = w.oid;
                    ok = m_store.save_changes(after, before);
                    if (ok && w.after.extra_properties != w.before.extra_properties) {
                        ok = store_extra_properties(m_session, w.oid, w.after.extra_properties);
                    }
                    if (ok && w.after.photo != w.before.photo) {
                        ok = write_stored_picture(m_session, w.oid, w.after.photo);
                    }
                    break;
                }
                case LocalWrite::remove:
                    ok = m_store.remove(w.oid);
                    break;
                case LocalWrite::record_only:
                case LocalWrite::forget:
                    break;
            }
            if (ok && w.kind == LocalWrite::remove) {
                ok = m_ledger.remove_card(m_account.id, w.oid) == pim::kOk;
            } else if (ok && w.kind == LocalWrite::forget) {
                ok = m_ledger.remove_card(m_account.id, w.oid) == pim::kOk;
            } else if (ok) {
                ok = m_ledger.put_card(m_account.id, w.record) == pim::kOk;
                if (ok && w.replaced_oid != 0) {
                    ok = m_ledger.remove_card(m_account.id, w.replaced_oid) == pim::kOk;
                }
            }
            if (!ok) {
                ++failures;
                log() << "sync: a contact could not be written: " << m_session.last_error() << "\n";
            }
            if (const ContactField* field = w.after.contact.find(FieldKind::Categories)) {
                for (WString& name : split_categories(field->value)) {
                    categories.push_back(std::move(name));
                }
            }
        }
        // The filter offers the names the new and changed contacts carry.
        if (!categories.empty() && !add_folder_categories(m_store, categories)) {
            ++failures;
        }
        return pim::kOk;
    });
    if (code != pim::kOk || failures > 0) {
        failed("the contact database could not take every change: " + m_session.last_error());
        return false;
    }
    return true;
}

void Pass::take_server_changes(std::vector<CardTag> changed) {
    for (size_t start = 0; start < changed.size(); start += DavClient::kMultigetBatch) {
        if (!report("receiving", start, changed.size())) {
            return;
        }
        std::vector<std::string> urls;
        for (size_t i = start; i < std::min(changed.size(), start + DavClient::kMultigetBatch); ++i) {
            urls.push_back(changed[i].url);
        }
        std::vector<FetchedCard> fetched;
        std::string error;
        if (!m_client.multiget(m_account.url, urls, fetched, error)) {
            failed(error);
            return;
        }
        for (FetchedCard& card : fetched) {
            VCardRead read = read_vcards(card.data);
            if (read.error || read.contacts.empty()) {
                note(card.url + ": the card cannot be read; left as it is");
                continue;
            }
            VCardContact server = std::move(read.contacts.front());
            const CardProps server_props = card_props(server);
            std::string uid = uid_of(server);
            if (uid.empty()) {
                // A card without a UID is named by its address from now on.
                const size_t slash = card.url.find_last_of('/');
                uid = card.url.substr(slash == std::string::npos ? 0 : slash + 1);
                if (uid.ends_with(".vcf")) {
                    uid.resize(uid.size() - 4);
                }
            }
            auto known = m_by_url.find(card.url);
            if (known == m_by_url.end()) {
                if (const uint32_t oid = same_person_here(server, uid); oid != 0) {
                    // Both books held this person before they met: merged as a contact
                    // changed on both sides since an empty card.
                    m_records[oid] = {oid, card.url, {}, uid, {}};
                    known = m_by_url.emplace(card.url, oid).first;
                    m_dirty.insert(oid);
                    note(card.url + ": the same person as a contact here; merged");
                }
            }
            if (known == m_by_url.end()) {
                LocalWrite w;
                w.kind = LocalWrite::create;
                w.after = std::move(server);
                w.record = {0, card.url, card.etag, uid, pack_props(server_props)};
                queue(std::move(w));
                ++m_summary.added_here;
                continue;
            }
            const uint32_t oid = known->second;
            m_handled.insert(oid);
            const pim::SyncCardRow& record = m_records[oid];
            if (!record.uid.empty()) {
                uid = record.uid;
            }
            if (m_local.count(oid) == 0) {
                // Deleted here, changed there: the changed contact stays.
                LocalWrite w;
                w.kind = LocalWrite::create;
                w.after = std::move(server);
                w.record = {0, card.url, card.etag, uid, pack_props(server_props)};
                w.replaced_oid = oid;
                queue(std::move(w));
                note(card.url + ": deleted here but changed on the server; kept");
                ++m_summary.added_here;
                continue;
            }
            VCardContact local = local_card(oid);
            const CardProps local_props = card_props(local);
            LocalWrite w;
            w.oid = oid;
            w.before = local;
            w.record = {oid, card.url, card.etag, uid, {}};
            if (m_dirty.count(oid) != 0 && local_props != base_of(oid)) {
                CardMerge merge = merge_cards(base_of(oid), local_props, server_props);
                for (const auto& [key, lost] : merge.local_lost) {
                    note(card.url + ": " + describe_key(key) +
                         " was changed on both sides; the server's value is kept, the local one was \"" +
                         (key == "photo" ? std::string("(a picture)") : lost) + "\"");
                }
                if (merge.merged != server_props) {
                    const VCardContact merged = card_from_props(merge.merged);
                    std::string new_etag;
                    std::string error;
                    const DavResult put =
                        m_client.put(card.url, card_text(merged, uid), card.etag, new_etag, error);
                    if (put != DavResult::ok) {
                        failed(put == DavResult::conflict
                                   ? card.url + ": changed again on the server; merged next time"
                                   : error);
                        continue;
                    }
                    w.record.etag = new_etag.empty() ? card.etag : new_etag;
                    ++m_summary.changed_there;
                }
                ++m_summary.merged;
                w.after = card_from_props(merge.merged);
                // The kept lines carry the card's UID, as a downloaded card's do.
                w.after.extra_properties.insert(w.after.extra_properties.begin(), "UID:" + uid);
                w.record.base = pack_props(merge.merged);
                w.kind = merge.merged != local_props ? LocalWrite::update : LocalWrite::record_only;
            } else {
                w.after = std::move(server);
                w.record.base = pack_props(server_props);
                w.kind = server_props != local_props ? LocalWrite::update : LocalWrite::record_only;
                if (w.kind == LocalWrite::update) {
                    ++m_summary.changed_here;
                }
            }
            queue(std::move(w));
        }
    }
    report("receiving", changed.size(), changed.size());
}

void Pass::take_server_removals(const std::vector<std::string>& removed) {
    for (const std::string& url : removed) {
        auto known = m_by_url.find(url);
        if (known == m_by_url.end()) {
            continue;
        }
        const uint32_t oid = known->second;
        m_handled.insert(oid);
        LocalWrite w;
        w.oid = oid;
        if (m_local.count(oid) == 0) {
            w.kind = LocalWrite::forget;  // gone on both sides
            queue(std::move(w));
            continue;
        }
        VCardContact local = local_card(oid);
        if (locally_changed(oid, local)) {
            // Deleted there, changed here: the changed contact stays, and goes back.
            const pim::SyncCardRow& record = m_records[oid];
            std::string new_etag;
            std::string error;
            const DavResult put = m_client.put(url, card_text(local, record.uid), {}, new_etag, error);
            if (put != DavResult::ok) {
                failed(put == DavResult::conflict ? url + ": a new card is there; looked at next time"
                                                  : error);
                continue;
            }
            note(url + ": deleted on the server but changed here; kept");
            ++m_summary.added_there;
            w.kind = LocalWrite::record_only;
            w.record = {oid, url, new_etag.empty() ? kUnknownEtag : new_etag, record.uid,
                        pack_props(card_props(local))};
            queue(std::move(w));
            continue;
        }
        w.kind = LocalWrite::remove;
        queue(std::move(w));
        ++m_summary.removed_here;
    }
}

void Pass::send_local_changes() {
    // New contacts get their card's address and UID kept before anything is sent: a pass cut
    // off between sending and recording finds the card again at that address next time
    // instead of sending a second copy.
    for (const auto& [oid, contact] : m_local) {
        if (m_records.count(oid) != 0) {
            continue;
        }
        std::string uid = uid_of(local_card(oid));
        std::string url = DavClient::card_url(m_account.url, uid);
        if (!plain_name(uid) || m_by_url.count(url) != 0) {
            uid = new_uid();
            url = DavClient::card_url(m_account.url, uid);
        }
        LocalWrite w;
        w.kind = LocalWrite::record_only;
        w.record = {oid, url, {}, uid, {}};
        m_records[oid] = w.record;
        m_by_url[url] = oid;
        queue(std::move(w));
    }
    if (!flush()) {
        return;
    }
    std::vector<uint32_t> work;
    for (const auto& [oid, record] : m_records) {
        if (m_handled.count(oid) == 0 &&
            (m_local.count(oid) == 0 || m_dirty.count(oid) != 0 || record.etag.empty())) {
            work.push_back(oid);
        }
    }
    size_t done = 0;
    for (uint32_t oid : work) {
        if (!report("sending", done++, work.size())) {
            return;
        }
        const pim::SyncCardRow record = m_records[oid];
        std::string error;
        std::string new_etag;
        if (m_local.count(oid) == 0) {
            // No ETag: the card was never confirmed sent, so whatever is at its address goes.
            const DavResult gone = m_client.remove(record.href, record.etag, error);
            if (gone == DavResult::failed) {
                failed(error);
                return;
            }
            if (gone == DavResult::conflict) {
                // Changed there meanwhile: the next pass brings the changed card back.
                failed(record.href + ": changed on the server; kept and fetched next time");
                continue;
            }
            LocalWrite w;
            w.kind = LocalWrite::forget;
            w.oid = oid;
            queue(std::move(w));
            if (!record.etag.empty()) {
                ++m_summary.removed_there;
            }
            continue;
        }
        const VCardContact local = local_card(oid);
        const CardProps local_props = card_props(local);
        const bool fresh = record.etag.empty();
        if (!fresh && local_props == base_of(oid)) {
            continue;  // touched, but back as it was
        }
        const DavResult put = m_client.put(record.href, card_text(local, record.uid), record.etag,
                                           new_etag, error);
        if (put == DavResult::conflict) {
            failed(record.href + (fresh ? ": a card is there already; looked at next time"
                                        : ": changed on the server meanwhile; merged next time"));
            continue;
        }
        if (put != DavResult::ok) {
            failed(error);
            return;
        }
        LocalWrite w;
        w.kind = LocalWrite::record_only;
        w.oid = oid;
        w.record = {oid, record.href, new_etag.empty() ? kUnknownEtag : new_etag, record.uid,
                    pack_props(local_props)};
        queue(std::move(w));
        ++(fresh ? m_summary.added_there : m_summary.changed_there);
    }
    report("sending", work.size(), work.size());
}

// The journal lines of other writers since the last complete pass; false when some are lost
// (trimmed away) or cannot be read, and every synced contact is to be looked at.
bool Pass::changes_here(std::vector<pim::JournalEntry>& entries) {
    bool complete = false;
    return m_ledger.journal_since(m_account.journal_mark, kSyncTokenPrefix, entries, complete) ==
               pim::kOk &&
           complete;
}

// True when neither side has changed since the last complete pass: nothing changed here
// (quiet), and the book's tag as it was then. ctag is the tag read, read before anything is
// listed so that it is safe to keep after this pass; empty when this side has changes.
bool Pass::nothing_to_do(bool quiet, int64_t mark, std::string& ctag) {
    bool unsent = true;
    if (!quiet || m_ledger.any_unsent(m_account.id, unsent) != pim::kOk || unsent) {
        return false;
    }
    std::string error;
    if (!m_client.collection_tag(m_account.url, ctag, error)) {
        log() << u"sync: " << platform::from_utf8(error) << u"\n";
        ctag.clear();
        return false;
    }
    if (ctag.empty() || ctag != m_account.ctag) {
        return false;
    }
    if (m_ledger.set_account_state(m_account.id, m_account.sync_token, mark, ctag) != pim::kOk) {
        failed("the sync token cannot be stored: " + m_session.last_error());
    }
    return true;
}

void Pass::run() {
    const int64_t mark = m_ledger.journal_end();
    std::vector<pim::JournalEntry> entries;
    std::string ctag;
    if (nothing_to_do(changes_here(entries) && entries.empty(), mark, ctag)) {
        return;
    }
    std::vector<pim::SyncCardRow> rows;
    if (m_ledger.cards(m_account.id, rows) != pim::kOk) {
        failed("the sync's records cannot be read: " + m_session.last_error());
        return;
    }
    for (pim::SyncCardRow& row : rows) {
        m_by_url[row.href] = row.oid;
        m_records[row.oid] = std::move(row);
    }

    std::vector<CardTag> changed;
    std::vector<std::string> removed;
    std::string token;
    std::string error;
    bool full = m_account.sync_token.empty();
    DavClient::SyncReport listing =
        m_client.sync_collection(m_account.url, m_account.sync_token, changed, removed, token, error);
    if (listing == DavClient::SyncReport::token_refused) {
        log() << "sync: the server no longer knows the sync token; comparing every card\n";
        full = true;
        listing = m_client.sync_collection(m_account.url, {}, changed, removed, token, error);
    }
    if (listing == DavClient::SyncReport::unsupported) {
        log() << "sync: the server gives no sync report; comparing ETags\n";
        full = true;
        token.clear();
        removed.clear();
        if (!m_client.list_cards(m_account.url, changed, error)) {
            failed(error);
            return;
        }
    } else if (listing != DavClient::SyncReport::ok) {
        failed(error);
        return;
    }
    if (full) {
        std::set<std::string> present;
        for (const CardTag& tag : changed) {
            present.insert(tag.url);
        }
        for (const auto& [url, oid] : m_by_url) {
            if (present.count(url) == 0) {
                removed.push_back(url);
            }
        }
    }
    // Cards as this side last saw them (its own writes coming back) need no fetching.
    std::erase_if(changed, [&](const CardTag& tag) {
        auto known = m_by_url.find(tag.url);
        return known != m_by_url.end() && m_records[known->second].etag == tag.etag;
    });

    std::vector<Contact> contacts;
    m_store.load_all(contacts);
    for (Contact& contact : contacts) {
        if (contact.object_id != 0) {
            m_local.emplace(contact.object_id, std::move(contact));
        }
    }
    // Read again after the contacts, so that an edit made meanwhile counts as one.
    if (changes_here(entries)) {
        for (const pim::JournalEntry& entry : entries) {
            m_dirty.insert(entry.oid);
        }
    } else {
        for (const auto& [oid, record] : m_records) {
            m_dirty.insert(oid);
        }
    }

    take_server_changes(std::move(changed));
    if (m_complete) {
        take_server_removals(removed);
    }
    flush();
    if (m_complete) {
        send_local_changes();
    }
    flush();
    if (m_complete) {
        if (m_ledger.set_account_state(m_account.id, token, mark, ctag) != pim::kOk) {
            failed("the sync token cannot be stored: " + m_session.last_error());
        }
    }
}

}  // namespace

std::string password_key(const SyncAccount& account) { return account.user + "@" + account.url; }

namespace {

struct Opened {
    QuietListener listener;
    std::unique_ptr<ContactManagerImpl2> store;
    std::unique_ptr<pim::SyncLedger> ledger;
    pim::PimSession* session = nullptr;
};

bool open_book(const std::string& db_file, Opened& out, std::string& error) {
    out.store = std::make_unique<ContactManagerImpl2>(
        out.listener, db_file, std::string(kSyncTokenPrefix) + random_hex(8));
    out.session = out.store->session();
    if (out.session == nullptr) {
        error = out.store->open_error();
        return false;
    }
    out.ledger = std::make_unique<pim::SyncLedger>(*out.session);
    if (out.ledger->status() != pim::kOk) {
        error = "the sync's tables cannot be made: " + out.session->last_error();
        return false;
    }
    return true;
}

SyncAccount account_of(const pim::SyncAccountRow& row) {
    return SyncAccount{row.id, row.url, row.user, row.ca_file};
}

// The book opened and its accounts read, or false with the reason.
bool open_accounts(const std::string& db_file, Opened& opened,
                   std::vector<pim::SyncAccountRow>& rows, std::string& error) {
    if (!open_book(db_file, opened, error)) {
        return false;
    }
    if (opened.ledger->accounts(rows) != pim::kOk) {
        error = opened.session->last_error();
        return false;
    }
    return true;
}

}  // namespace

bool list_accounts(const std::string& db_file, std::vector<SyncAccount>& out, std::string& error) {
    out.clear();
    Opened opened;
    std::vector<pim::SyncAccountRow> rows;
    if (!open_accounts(db_file, opened, rows, error)) {
        return false;
    }
    for (const pim::SyncAccountRow& row : rows) {
        out.push_back(account_of(row));
    }
    return true;
}

bool add_account(const std::string& db_file, SyncAccount& account, const std::string& password,
                 std::string& where_password, std::string& error) {
    Opened opened;
    std::vector<pim::SyncAccountRow> rows;
    if (!open_accounts(db_file, opened, rows, error)) {
        return false;
    }
    if (!rows.empty()) {
        error = "the book already syncs with " + rows.front().url + "; remove that account first";
        return false;
    }
    platform::SecretPlace place = platform::SecretPlace::file;
    if (!platform::store_secret(password_key(account), password, place, error)) {
        return false;
    }
    where_password = place == platform::SecretPlace::service ? "the secret service"
                                                             : platform::secret_file_path();
    pim::SyncAccountRow row;
    row.url = account.url;
    row.user = account.user;
    row.ca_file = account.ca_file;
    if (opened.ledger->add_account(row) != pim::kOk) {
        error = opened.session->last_error();
        platform::remove_secret(password_key(account));
        return false;
    }
    account.id = row.id;
    return true;
}

bool remove_account(const std::string& db_file, const std::string& url_or_id, std::string& error) {
    Opened opened;
    std::vector<pim::SyncAccountRow> rows;
    if (!open_accounts(db_file, opened, rows, error)) {
        return false;
    }
    for (const pim::SyncAccountRow& row : rows) {
        if (row.url == url_or_id || std::to_string(row.id) == url_or_id) {
            if (opened.ledger->remove_account(row.id) != pim::kOk) {
                error = opened.session->last_error();
                return false;
            }
            platform::remove_secret(password_key(account_of(row)));
            return true;
        }
    }
    error = "no account " + url_or_id;
    return false;
}

SyncSummary run_sync(const std::string& db_file, const SyncProgress& progress,
                     std::function<bool()> stop) {
    SyncSummary summary;
    platform::InstanceMutex lock;
    if (!lock.open(u"contacts-sync") || !lock.try_wait()) {
        summary.error = "another sync of this book is running";
        return summary;
    }
    Opened opened;
    if (!open_book(db_file, opened, summary.error)) {
        return summary;
    }
    std::vector<pim::SyncAccountRow> rows;
    if (opened.ledger->accounts(rows) != pim::kOk) {
        summary.error = opened.session->last_error();
        return summary;
    }
    if (rows.empty()) {
        summary.error = "no account; add one with: velvane-pim account add URL --user NAME";
        return summary;
    }
    const pim::SyncAccountRow& account = rows.front();
    const std::optional<std::string> password = platform::lookup_secret(password_key(account_of(account)));
    if (!password) {
        summary.error = "no password is stored for " + account.user + " at " + account.url;
        return summary;
    }
    DavClient client(account.user, *password, account.ca_file);
    if (stop) {
        client.http().set_cancel(std::move(stop));
    }
    Pass pass(*opened.store, *opened.session, *opened.ledger, account, client, summary, progress);
    pass.run();
    summary.ok = summary.error.empty();
    return summary;
}

std::string summary_text(const SyncSummary& s) {
    std::string text = "here: " + std::to_string(s.added_here) + " added, " +
                       std::to_string(s.changed_here) + " changed, " +
                       std::to_string(s.removed_here) + " removed; on the server: " +
                       std::to_string(s.added_there) + " added, " + std::to_string(s.changed_there) +
                       " changed, " + std::to_string(s.removed_there) + " removed";
    if (s.merged > 0) {
        text += "; " + std::to_string(s.merged) + " merged";
    }
    return text;
}

std::string error_reason(const std::string& error) {
    // An address holds no ": ", so the first one ends it.
    const size_t end = error.find(": ");
    if ((error.starts_with("http://") || error.starts_with("https://")) &&
        end != std::string::npos) {
        return error.substr(end + 2);
    }
    return error;
}

}  // namespace velvane::sync
