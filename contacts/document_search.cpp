#include "contacts/document_search.h"

#include <algorithm>
#include <cstring>

#include "core/invariant.h"
#include "platform/case_map.h"

namespace velvane {

namespace {

bool searched_phone(FieldKind kind) {
    return kind == FieldKind::Mobile || kind == FieldKind::BusinessTel ||
           kind == FieldKind::HomeTel;
}

bool text_accepts(WStringView text, const SearchQuery::Word& word, size_t from) {
    if (text.size() < word.size()) {
        return false;
    }
    for (size_t i = from; i < word.size(); ++i) {
        if (!word.sets[i].contains(text[i])) {
            return false;
        }
    }
    return true;
}

// More words than parts can never each find a part of their own.
constexpr size_t kMaxWords = 4;

}  // namespace

SearchQuery::CharSet::CharSet(WStringView chars) : bits(0x10000 / 64, 0) {
    for (char16_t c : chars) {
        bits[c >> 6] |= uint64_t{1} << (c & 63);
    }
}

uint32_t SearchIndex::add(const ContactEntry& entry) {
    uint32_t slot = 0;
    if (!m_free.empty()) {
        slot = m_free.back();
        m_free.pop_back();
        // A slot freed twice would be handed to two contacts, and one would match as the other.
        VELVANE_ASSERT(slot < m_records.size() && !m_records[slot].live);
    } else {
        slot = static_cast<uint32_t>(m_records.size());
        m_records.emplace_back();
        m_key_masks.emplace_back();
        m_codes.emplace_back();
        m_texts.emplace_back();
    }
    fill(slot, entry);
    return slot;
}

bool SearchIndex::live(uint32_t slot) const {
    return slot < m_records.size() && m_records[slot].live;
}

void SearchIndex::update(uint32_t slot, const ContactEntry& entry) {
    // Only a contact the Document still lists is read again.
    VELVANE_ASSERT(live(slot));
    if (slot < m_records.size()) {
        fill(slot, entry);
    }
}

void SearchIndex::remove(uint32_t slot) {
    if (slot >= m_records.size() || !m_records[slot].live) {
        return;
    }
    // A freed slot has no parts, so it can never match.
    m_records[slot] = Record{};
    m_key_masks[slot] = KeyMasks{};
    m_codes[slot] = Codes{};
    m_texts[slot] = Texts{};
    m_free.push_back(slot);
}

void SearchIndex::clear() {
    m_records.clear();
    m_key_masks.clear();
    m_codes.clear();
    m_texts.clear();
    m_free.clear();
}

void SearchIndex::fill(uint32_t slot, const ContactEntry& entry) {
    // The scan walks the tables side by side, one row per slot.
    VELVANE_ASSERT(m_key_masks.size() == m_records.size() && m_codes.size() == m_records.size() &&
                   m_texts.size() == m_records.size());
    const Contact& c = entry.contact;
    Texts& texts = m_texts[slot];
    texts.parts.clear();
    texts.parts.push_back(platform::to_lower(c.first_name));
    texts.parts.push_back(platform::to_lower(c.last_name));
    texts.parts.push_back(platform::to_lower(c.company));
    for (const ContactField& field : c.fields) {
        if (searched_phone(field.kind)) {
            texts.parts.push_back(platform::to_lower(field.value));
        }
    }
    Record& record = m_records[slot];
    record = Record{};
    const size_t flat = std::min<size_t>(texts.parts.size(), kParts);
    for (size_t p = 0; p < flat; ++p) {
        const WString& text = texts.parts[p];
        record.length[p] = static_cast<uint16_t>(std::min<size_t>(text.size(), 0xFFFF));
        const size_t n = std::min<size_t>(text.size(), kWidth);
        std::copy_n(text.begin(), n, record.chars[p].begin());
    }
    record.live = true;
    // The three name parts are always there; the flat phones follow them.
    VELVANE_ASSERT(flat >= kPhone && flat - kPhone <= kFlatPhones);
    record.phones = static_cast<uint8_t>(flat - kPhone);
    record.more_phones = texts.parts.size() > kParts;

    KeyMasks masks;
    if (record.more_phones) {
        // The later phones are not in the masks: never rule them out.
        masks.first = masks.pairs = ~uint64_t{0};
    }
    for (size_t p = 0; p < texts.parts.size() && !record.more_phones; ++p) {
        const WString& text = texts.parts[p];
        if (text.empty()) {
            continue;
        }
        const uint64_t first = keys_of(text[0]);
        masks.first |= first;
        if (text.size() < 2 || first == 0) {
            continue;
        }
        const uint64_t second = keys_of(text[1]);
        for (size_t k0 = 0; k0 < 64; ++k0) {
            if (!(first >> k0 & 1)) continue;
            for (size_t k1 = 0; k1 < 64; ++k1) {
                if (second >> k1 & 1) masks.pairs |= pair_bit(k0, k1);
            }
        }
    }
    m_key_masks[slot] = masks;

    Codes& codes = m_codes[slot];
    codes = Codes{};
    bool needs_match = record.more_phones;
    for (size_t p = 0; p < flat; ++p) {
        const WString& text = texts.parts[p];
        codes.length[p] = static_cast<uint16_t>(std::min<size_t>(text.size(), 15));
        const size_t n = std::min<size_t>(text.size(), kCodeChars);
        for (size_t i = 0; i < n; ++i) {
            const uint8_t nibble = nibble_of(text[i]);
            needs_match = needs_match || nibble == kAmbiguous;
            codes.code[p] = static_cast<uint16_t>(codes.code[p] | nibble << (4 * i));
        }
    }
    // The flag lane carries no part, so a part's code can never pass for it.
    VELVANE_ASSERT(codes.code[kFlagLane] == 0 && codes.length[kFlagLane] == 0);
    if (needs_match) {
        codes.length[kFlagLane] = kNeedsMatch;
    }
}

uint8_t SearchIndex::nibble_of(char16_t c) const {
    const uint64_t keys = keys_of(c);
    if (keys == 0) {
        return 0;
    }
    if ((keys & (keys - 1)) != 0 || keys >= (uint64_t{1} << (kAmbiguous - 1))) {
        return kAmbiguous;
    }
    return static_cast<uint8_t>(__builtin_ctzll(keys) + 1);
}

bool SearchIndex::codes_accept(const Codes& codes, const SearchQuery& query) const {
    auto accepts = [&codes](int part, const SearchQuery::Word& word) {
        return codes.length[part] >= word.size() &&
               (codes.code[part] & word.code_mask) == word.code;
    };
    unsigned used = 0;
    for (const SearchQuery::Word& word : query.words) {
        if (!(used & 1) && accepts(kFirst, word)) {
            used |= 1;
        } else if (!(used & 2) && accepts(kLast, word)) {
            used |= 2;
        } else if (!(used & 4) && [&] {
                       for (int k = 0; k < kParts - kPhone; ++k) {
                           if (accepts(kPhone + k, word)) return true;
                       }
                       return false;
                   }()) {
            used |= 4;
        } else if (!(used & 8) && accepts(kCompany, word)) {
            used |= 8;
        } else {
            return false;
        }
    }
    return true;
}

uint64_t SearchIndex::keys_of(char16_t c) const {
    auto it = m_key_bits.find(c);
    return it == m_key_bits.end() ? 0 : it->second;
}

uint64_t SearchIndex::pair_bit(size_t key0, size_t key1) {
    return uint64_t{1} << ((key0 * 64 + key1) * 0x9E3779B97F4A7C15ull >> 58);
}

void SearchIndex::set_keypad(const KeypadMap& map) {
    m_key_bits.clear();
    m_keys.clear();
    for (const auto& [key, value] : map.pairs()) {
        if (m_keys.size() == 64) {
            break;
        }
        const uint64_t bit = uint64_t{1} << m_keys.size();
        m_keys.push_back(key);
        for (char16_t c : value) {
            m_key_bits[c] |= bit;
        }
    }
}

SearchQuery SearchIndex::compile(const std::vector<WString>& words,
                                 const KeypadMap& map) const {
    SearchQuery query;
    query.words.reserve(words.size());
    bool by_codes_all = true;
    for (const WString& text : words) {
        // The Document drops empty pieces; the keys below start at the first character.
        VELVANE_ASSERT(!text.empty());
        SearchQuery::Word word;
        word.sets.reserve(text.size());
        for (char16_t c : text) {
            word.sets.emplace_back(map.value_of(c));
        }
        auto key = std::find(m_keys.begin(), m_keys.end(), text[0]);
        if (key != m_keys.end()) {
            const size_t k0 = static_cast<size_t>(key - m_keys.begin());
            word.first_key = uint64_t{1} << k0;
            auto next = text.size() > 1 ? std::find(m_keys.begin(), m_keys.end(), text[1])
                                        : m_keys.end();
            if (next != m_keys.end()) {
                word.pair_key = pair_bit(k0, static_cast<size_t>(next - m_keys.begin()));
            }
        }
        bool coded = text.size() <= kCodeChars;
        for (size_t i = 0; i < text.size() && coded; ++i) {
            auto k = std::find(m_keys.begin(), m_keys.end(), text[i]);
            const auto index = static_cast<size_t>(k - m_keys.begin());
            coded = k != m_keys.end() && index + 1 < kAmbiguous;
            if (coded) {
                word.code = static_cast<uint16_t>(word.code | (index + 1) << (4 * i));
                word.code_mask = static_cast<uint16_t>(word.code_mask | 0xF << (4 * i));
            }
        }
        by_codes_all = by_codes_all && coded;
        // A coded word compares one nibble per character, no more and no less.
        VELVANE_ASSERT(!coded || word.code_mask == (1u << (4 * text.size())) - 1);
        query.words.push_back(std::move(word));
    }
    query.by_codes = by_codes_all && !query.words.empty();
    return query;
}

bool SearchIndex::quick_reject(uint32_t slot, const SearchQuery& query) const {
    const Record& record = m_records[slot];
    if (record.more_phones) {
        return false;
    }
    for (const SearchQuery::Word& word : query.words) {
        const SearchQuery::CharSet& set = word.sets[0];
        bool any = false;
        for (int p = 0; p < kParts && !any; ++p) {
            any = record.length[p] >= word.size() && set.contains(record.chars[p][0]);
        }
        if (!any) {
            return true;
        }
    }
    return false;
}

bool SearchIndex::part_accepts(uint32_t slot, int part, const SearchQuery::Word& word) const {
    const Record& record = m_records[slot];
    const uint16_t length = record.length[part];
    if (length < word.size() && length != 0xFFFF) {
        return false;
    }
    const auto& chars = record.chars[part];
    const size_t n = std::min<size_t>(word.size(), kWidth);
    for (size_t i = 0; i < n; ++i) {
        if (!word.sets[i].contains(chars[i])) {
            return false;
        }
    }
    if (word.size() <= kWidth && length != 0xFFFF) {
        return true;
    }
    return text_accepts(m_texts[slot].parts[part], word, n);
}

bool SearchIndex::phone_accepts(uint32_t slot, const SearchQuery::Word& word) const {
    const Record& record = m_records[slot];
    for (int k = 0; k < record.phones; ++k) {
        if (part_accepts(slot, kPhone + k, word)) {
            return true;
        }
    }
    if (!record.more_phones) {
        return false;
    }
    const auto& parts = m_texts[slot].parts;
    for (size_t k = kPhone + kFlatPhones; k < parts.size(); ++k) {
        if (text_accepts(parts[k], word, 0)) {
            return true;
        }
    }
    return false;
}

bool SearchIndex::match(uint32_t slot, const SearchQuery& query, MatchLengths* lengths) const {
    if (lengths) {
        *lengths = MatchLengths{};
    }
    if (query.words.empty()) {
        return true;
    }
    if (slot >= m_records.size() || !m_records[slot].live || query.words.size() > kMaxWords) {
        return false;
    }
    // Parts in the order words are offered to them.
    enum { First = 1, Last = 2, Phone = 4, Company = 8 };
    unsigned used = 0;
    MatchLengths found;
    for (const SearchQuery::Word& word : query.words) {
        const int length = static_cast<int>(word.size());
        if (!(used & First) && part_accepts(slot, kFirst, word)) {
            used |= First;
            found.first_name = length;
        } else if (!(used & Last) && part_accepts(slot, kLast, word)) {
            used |= Last;
            found.last_name = length;
        } else if (!(used & Phone) && phone_accepts(slot, word)) {
            used |= Phone;
            found.phone = length;
        } else if (!(used & Company) && part_accepts(slot, kCompany, word)) {
            used |= Company;
            found.company = length;
        } else {
            return false;
        }
    }
    if (lengths) {
        *lengths = found;
        // One word highlights every name part it fits, not only the one that took it.
        if (query.words.size() == 1) {
            const SearchQuery::Word& word = query.words[0];
            const int length = static_cast<int>(word.size());
            if (part_accepts(slot, kFirst, word)) lengths->first_name = length;
            if (part_accepts(slot, kLast, word)) lengths->last_name = length;
            if (part_accepts(slot, kCompany, word)) lengths->company = length;
        }
    }
    return true;
}

void SearchIndex::scan(const SearchQuery& query, std::vector<uint64_t>& bits) const {
    const size_t slots = m_records.size();
    bits.assign((slots + 63) / 64, 0);
    if (query.words.size() > kMaxWords) {
        return;
    }
    if (query.by_codes) {
        // Typed keypad digits: twenty bytes per contact decide, front to back.
        if (query.words.size() == 1) {
            // One word needs one part that accepts it: no branches to mispredict.
            using Lanes = int16_t __attribute__((vector_size(16)));
            const auto& word = query.words[0];
            const Lanes code = Lanes{} + static_cast<int16_t>(word.code);
            const Lanes mask = Lanes{} + static_cast<int16_t>(word.code_mask);
            const Lanes shorter = Lanes{} + static_cast<int16_t>(word.size() - 1);
            for (uint32_t slot = 0; slot < slots; ++slot) {
                const Codes& codes = m_codes[slot];
                Lanes lane_code;
                Lanes lane_length;
                std::memcpy(&lane_code, codes.code.data(), sizeof lane_code);
                std::memcpy(&lane_length, codes.length.data(), sizeof lane_length);
                // Lengths are compared signed: the flag lane (-1) never passes.
                const Lanes hit = ((lane_code & mask) == code) & (lane_length > shorter);
                uint64_t halves[2];
                std::memcpy(halves, &hit, sizeof halves);
                uint64_t any = (halves[0] | halves[1]) != 0;
                if (codes.length[kFlagLane] == kNeedsMatch) {
                    any = match(slot, query, nullptr);
                }
                bits[slot / 64] |= any << (slot % 64);
            }
            return;
        }
        for (uint32_t slot = 0; slot < slots; ++slot) {
            const Codes& codes = m_codes[slot];
            const bool hit = codes.length[kFlagLane] == kNeedsMatch
                                 ? match(slot, query, nullptr)
                                 : codes_accept(codes, query);
            if (hit) {
                bits[slot / 64] |= uint64_t{1} << (slot % 64);
            }
        }
        return;
    }
    // Words whose first characters are keypad keys rule out most contacts by two loads.
    bool any_key = false;
    bool only_keys = true;
    for (const SearchQuery::Word& word : query.words) {
        any_key = any_key || word.first_key != 0;
        only_keys = only_keys && word.first_key != 0;
    }
    // One typed key: its mask bit is the whole answer.
    const bool mask_decides = query.words.size() == 1 && query.words[0].size() == 1 && only_keys;
    for (uint32_t slot = 0; slot < slots; ++slot) {
        if (any_key) {
            const KeyMasks& masks = m_key_masks[slot];
            bool possible = true;
            for (const SearchQuery::Word& word : query.words) {
                possible = possible && (masks.first & word.first_key) == word.first_key &&
                           (masks.pairs & word.pair_key) == word.pair_key;
            }
            if (!possible) {
                continue;
            }
            if (mask_decides && masks.first != ~uint64_t{0}) {
                bits[slot / 64] |= uint64_t{1} << (slot % 64);
                continue;
            }
        }
        if (!only_keys && quick_reject(slot, query)) {
            continue;
        }
        if (match(slot, query, nullptr)) {
            bits[slot / 64] |= uint64_t{1} << (slot % 64);
        }
    }
}

}  // namespace velvane
