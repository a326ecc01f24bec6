#pragma once
// vCard files: reading versions 2.1, 3.0 and 4.0 into contacts, and writing contacts as
// vCard 3.0 that reads back to the same contacts. What can be read of a file is kept: a card
// or property that cannot be read is left out and said so, the rest of the file still counts.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/contact.h"

namespace velvane {

// One card: the contact (object id 0, fields in kind order) and its picture's bytes as the
// file carried them, for the store; empty when the card has none.
struct VCardContact {
    Contact contact;
    std::string photo;
    // Property lines no field of the contact holds (NOTE, ROLE, IMPP, X- properties, a fourth
    // e-mail, a second work address, ...), whole with their parameters and unfolded, as the
    // file carried them. The writer puts them back unchanged.
    std::vector<std::string> extra_properties;
};

struct VCardError {
    int line = 0;  // 1-based line of the file
    WString message;
};

struct VCardRead {
    std::vector<VCardContact> contacts;
    // What was left out or read only in part, in line order: a card, a property, a line.
    std::vector<VCardError> skipped;
    // Set when nothing of the file gives a contact; contacts is then empty.
    std::optional<VCardError> error;
};

// Files beyond this size are refused rather than read into memory.
inline constexpr size_t kMaxVCardFileBytes = 64u << 20;

// Reads every card of a file's bytes (UTF-8, or UTF-16 after a byte-order mark; other
// charsets where a property names them; 8-bit text naming none in the charset its bytes
// suggest, Windows-1252 when they suggest none).
VCardRead read_vcards(std::string_view bytes);

// vCard 3.0 text of the contacts, UTF-8 with CR LF line ends and lines folded at 75 bytes.
std::string write_vcards(const std::vector<VCardContact>& contacts);

// Helpers the reader is built from, for the tests.
std::string decode_quoted_printable(std::string_view text);
// Nothing when text holds a character outside the base64 alphabet (blanks are skipped).
std::optional<std::string> decode_base64(std::string_view text);
std::string encode_base64(std::string_view bytes);
// Text in a named charset as UTF-16; text that is not valid in it, or a charset the system
// does not know, is read as UTF-8 when it is valid UTF-8 and as ISO-8859-1 otherwise.
WString decode_charset(std::string_view bytes, std::string_view charset);
bool is_valid_utf8(std::string_view text);

}  // namespace velvane
