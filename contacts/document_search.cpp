#include "contacts/document_search.h"

#include <algorithm>

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

uint32_t SearchIndex::add(const ContactEntry& entry) {
    uint32_t slot = 0;
    if (!m_free.empty()) {
        slot = m_free.back();
        m_free.pop_back();
    } else {
        slot = static_cast<uint32_t>(m_heads.size());
        m_heads.emplace_back();
        m_prefixes.emplace_back();
        m_texts.emplace_back();
    }
    fill(slot, entry);
    return slot;
}

void SearchIndex::update(uint32_t slot, const ContactEntry& entry) {
    if (slot < m_heads.size()) {
        fill(slot, entry);
    }
}

void SearchIndex::remove(uint32_t slot) {
    if (slot >= m_heads.size() || !m_texts[slot].live) {
        return;
    }
    // A freed slot has no parts, so it can never match.
    m_heads[slot] = Heads{};
    m_prefixes[slot] = Prefixes{};
    m_texts[slot] = Texts{};
    m_free.push_back(slot);
}

void SearchIndex::clear() {
    m_heads.clear();
    m_prefixes.clear();
    m_texts.clear();
    m_free.clear();
}

void SearchIndex::fill(uint32_t slot, const ContactEntry& entry) {
    const Contact& c = entry.contact;
    Texts& texts = m_texts[slot];
    texts.live = true;
    texts.parts.clear();
    texts.parts.push_back(platform::to_lower(c.first_name));
    texts.parts.push_back(platform::to_lower(c.last_name));
    texts.parts.push_back(platform::to_lower(c.company));
    for (const ContactField& field : c.fields) {
        if (searched_phone(field.kind)) {
            texts.parts.push_back(platform::to_lower(field.value));
        }
    }
    Heads& heads = m_heads[slot];
    Prefixes& prefixes = m_prefixes[slot];
    heads = Heads{};
    prefixes = Prefixes{};
    const size_t flat = std::min<size_t>(texts.parts.size(), kParts);
    for (size_t p = 0; p < flat; ++p) {
        const WString& text = texts.parts[p];
        heads.length[p] = static_cast<uint16_t>(std::min<size_t>(text.size(), 0xFFFF));
        if (!text.empty()) {
            heads.first[p] = text[0];
        }
        const size_t n = std::min<size_t>(text.size(), kWidth);
        std::copy_n(text.begin(), n, prefixes.chars[p].begin());
    }
    heads.more_phones = texts.parts.size() > kParts;
}

SearchQuery SearchIndex::compile(const std::vector<WString>& words, const KeypadMap& map) {
    SearchQuery query;
    query.words.reserve(words.size());
    for (const WString& text : words) {
        SearchQuery::Word word;
        word.sets.reserve(text.size());
        for (char16_t c : text) {
            word.sets.push_back({map.value_of(c)});
        }
        query.words.push_back(std::move(word));
    }
    return query;
}

bool SearchIndex::quick_reject(uint32_t slot, const SearchQuery& query) const {
    const Heads& heads = m_heads[slot];
    if (heads.more_phones) {
        return false;
    }
    for (const SearchQuery::Word& word : query.words) {
        const SearchQuery::CharSet& set = word.sets[0];
        bool any = false;
        for (int p = 0; p < kParts && !any; ++p) {
            any = heads.length[p] >= word.size() && set.contains(heads.first[p]);
        }
        if (!any) {
            return true;
        }
    }
    return false;
}

bool SearchIndex::part_accepts(uint32_t slot, int part, const SearchQuery::Word& word) const {
    const uint16_t length = m_heads[slot].length[part];
    if (length < word.size() && length != 0xFFFF) {
        return false;
    }
    const auto& chars = m_prefixes[slot].chars[part];
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
    const auto& parts = m_texts[slot].parts;
    const size_t phones = parts.size() - kPhone;
    const size_t flat = std::min<size_t>(phones, kFlatPhones);
    for (size_t k = 0; k < flat; ++k) {
        if (part_accepts(slot, kPhone + static_cast<int>(k), word)) {
            return true;
        }
    }
    for (size_t k = flat; k < phones; ++k) {
        if (text_accepts(parts[kPhone + k], word, 0)) {
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
    if (slot >= m_heads.size() || !m_texts[slot].live || query.words.size() > kMaxWords) {
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
    const size_t slots = m_heads.size();
    bits.assign((slots + 63) / 64, 0);
    if (query.words.size() > kMaxWords) {
        return;
    }
    for (uint32_t slot = 0; slot < slots; ++slot) {
        if (quick_reject(slot, query)) {
            continue;
        }
        if (match(slot, query, nullptr)) {
            bits[slot / 64] |= uint64_t{1} << (slot % 64);
        }
    }
}

}  // namespace velvane
