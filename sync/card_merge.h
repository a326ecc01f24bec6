#pragma once
// A card as named properties, so that two versions of it can be compared and merged property
// by property: the three names, each field kind, the picture, and the lines Velvane keeps
// without showing them, grouped by property name. The card's UID is not one of them: it
// names the card and belongs to the sync's bookkeeping.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "contacts/vcard.h"

namespace velvane::sync {

using CardProps = std::map<std::string, std::string>;

CardProps card_props(const VCardContact& card);
VCardContact card_from_props(const CardProps& props);

struct CardMerge {
    CardProps merged;
    // Properties changed on both sides, the server's value kept: the key and the local value
    // given up (empty when the local side had removed it).
    std::vector<std::pair<std::string, std::string>> local_lost;
};

// Each side's changes since base win; a property changed on both sides takes the server's.
CardMerge merge_cards(const CardProps& base, const CardProps& local, const CardProps& server);

// The UID line's value among the kept lines; empty when there is none.
std::string uid_of(const VCardContact& card);
// The card as sent to the server: vCard 3.0 with exactly one UID, uid.
std::string card_text(const VCardContact& card, std::string_view uid);

// The bookkeeping form of a card's properties, and back; nothing from damaged text.
std::string pack_props(const CardProps& props);
bool unpack_props(std::string_view packed, CardProps& out);

// A readable name of a property key for log lines ("last", "Mobile", "NOTE").
std::string describe_key(const std::string& key);

}  // namespace velvane::sync
