#pragma once
// The filter's search keys, laid out for the per-keystroke scan: every entry owns a slot with
// the first characters of its searchable parts in flat arrays, lower-cased once when the
// contact is read, so typing touches a few bytes per contact and no strings.

#include <array>
#include <cstdint>
#include <vector>

#include "contacts/document.h"

namespace velvane {

// The filter words turned into character sets: position i of a word accepts the characters
// its typed character stands for in the keypad map.
struct SearchQuery {
    struct CharSet {
        WString chars;
        bool contains(char16_t c) const {
            for (char16_t x : chars) {
                if (x == c) return true;
            }
            return false;
        }
    };
    struct Word {
        std::vector<CharSet> sets;  // one per character of the word
        size_t size() const { return sets.size(); }
    };
    // Longest first, as the filter offers them.
    std::vector<Word> words;
};

class SearchIndex {
public:
    // Characters of each part kept in the flat tables; longer words look at the full text.
    static constexpr int kWidth = 8;
    // First name, last name, company, then the first phones; more phones go to the full text.
    static constexpr int kParts = 8;
    static constexpr int kFirst = 0, kLast = 1, kCompany = 2, kPhone = 3;
    static constexpr int kFlatPhones = kParts - kPhone;

    // Gives entry a slot (reusing freed ones) and fills it.
    uint32_t add(const ContactEntry& entry);
    // Refills the slot from the entry's contact.
    void update(uint32_t slot, const ContactEntry& entry);
    void remove(uint32_t slot);
    void clear();
    size_t slot_count() const { return m_heads.size(); }

    static SearchQuery compile(const std::vector<WString>& words, const KeypadMap& map);
    // One bit per slot: set where the slot matches every word.
    void scan(const SearchQuery& query, std::vector<uint64_t>& bits) const;
    bool match(uint32_t slot, const SearchQuery& query, MatchLengths* lengths) const;

private:
    struct Heads {
        std::array<char16_t, kParts> first{};
        // Length of each part, capped at 0xFFFF; 0 for a missing part.
        std::array<uint16_t, kParts> length{};
        // Phones beyond the flat ones are only in the full text.
        bool more_phones = false;
    };
    struct Prefixes {
        std::array<std::array<char16_t, kWidth>, kParts> chars{};
    };
    struct Texts {
        // Lower-cased first name, last name, company, then every phone.
        std::vector<WString> parts;
        bool live = false;
    };

    bool quick_reject(uint32_t slot, const SearchQuery& query) const;
    bool part_accepts(uint32_t slot, int part, const SearchQuery::Word& word) const;
    bool phone_accepts(uint32_t slot, const SearchQuery::Word& word) const;
    void fill(uint32_t slot, const ContactEntry& entry);

    std::vector<Heads> m_heads;
    std::vector<Prefixes> m_prefixes;
    std::vector<Texts> m_texts;
    std::vector<uint32_t> m_free;
};

}  // namespace velvane
