#include "contacts/document_search.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "contacts/collation.h"
#include "core/invariant.h"
#include "platform/case_map.h"
#include "platform/phone_numbers.h"

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

// The length of the beginning of a stored number that holds its first `kept` characters
// other than separators.
size_t stored_prefix(WStringView stored, size_t kept) {
    size_t i = 0;
    for (; i < stored.size() && kept > 0; ++i) {
        if (!platform::is_number_separator(stored[i])) {
            --kept;
        }
    }
    return i;
}

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
        m_more_firsts.emplace_back();
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
    m_more_firsts[slot] = 0;
    m_free.push_back(slot);
}

void SearchIndex::clear() {
    m_records.clear();
    m_key_masks.clear();
    m_codes.clear();
    m_texts.clear();
    m_more_firsts.clear();
    m_free.clear();
}

void SearchIndex::fill(uint32_t slot, const ContactEntry& entry) {
    // The scan walks the tables side by side, one row per slot.
    VELVANE_ASSERT(m_key_masks.size() == m_records.size() && m_codes.size() == m_records.size() &&
                   m_texts.size() == m_records.size() && m_more_firsts.size() == m_records.size());
    const Contact& c = entry.contact;
    Texts& texts = m_texts[slot];
    texts.parts.clear();
    texts.forms.clear();
    texts.parts.push_back(folded(c.first_name));
    texts.parts.push_back(folded(c.last_name));
    texts.parts.push_back(folded(c.company));
    for (size_t i = 0; i < c.fields.size(); ++i) {
        const ContactField& field = c.fields[i];
        if (!searched_phone(field.kind)) {
            continue;
        }
        const auto index = static_cast<uint32_t>(i);
        WString stored = folded(field.value);
        WString compact = platform::compact_number(stored);
        const std::optional<platform::NationalNumber> national =
            platform::national_number(field.value);
        texts.parts.push_back(std::move(stored));
        texts.forms.push_back({index, Form::Stored, 0});
        if (compact.size() != texts.parts.back().size()) {
            texts.parts.push_back(std::move(compact));
            texts.forms.push_back({index, Form::Compact, 0});
        }
        if (national) {
            texts.parts.push_back(national->trunk + national->number);
            texts.forms.push_back(
                {index, Form::National, static_cast<uint8_t>(national->trunk.size())});
        }
    }
    VELVANE_ASSERT(texts.forms.size() + kPhone == texts.parts.size());
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
    uint64_t more_firsts = 0;
    for (size_t p = kParts; p < texts.parts.size(); ++p) {
        if (!texts.parts[p].empty()) {
            more_firsts |= char_bit(texts.parts[p][0]);
        }
    }
    m_more_firsts[slot] = more_firsts;

    KeyMasks masks;
    for (size_t p = 0; p < texts.parts.size(); ++p) {
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
    bool needs_match = false;
    struct Lane {
        uint16_t code = 0;
        uint16_t length = 0;
        int chars = 0;  // the nibbles before the first character that is no key
    };
    std::array<Lane, kLanes> lanes{};
    std::vector<Lane> phones;
    for (size_t p = 0; p < texts.parts.size(); ++p) {
        const WString& text = texts.parts[p];
        Lane lane;
        lane.length = static_cast<uint16_t>(std::min<size_t>(text.size(), 15));
        const size_t n = std::min<size_t>(text.size(), kCodeChars);
        for (size_t i = 0; i < n; ++i) {
            const uint8_t nibble = nibble_of(text[i]);
            if (nibble == 0) {
                break;
            }
            lane.code = static_cast<uint16_t>(lane.code | nibble << (4 * i));
            ++lane.chars;
        }
        if (p < kPhone) {
            lanes[p] = lane;
        } else if (lane.chars > 0) {
            // A form that does not begin with a key ("+36 ...") never takes typed keys.
            phones.push_back(lane);
        }
    }
    // A form takes the typed keys its first key characters spell, no more: one whose are the
    // start of another's ("8 9..." and "89...") needs no lane of its own.
    auto covers = [](const Lane& wide, const Lane& narrow) {
        const uint16_t mask = static_cast<uint16_t>((1u << (4 * narrow.chars)) - 1);
        return wide.chars >= narrow.chars && (wide.code & mask) == narrow.code;
    };
    int used = kPhone;
    for (size_t i = 0; i < phones.size(); ++i) {
        bool covered = false;
        for (size_t j = 0; j < phones.size() && !covered; ++j) {
            // Of two alike, the first is kept.
            covered = j != i && covers(phones[j], phones[i]) &&
                      (!covers(phones[i], phones[j]) || j < i);
        }
        if (covered) {
            continue;
        }
        if (used == kFlagLane) {
            needs_match = true;
            break;
        }
        lanes[static_cast<size_t>(used++)] = phones[i];
    }
    for (int lane = 0; lane < used; ++lane) {
        const Lane& l = lanes[static_cast<size_t>(lane)];
        codes.code[static_cast<size_t>(lane)] = l.code;
        codes.length[static_cast<size_t>(lane)] = l.length;
        for (int i = 0; i < l.chars; ++i) {
            needs_match = needs_match || (l.code >> (4 * i) & 0xF) == kAmbiguous;
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
                       for (int lane = kPhone; lane < kFlagLane; ++lane) {
                           if (accepts(lane, word)) return true;
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
    if (c < m_low_key_bits.size()) {
        return m_low_key_bits[c];
    }
    auto it = m_key_bits.find(c);
    return it == m_key_bits.end() ? 0 : it->second;
}

uint64_t SearchIndex::char_bit(char16_t c) {
    return uint64_t{1} << ((c * 0x9E3779B97F4A7C15ull) >> 58);
}

uint64_t SearchIndex::pair_bit(size_t key0, size_t key1) {
    return uint64_t{1} << ((key0 * 64 + key1) * 0x9E3779B97F4A7C15ull >> 58);
}

SearchIndex::SearchIndex() { set_keypad(KeypadMap{}); }

void SearchIndex::set_keypad(const KeypadMap& map) {
    m_key_bits.clear();
    m_low_key_bits.assign(kCollationSize, 0);
    m_keys.clear();
    for (const auto& [key, value] : map.pairs()) {
        if (m_keys.size() == 64) {
            break;
        }
        const uint64_t bit = uint64_t{1} << m_keys.size();
        m_keys.push_back(key);
        for (char16_t c : value) {
            m_key_bits[c] |= bit;
            if (c < m_low_key_bits.size()) {
                m_low_key_bits[c] |= bit;
            }
        }
    }
    m_fold.resize(kCollationSize);
    for (size_t i = 0; i < m_fold.size(); ++i) {
        const auto c = static_cast<char16_t>(i);
        const char16_t base = base_letter(c);
        const uint64_t keys = keys_of(c);
        m_fold[i] = keys == 0 || keys == keys_of(base) ? base : c;
    }
    // A folded letter stands on the keys of the letter it came from, so the key masks and
    // codes need no folds of their own.
    VELVANE_ASSERT(std::all_of(m_key_bits.begin(), m_key_bits.end(), [this](const auto& pair) {
        return keys_of(fold(pair.first)) == pair.second;
    }));
}

WString SearchIndex::folded(WStringView text) const {
    WString out = platform::to_lower(text);
    for (char16_t& c : out) {
        c = fold(c);
    }
    return out;
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
            // The parts hold base letters: so does the set, beside what was typed.
            WString chars = map.value_of(c);
            const size_t typed = chars.size();
            for (size_t i = 0; i < typed; ++i) {
                chars.push_back(fold(chars[i]));
            }
            if (word.sets.empty()) {
                for (char16_t one : chars) {
                    word.first_chars |= char_bit(one);
                }
            }
            word.sets.emplace_back(chars);
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
    for (const SearchQuery::Word& word : query.words) {
        const SearchQuery::CharSet& set = word.sets[0];
        bool any = false;
        for (int p = 0; p < kParts && !any; ++p) {
            any = record.length[p] >= word.size() && set.contains(record.chars[p][0]);
        }
        if (!any && record.more_phones) {
            any = (m_more_firsts[slot] & word.first_chars) != 0;
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

int SearchIndex::phone_accepts(uint32_t slot, const SearchQuery::Word& word) const {
    const Record& record = m_records[slot];
    for (int k = 0; k < record.phones; ++k) {
        if (part_accepts(slot, kPhone + k, word)) {
            return k;
        }
    }
    if (!record.more_phones || (m_more_firsts[slot] & word.first_chars) == 0) {
        return -1;
    }
    const auto& parts = m_texts[slot].parts;
    for (size_t k = kPhone + kFlatPhones; k < parts.size(); ++k) {
        if (text_accepts(parts[k], word, 0)) {
            return static_cast<int>(k - kPhone);
        }
    }
    return -1;
}

int SearchIndex::marked_length(uint32_t slot, int form, size_t typed) const {
    const Texts& texts = m_texts[slot];
    VELVANE_ASSERT(form >= 0 && static_cast<size_t>(form) < texts.forms.size());
    const PhoneForm& matched = texts.forms[static_cast<size_t>(form)];
    // The stored form comes first of its number's forms.
    int first = form;
    while (texts.forms[static_cast<size_t>(first)].form != Form::Stored) {
        --first;
    }
    const WString& stored = texts.parts[kPhone + static_cast<size_t>(first)];
    const WString& text = texts.parts[kPhone + static_cast<size_t>(form)];
    size_t kept = typed;
    if (matched.form == Form::National) {
        // The typed trunk prefix stands for the country code: mark up to where the national
        // number begins in the stored one, then as many of its digits as were typed beyond.
        const WString compact = platform::compact_number(stored);
        const size_t at = compact.rfind(WStringView(text).substr(matched.trunk));
        if (at == WString::npos || at == 0) {
            return static_cast<int>(stored.size());
        }
        kept = at + (typed > matched.trunk ? typed - matched.trunk : 0);
    } else if (matched.form == Form::Stored) {
        return static_cast<int>(std::min(typed, stored.size()));
    }
    return static_cast<int>(stored_prefix(stored, kept));
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
        int form = -1;
        if (!(used & First) && part_accepts(slot, kFirst, word)) {
            used |= First;
            found.first_name = length;
        } else if (!(used & Last) && part_accepts(slot, kLast, word)) {
            used |= Last;
            found.last_name = length;
        } else if (!(used & Phone) && (form = phone_accepts(slot, word)) >= 0) {
            used |= Phone;
            if (lengths) {
                found.phone = marked_length(slot, form, word.size());
                found.phone_field =
                    static_cast<int>(m_texts[slot].forms[static_cast<size_t>(form)].field);
            }
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
