#include "contacts/favorites.h"

#include <unistd.h>

#include <algorithm>
#include <limits>
#include <mutex>

#include "core/key_value.h"
#include "core/log.h"
#include "core/paths.h"
#include "contacts/document.h"
#include "platform/files.h"

namespace velvane {

using platform::to_wstring;

namespace {

std::mutex g_location_mutex;
std::optional<FavoritesLocation> g_location;

// Decimal text as the handheld's string-to-number read it: blanks, an optional sign, then
// digits up to the first other character. Nothing when there are no digits or the number
// does not fit.
std::optional<int64_t> read_decimal(const WString& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    const size_t digits = i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > int64_t{std::numeric_limits<uint32_t>::max()}) {
            return std::nullopt;
        }
    }
    if (i == digits) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<int64_t> value_of(const KeyValues& map, const WString& key) {
    const auto it = map.find(key);
    return it == map.end() ? std::nullopt : read_decimal(it->second);
}

void append_utf16le(std::string& out, platform::WStringView text) {
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
}

}  // namespace

void sort_favorites(std::vector<FavoriteRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const FavoriteRow& a, const FavoriteRow& b) {
        const WString name_a = Document::display_name(a.entry->contact);
        const WString name_b = Document::display_name(b.entry->contact);
        if (name_a != name_b) {
            return name_a < name_b;
        }
        return a.entry->contact.object_id < b.entry->contact.object_id;
    });
}

std::vector<FavoriteRecord> parse_favorites(std::string_view bytes) {
    KeyValues map;
    parse_key_values(bytes, map);
    const int64_t count = value_of(map, u"count").value_or(0);
    // The rows are found from the fc keys the file holds, so a row that is missing or broken
    // costs only itself and a huge count costs nothing.
    std::vector<std::pair<int64_t, FavoriteRecord>> found;
    for (const auto& [key, text] : map) {
        if (key.size() < 3 || key.compare(0, 2, u"fc") != 0) {
            continue;
        }
        const WString n = key.substr(2);
        const std::optional<int64_t> index = read_decimal(n);
        // Only the index as it is written: "fc01" or "fc 1" is no row.
        if (!index || *index < 0 || *index >= count || to_wstring(*index) != n) {
            continue;
        }
        const std::optional<int64_t> id = read_decimal(text);
        const std::optional<int64_t> kind = value_of(map, u"ft" + n);
        // Screens look the pinned field up by kind; a kind that no field has is no row.
        if (!id || !kind || *id < 0 || *kind < 0 || *kind >= kStoredKindCount) {
            continue;
        }
        found.push_back({*index, {static_cast<uint32_t>(*id), static_cast<int32_t>(*kind)}});
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<FavoriteRecord> records;
    records.reserve(found.size());
    for (const auto& row : found) {
        records.push_back(row.second);
    }
    return records;
}

std::string format_favorites(const std::vector<FavoriteRow>& rows) {
    WString text = u"count=" + to_wstring(static_cast<long long>(rows.size())) + u"\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const WString n = to_wstring(static_cast<long long>(i));
        text += u"fc" + n + u"=" + to_wstring(rows[i].entry->contact.object_id) + u"\n";
        text += u"ft" + n + u"=" + to_wstring(rows[i].kind) + u"\n";
    }
    std::string bytes = "\xFF\xFE";
    append_utf16le(bytes, text);
    return bytes;
}

FavoritesLocation default_favorites_location() {
    const WString data = platform::user_data_folder();
    return {data + u"/favorits.dat", {data + u"/app/favorits.dat", expand_path(u"%app_path%/favorits.dat")}};
}

void set_favorites_location(const FavoritesLocation& location) {
    std::lock_guard lock(g_location_mutex);
    g_location = location;
}

FavoritesLocation favorites_location() {
    std::lock_guard lock(g_location_mutex);
    if (!g_location) {
        g_location = default_favorites_location();
    }
    return *g_location;
}

std::optional<std::string> read_favorites_file() {
    const FavoritesLocation where = favorites_location();
    if (platform::file_exists(where.file)) {
        return read_key_value_file(where.file);
    }
    for (const WString& earlier : where.earlier) {
        if (!platform::file_exists(earlier)) {
            continue;
        }
        std::optional<std::string> bytes = read_key_value_file(earlier);
        if (!bytes) {
            return bytes;
        }
        // Copied whole first and only then removed: an interruption leaves the new file
        // (which from then on is the one read) or the old one, never neither. A folder the
        // user may not write keeps its copy, which is no longer read.
        if (platform::create_folders(folder_of(where.file)) &&
            platform::write_file(where.file, *bytes)) {
            ::unlink(platform::native_path(earlier).c_str());
            log() << "favourites moved from " << earlier << " to " << where.file << "\n";
        } else {
            log() << "favourites: cannot move " << earlier << " to " << where.file << "\n";
        }
        return bytes;
    }
    return std::nullopt;
}

bool write_favorites_file(std::string_view bytes) {
    const FavoritesLocation where = favorites_location();
    if (platform::create_folders(folder_of(where.file)) && platform::write_file(where.file, bytes)) {
        return true;
    }
    log() << "write_favorites: cannot write " << where.file << "\n";
    return false;
}

void load_favorites(Document& document) {
    std::vector<FavoriteRow>& rows = document.favorites();
    for (FavoriteRow& row : rows) {
        row.entry->favorite_codes.clear();
    }
    rows.clear();
    const std::optional<std::string> bytes = read_favorites_file();
    if (!bytes) {
        return;
    }
    for (const FavoriteRecord& record : parse_favorites(*bytes)) {
        // Rows of contacts deleted since the last write are dropped here.
        ContactEntry* entry = document.find_entry(record.object_id);
        if (entry == nullptr) {
            continue;
        }
        entry->favorite_codes.push_back(record.kind);
        rows.push_back({entry, record.kind});
    }
    sort_favorites(rows);
}

void add_favorite(Document& document, uint32_t object_id, int32_t kind) {
    ContactEntry* entry = document.find_entry(object_id);
    if (entry == nullptr) {
        return;
    }
    std::vector<FavoriteRow>& rows = document.favorites();
    entry->favorite_codes.push_back(kind);
    rows.push_back({entry, kind});
    sort_favorites(rows);
    write_favorites_file(format_favorites(rows));
    RefreshHint hint;
    hint.favorite_added = true;
    hint.object_id = object_id;
    hint.favorite_position = static_cast<int32_t>(rows.size()) - 1;
    document.send(hint);
}

void remove_favorite(Document& document, uint32_t object_id, int32_t kind) {
    ContactEntry* entry = document.find_entry(object_id);
    if (entry == nullptr) {
        return;
    }
    std::vector<FavoriteRow>& rows = document.favorites();
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const FavoriteRow& r) {
        return r.entry == entry && r.kind == kind;
    });
    if (row == rows.end()) {
        return;
    }
    auto& codes = entry->favorite_codes;
    const auto code = std::find(codes.begin(), codes.end(), kind);
    if (code != codes.end()) {
        codes.erase(code);
    }
    const auto position = static_cast<int32_t>(row - rows.begin());
    rows.erase(row);
    write_favorites_file(format_favorites(rows));
    RefreshHint hint;
    hint.favorite_removed = true;
    hint.object_id = object_id;
    hint.favorite_position = position;
    document.send(hint);
}

}  // namespace velvane
