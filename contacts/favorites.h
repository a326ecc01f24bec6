#pragma once
// Favourites: pinned fields of contacts, kept in display-name order by the Document and
// stored in favorits.dat beside the contact database.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/contact.h"
#include "contacts/document_types.h"

namespace velvane {

class Document;

// A row as the file stores it.
struct FavoriteRecord {
    uint32_t object_id = 0;
    int32_t kind = 0;
    bool operator==(const FavoriteRecord&) const = default;
};

// Orders rows by the contacts' display names, code unit by code unit. Rows of equal names
// keep one contact's rows together (by object id) and otherwise the order they were added.
void sort_favorites(std::vector<FavoriteRow>& rows);

// The rows of a favourites file in file order. Rows with a missing or malformed id or kind,
// or a kind that no field has, are left out, and only they: every row below the count that
// the file holds is read.
std::vector<FavoriteRecord> parse_favorites(std::string_view bytes);
// The file's bytes for a table: FF FE, then count, fc and ft lines in UTF-16LE, each ending
// in LF.
std::string format_favorites(const std::vector<FavoriteRow>& rows);

// Where favorits.dat lives: beside the contact database whose object ids it names. Files
// where earlier versions kept it are moved there the first time it is missing.
struct FavoritesLocation {
    WString file;
    // First found wins.
    std::vector<WString> earlier;
};
// $XDG_DATA_HOME/velvane/favorits.dat; earlier $XDG_DATA_HOME/velvane/app/favorits.dat and
// "%app_path%\favorits.dat".
FavoritesLocation default_favorites_location();
// Replaces where this process reads and writes favourites (tests, tools).
void set_favorites_location(const FavoritesLocation& location);
FavoritesLocation favorites_location();

// The bytes of the favourites file; nothing when there is none. An earlier file is moved to
// its place first.
std::optional<std::string> read_favorites_file();
// Replaces the file as a whole, so a crash or a full disk leaves the old one. False, with a
// log line, when it cannot be written.
bool write_favorites_file(std::string_view bytes);

// The Document's favourites table. Loading keeps rows whose contact exists; adding and
// removing write the file and tell the views.
void load_favorites(Document& document);
void add_favorite(Document& document, uint32_t object_id, int32_t kind);
void remove_favorite(Document& document, uint32_t object_id, int32_t kind);

}  // namespace velvane
