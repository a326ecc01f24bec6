#pragma once
// The filter's search keys, laid out for the per-keystroke scan: every entry owns a slot with
// the first characters of its searchable parts in flat arrays, lower-cased and folded to their
// base letters once when the contact is read, so typing touches a few bytes per contact and no
// strings. A phone number is searched in the forms people type it: as stored, without its
// separators, and in its national form.

#include <array>
#include <unordered_map>
#include <cstdint>
#include <vector>

#include "contacts/document.h"

namespace velvane {

// The filter words turned into character sets: position i of a word accepts the characters
// its typed character stands for in the keypad map.
struct SearchQuery {
    // One bit per character of the plane: the scan tests one of these per part of every
    // contact, so a test must be a single load. 8 KB each, made once per keystroke.
    struct CharSet {
        std::vector<uint64_t> bits;

        explicit CharSet(WStringView chars);
        bool contains(char16_t c) const { return bits[c >> 6] >> (c & 63) & 1; }
    };
    struct Word {
        // One per character of the word; a set holds base letters as the parts do.
        std::vector<CharSet> sets;
        // The keypad key of the first character as a bit of SearchIndex key masks; 0 when
        // the character is not one of the first 64 keys.
        uint64_t first_key = 0;
        // The bit of the first two characters' keys in the pair masks; 0 when either is not
        // a key or the word is shorter.
        uint64_t pair_key = 0;
        // One bit per hashed character that the first character stands for, to rule out the
        // phone forms beyond the flat tables by one load.
        uint64_t first_chars = 0;
        // The word as keypad codes (one nibble per character, first in the low bits) and the
        // nibbles it uses; valid when the query's by_codes is set.
        uint16_t code = 0;
        uint16_t code_mask = 0;
        size_t size() const { return sets.size(); }
    };
    // Longest first, as the filter offers them.
    std::vector<Word> words;
    // Every word is at most four keypad keys: the codes alone decide for most contacts.
    bool by_codes = false;
};

class SearchIndex {
public:
    SearchIndex();

    // Characters of each part kept in the flat tables; longer words look at the full text.
    static constexpr int kWidth = 4;
    // First name, last name, company, then the first phone forms; more go to the full text.
    static constexpr int kParts = 6;
    static constexpr int kFirst = 0, kLast = 1, kCompany = 2, kPhone = 3;
    static constexpr int kFlatPhones = kParts - kPhone;

    // Gives entry a slot (reusing freed ones) and fills it.
    uint32_t add(const ContactEntry& entry);
    // Refills the slot from the entry's contact.
    void update(uint32_t slot, const ContactEntry& entry);
    void remove(uint32_t slot);
    // Whether the slot holds a contact (and has not been freed).
    bool live(uint32_t slot) const;
    void clear();
    size_t slot_count() const { return m_records.size(); }

    // Takes the keypad's keys for the first-letter masks and the folding; must come before
    // any add.
    void set_keypad(const KeypadMap& map);
    SearchQuery compile(const std::vector<WString>& words, const KeypadMap& map) const;
    // One bit per slot: set where the slot matches every word.
    void scan(const SearchQuery& query, std::vector<uint64_t>& bits) const;
    bool match(uint32_t slot, const SearchQuery& query, MatchLengths* lengths) const;
    // The letter c is searched as: its base letter, unless the keypad puts the two on
    // different keys (then typing would find it under a key that does not show it).
    char16_t fold(char16_t c) const { return c < m_fold.size() ? m_fold[c] : c; }

private:
    // One cache line per contact, read front to back by the scan.
    struct alignas(64) Record {
        std::array<std::array<char16_t, kWidth>, kParts> chars{};
        // Length of each part, capped at 0xFFFF; 0 for a missing part.
        std::array<uint16_t, kParts> length{};
        // Phone forms in the flat tables.
        uint8_t phones = 0;
        bool live = false;
        // Phone forms beyond the flat ones are only in the full text.
        bool more_phones = false;
    };
    // How a phone part writes its number.
    enum class Form : uint8_t { Stored, Compact, National };
    struct PhoneForm {
        uint32_t field = 0;  // index into the contact's fields
        Form form = Form::Stored;
        uint8_t trunk = 0;   // national form: the length of its trunk prefix
    };
    struct Texts {
        // Folded first name, last name, company, then every form of every searched phone,
        // the stored one first.
        std::vector<WString> parts;
        // What each phone part is, from parts[kPhone] on.
        std::vector<PhoneForm> forms;
    };

    bool quick_reject(uint32_t slot, const SearchQuery& query) const;
    bool part_accepts(uint32_t slot, int part, const SearchQuery::Word& word) const;
    // The phone form that accepts word, or -1.
    int phone_accepts(uint32_t slot, const SearchQuery::Word& word) const;
    // How much of the stored number a word of length typed covers in that form.
    int marked_length(uint32_t slot, int form, size_t typed) const;
    void fill(uint32_t slot, const ContactEntry& entry);
    WString folded(WStringView text) const;

    std::vector<Record> m_records;
    // Per slot, one bit per keypad key that the first character of some part stands for, and
    // one bit per hashed pair of keys of a part's first two characters: the scan's first test,
    // sixteen bytes per contact. A slot whose parts are not all in the masks has every bit set.
    struct KeyMasks {
        uint64_t first = 0;
        uint64_t pairs = 0;
    };
    std::vector<KeyMasks> m_key_masks;
    static uint64_t pair_bit(size_t key0, size_t key1);
    static uint64_t char_bit(char16_t c);
    // Per slot, the first characters of the phone forms beyond the flat tables, as char_bit
    // bits.
    std::vector<uint64_t> m_more_firsts;

    // The keypad digit forms of the first characters of each part: a nibble per character,
    // the key's number 1..14 whose value holds it, up to the first character no key stands
    // for. A slot with a character that several keys (or a key beyond 14) stand for, or with
    // more phone forms than lanes, is decided by match.
    static constexpr int kCodeChars = 4;
    static constexpr uint8_t kAmbiguous = 15;
    // Eight lanes, so one vector compare tests every part; lanes past the parts stay 0 and
    // never accept a word (every typed key has a code of at least 1). The names take the
    // first lanes, the phone forms that begin with a key the ones up to the flag lane.
    static constexpr int kLanes = 8;
    struct alignas(32) Codes {
        std::array<uint16_t, kLanes> code{};
        // Capped at 15: enough to compare with words of up to four characters.
        std::array<uint16_t, kLanes> length{};
    };
    // The last lane's length marks a slot that match must decide.
    static constexpr int kFlagLane = kLanes - 1;
    static_assert(kPhone < kFlagLane);
    static constexpr uint16_t kNeedsMatch = 0xFFFF;
    std::vector<Codes> m_codes;
    uint8_t nibble_of(char16_t c) const;
    bool codes_accept(const Codes& codes, const SearchQuery& query) const;
    uint64_t keys_of(char16_t c) const;
    // Character to the keys whose value holds it; a flat table below U+1000, where the
    // letters of the keypad are, as the index asks for every character it keeps.
    std::unordered_map<char16_t, uint64_t> m_key_bits;
    std::vector<uint64_t> m_low_key_bits;
    // base_letter, less the folds the keypad does not allow.
    std::vector<char16_t> m_fold;
    std::vector<char16_t> m_keys;
    std::vector<Texts> m_texts;
    std::vector<uint32_t> m_free;
};

}  // namespace velvane
