// vCard 3.0 output. Every field kind is written so that the reader gives it back: phone and
// e-mail fields carry their kind's name in an X-FIELD parameter, which other programs ignore,
// so that a second home number stays a second home number.

#include <array>

#include "contacts/categories.h"
#include "contacts/vcard.h"
#include "contacts/vcard_mapping.h"

namespace velvane {

namespace {

std::string escape(WStringView text) {
    WString out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
            case u'\\':
                out += u"\\\\";
                break;
            case u';':
                out += u"\\;";
                break;
            case u',':
                out += u"\\,";
                break;
            case u'\n':
                out += u"\\n";
                break;
            case u'\r':
                break;
            default:
                out.push_back(c);
        }
    }
    return platform::to_utf8(out);
}

// Appends line with CR LF, folded so that no line is longer than 75 bytes and no UTF-8
// sequence is cut.
const char* phone_types(FieldKind kind) {
    switch (kind) {
        case FieldKind::Mobile: return "CELL,VOICE";
        case FieldKind::BusinessTel:
        case FieldKind::Business2Tel: return "WORK,VOICE";
        case FieldKind::HomeTel:
        case FieldKind::Home2Tel: return "HOME,VOICE";
        case FieldKind::CarTel: return "CAR,VOICE";
        case FieldKind::RadioTel: return "X-RADIO";
        case FieldKind::CompanyMainTel: return "WORK,X-COMPANY-MAIN";
        case FieldKind::AssistantTel: return "X-ASSISTANT";
        case FieldKind::BusinessFax: return "WORK,FAX";
        case FieldKind::HomeFax: return "HOME,FAX";
        case FieldKind::PagerNumber: return "PAGER";
        default: return nullptr;
    }
}

std::string digits(int64_t value, int width) {
    std::string text = std::to_string(value);
    while (static_cast<int>(text.size()) < width) {
        text.insert(text.begin(), '0');
    }
    return text;
}

// BDAY text for a date-time count; empty when the text is no count or the year has no
// four-digit form.
std::string birthday_text(WStringView value) {
    int64_t count = 0;
    if (!parse_date_time(value, count)) {
        return {};
    }
    constexpr int64_t kDayMs = 86400000;
    int64_t days = count / kDayMs;
    int64_t ms = count % kDayMs;
    if (ms < 0) {
        ms += kDayMs;
        --days;
    }
    // Civil date from days since 1970.
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 0 || year > 9999) {
        return {};
    }
    std::string text = digits(year, 4) + "-" + digits(month, 2) + "-" + digits(day, 2);
    if (ms != 0) {
        const int64_t seconds = ms / 1000;
        text += "T" + digits(seconds / 3600, 2) + ":" + digits(seconds / 60 % 60, 2) + ":" +
                digits(seconds % 60, 2);
    }
    return text;
}

const char* picture_type(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xD8")) return "JPEG";
    if (bytes.starts_with("\x89PNG")) return "PNG";
    if (bytes.starts_with("GIF8")) return "GIF";
    if (bytes.starts_with("BM")) return "BMP";
    return nullptr;
}

std::string value_of(const Contact& c, FieldKind kind) {
    const ContactField* f = c.find(kind);
    return f != nullptr ? escape(f->value) : std::string();
}

void write_card(std::string& out, const VCardContact& card) {
    const Contact& c = card.contact;
    append_folded_line(out, "BEGIN:VCARD");
    append_folded_line(out, "VERSION:3.0");
    append_folded_line(out, "N:" + escape(c.last_name) + ";" + escape(c.first_name) + ";" +
                           value_of(c, FieldKind::MiddleName) + ";;" +
                           value_of(c, FieldKind::Suffix));
    WString display = c.first_name;
    if (!c.last_name.empty()) {
        display += display.empty() ? c.last_name : u" " + c.last_name;
    }
    if (display.empty()) {
        display = c.company;
    }
    append_folded_line(out, "FN:" + escape(display));
    const std::string department = value_of(c, FieldKind::Department);
    if (!c.company.empty() || !department.empty()) {
        append_folded_line(out, "ORG:" + escape(c.company) + (department.empty() ? "" : ";" + department));
    }
    for (const ContactField& f : c.fields) {
        if (f.value.empty()) {
            continue;
        }
        const std::string value = escape(f.value);
        const char* name = kind_name_ascii(f.kind);
        if (const char* types = phone_types(f.kind)) {
            append_folded_line(out, std::string("TEL;TYPE=") + types + ";X-FIELD=" + name + ":" + value);
            continue;
        }
        switch (f.kind) {
            case FieldKind::Email1:
            case FieldKind::Email2:
            case FieldKind::Email3:
                append_folded_line(out, std::string("EMAIL;TYPE=INTERNET;X-FIELD=") + name + ":" + value);
                break;
            case FieldKind::WebPage:
                append_folded_line(out, "URL:" + value);
                break;
            case FieldKind::NickName:
                append_folded_line(out, "NICKNAME:" + value);
                break;
            case FieldKind::JobTitle:
                append_folded_line(out, "TITLE:" + value);
                break;
            case FieldKind::AssistantName:
                append_folded_line(out, "X-ASSISTANT:" + value);
                break;
            case FieldKind::Birthday: {
                const std::string text = birthday_text(f.value);
                if (!text.empty()) {
                    append_folded_line(out, "BDAY:" + text);
                }
                break;
            }
            case FieldKind::Categories: {
                std::string list;
                for (const WString& piece : split_categories(f.value)) {
                    if (piece.empty()) {
                        continue;
                    }
                    list += (list.empty() ? "" : ",") + escape(piece);
                }
                if (!list.empty()) {
                    append_folded_line(out, "CATEGORIES:" + list);
                }
                break;
            }
            default:
                break;  // names, department and addresses are written whole below or above
        }
    }
    for (const auto& [first, type] : {std::pair{FieldKind::WorkStreet, "WORK"},
                                      std::pair{FieldKind::HomeStreet, "HOME"}}) {
        std::array<std::string, 5> parts;
        bool any = false;
        for (int i = 0; i < 5; ++i) {
            parts[i] = value_of(c, static_cast<FieldKind>(static_cast<int>(first) + i));
            any = any || !parts[i].empty();
        }
        // Kinds run street, city, postal code, state, country; ADR wants street, locality,
        // region, postal code, country.
        if (any) {
            append_folded_line(out, std::string("ADR;TYPE=") + type + ":;;" + parts[0] + ";" +
                                   parts[1] + ";" + parts[3] + ";" + parts[2] + ";" + parts[4]);
        }
    }
    for (const std::string& line : card.extra_properties) {
        append_folded_line(out, line);
    }
    if (!card.photo.empty()) {
        const char* type = picture_type(card.photo);
        append_folded_line(out, std::string("PHOTO;ENCODING=b") + (type ? std::string(";TYPE=") + type : "") +
                               ":" + encode_base64(card.photo));
    }
    append_folded_line(out, "END:VCARD");
}

}  // namespace

std::string write_vcards(const std::vector<VCardContact>& contacts) {
    std::string out;
    for (const VCardContact& card : contacts) {
        write_card(out, card);
    }
    return out;
}

}  // namespace velvane
