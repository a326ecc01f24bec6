#include "contacts/vcard_extra.h"

#include <algorithm>
#include <array>
#include <memory>

#include "contacts/vcard_mapping.h"
#include "platform/pim_item.h"
#include "platform/pim_session.h"

namespace velvane {

namespace pim = platform::pim;

namespace {

bool has_any(const std::vector<std::string>& types, std::initializer_list<std::string_view> wanted) {
    return std::any_of(types.begin(), types.end(), [&](const std::string& t) {
        return std::find(wanted.begin(), wanted.end(), t) != wanted.end();
    });
}

constexpr size_t kFoldBytes = 75;

}  // namespace

std::vector<FieldKind> phone_kinds_for_types(const std::vector<std::string>& types) {
    const auto has = [&](std::initializer_list<std::string_view> wanted) {
        return has_any(types, wanted);
    };
    const bool home = has({"HOME"});
    const bool work = has({"WORK"});
    const bool spoken = has({"VOICE", "CELL", "MOBILE", "X-MOBILE", "IPHONE"});
    // Lines for video calls, modems and text terminals are no one's home or work number.
    if (has({"VIDEO", "MODEM", "BBS", "ISDN", "TEXTPHONE", "TTY", "TLX", "X-TLX"}) && !spoken) {
        return {};
    }
    if (has({"FAX"})) {
        return {home && !work ? FieldKind::HomeFax : FieldKind::BusinessFax};
    }
    if (has({"PAGER"})) {
        return {FieldKind::PagerNumber};
    }
    if (has({"CELL", "MOBILE", "X-MOBILE", "IPHONE"})) {
        return {FieldKind::Mobile};
    }
    if (has({"CAR"})) {
        return {FieldKind::CarTel};
    }
    if (has({"RADIO", "X-RADIO"})) {
        return {FieldKind::RadioTel};
    }
    if (has({"ASSISTANT", "X-ASSISTANT"})) {
        return {FieldKind::AssistantTel};
    }
    // MAIN alone is the person's main number on phones; with WORK it is the company's.
    if (has({"COMPANY-MAIN", "X-COMPANY-MAIN", "COMPANY_MAIN", "X-COMPANY_MAIN"}) ||
        (work && has({"MAIN"}))) {
        return {FieldKind::CompanyMainTel};
    }
    if (work && !home) {
        return {FieldKind::BusinessTel, FieldKind::Business2Tel};
    }
    if (home) {
        return {FieldKind::HomeTel, FieldKind::Home2Tel};
    }
    if (has({"OTHER", "X-OTHER", "MSG", "CALLBACK", "X-CALLBACK"})) {
        return {};
    }
    return {FieldKind::Mobile, FieldKind::HomeTel};
}

std::vector<FieldKind> address_places_for_types(const std::vector<std::string>& types) {
    const bool home = has_any(types, {"HOME"});
    const bool work = has_any(types, {"WORK"});
    if (work && !home) {
        return {FieldKind::WorkStreet};
    }
    if (home) {
        return {FieldKind::HomeStreet};
    }
    if (has_any(types, {"OTHER", "X-OTHER"})) {
        return {};
    }
    return {FieldKind::HomeStreet};
}

void append_folded_line(std::string& out, std::string_view line) {
    size_t limit = kFoldBytes;
    while (line.size() > limit) {
        size_t cut = limit;
        // Not inside a UTF-8 sequence, and not just after a quoted-printable '=' or inside its
        // two hex digits, which a reader would take for a soft line break.
        while (cut > 3 && ((static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80 ||
                           line[cut - 1] == '=' || line[cut - 2] == '=')) {
            --cut;
        }
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = kFoldBytes - 1;
    }
    out.append(line);
    out += "\r\n";
}

std::u16string pack_extra_properties(const std::vector<std::string>& lines) {
    std::u16string packed;
    for (const std::string& line : lines) {
        if (!packed.empty()) {
            packed.push_back(u'\n');
        }
        for (char c : line) {
            packed.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
        }
    }
    return packed;
}

std::vector<std::string> unpack_extra_properties(std::u16string_view packed) {
    std::vector<std::string> lines;
    if (packed.empty()) {
        return lines;
    }
    lines.emplace_back();
    for (char16_t c : packed) {
        if (c == u'\n') {
            lines.emplace_back();
        } else {
            lines.back().push_back(static_cast<char>(c & 0xFF));
        }
    }
    return lines;
}

bool store_extra_properties(pim::PimSession& session, uint32_t object_id,
                            const std::vector<std::string>& lines) {
    std::unique_ptr<pim::PimItem> item;
    if (session.item_from_oid(object_id, item) != pim::kOk) {
        return false;
    }
    const std::array values = {lines.empty()
                                   ? pim::PropValue::deletion(kExtraVCardPropertiesId)
                                   : pim::PropValue::of_text(kExtraVCardPropertiesId,
                                                             pack_extra_properties(lines))};
    return item->set_props(values) == pim::kOk && item->save() == pim::kOk;
}

std::vector<std::string> read_extra_properties(pim::PimSession& session, uint32_t object_id) {
    std::unique_ptr<pim::PimItem> item;
    std::vector<pim::PropValue> values;
    const std::array ids = {kExtraVCardPropertiesId};
    if (session.item_from_oid(object_id, item) != pim::kOk ||
        item->get_props(ids, values) != pim::kOk || values.size() != 1 || values[0].missing()) {
        return {};
    }
    return unpack_extra_properties(values[0].text);
}

}  // namespace velvane
