#include "contacts/contact.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace velvane {

namespace {

struct KindInfo {
    const char* name;
    uint32_t property;
    FieldGroup group;
};

using G = FieldGroup;

constexpr std::array<KindInfo, kKindCount> kCatalogue = {{
    {"Mobile", 0x0096001F, G::PhoneGroup},
    {"BusinessTel", 0x0097001F, G::PhoneGroup},
    {"Business2Tel", 0x0098001F, G::PhoneGroup},
    {"HomeTel", 0x0099001F, G::PhoneGroup},
    {"Home2Tel", 0x009A001F, G::PhoneGroup},
    {"CarTel", 0x009E001F, G::PhoneGroup},
    {"RadioTel", 0x009F001F, G::PhoneGroup},
    {"CompanyMainTel", 0x00A0001F, G::PhoneGroup},
    {"AssistantTel", 0x00A1001F, G::PhoneGroup},
    {"Email1", 0x0090001F, G::EmailGroup},
    {"Email2", 0x0091001F, G::EmailGroup},
    {"Email3", 0x0092001F, G::EmailGroup},
    {"WebPage", 0x00A7001F, G::WebGroup},
    {"MiddleName", 0x0083001F, G::OtherGroup},
    {"Suffix", 0x0085001F, G::OtherGroup},
    {"NickName", 0x0086001F, G::OtherGroup},
    {"Department", 0x008B001F, G::OtherGroup},
    {"JobTitle", 0x008C001F, G::OtherGroup},
    {"AssistantName", 0x008F001F, G::OtherGroup},
    {"BusinessFax", 0x009B001F, G::OtherGroup},
    {"HomeFax", 0x009C001F, G::OtherGroup},
    {"PagerNumber", 0x009D001F, G::OtherGroup},
    {"Birthday", 0x00F00040, G::OtherGroup},
    {"Categories", 0x101D001F, G::OtherGroup},
    // Street, city, postal code, state, country: the order the address editor shows them.
    {"WorkAddress", 0x00C1001F, G::WorkAddressGroup},
    {"WorkAddress", 0x00C2001F, G::WorkAddressGroup},
    {"WorkAddress", 0x00C4001F, G::WorkAddressGroup},
    {"WorkAddress", 0x00C3001F, G::WorkAddressGroup},
    {"WorkAddress", 0x00C5001F, G::WorkAddressGroup},
    {"HomeAddress", 0x00D1001F, G::HomeAddressGroup},
    {"HomeAddress", 0x00D2001F, G::HomeAddressGroup},
    {"HomeAddress", 0x00D4001F, G::HomeAddressGroup},
    {"HomeAddress", 0x00D3001F, G::HomeAddressGroup},
    {"HomeAddress", 0x00D5001F, G::HomeAddressGroup},
    {"Unknown", 0, G::OtherGroup},
}};

const KindInfo* info(FieldKind kind) {
    auto index = static_cast<int32_t>(kind);
    if (index < 0 || index >= kKindCount) {
        return nullptr;
    }
    return &kCatalogue[static_cast<size_t>(index)];
}

}  // namespace

FieldGroup group_of(FieldKind kind) {
    const KindInfo* k = info(kind);
    return k ? k->group : FieldGroup::OtherGroup;
}

const char* kind_name_ascii(FieldKind kind) {
    const KindInfo* k = info(kind);
    return k ? k->name : nullptr;
}

WString kind_name(FieldKind kind) {
    const char* name = kind_name_ascii(kind);
    return name ? platform::widen(name) : WString();
}

uint32_t property_of(FieldKind kind) {
    const KindInfo* k = info(kind);
    return k ? k->property : 0;
}

FieldKind kind_of_property(uint32_t id) {
    for (int32_t i = 0; i < kStoredKindCount; ++i) {
        if (kCatalogue[static_cast<size_t>(i)].property == id) {
            return static_cast<FieldKind>(i);
        }
    }
    return FieldKind::Unknown;
}

const std::array<uint32_t, kContactPropertyCount>& contact_property_ids() {
    static const std::array<uint32_t, kContactPropertyCount> ids = [] {
        std::array<uint32_t, kContactPropertyCount> a{};
        a[0] = property::kObjectId;
        a[1] = property::kFirstName;
        a[2] = property::kLastName;
        a[3] = property::kCompany;
        for (int32_t kind = 0; kind < kStoredKindCount; ++kind) {
            a[static_cast<size_t>(kind) + 4] = kCatalogue[static_cast<size_t>(kind)].property;
        }
        return a;
    }();
    return ids;
}

ContactField::ContactField(FieldKind kind, WString value)
    : group(group_of(kind)), kind(kind), value(std::move(value)) {}

const ContactField* Contact::find(FieldKind kind) const {
    auto it = std::find_if(fields.begin(), fields.end(),
                           [kind](const ContactField& f) { return f.kind == kind; });
    return it == fields.end() ? nullptr : &*it;
}

ContactField* Contact::find(FieldKind kind) {
    return const_cast<ContactField*>(std::as_const(*this).find(kind));
}

WString number_key(WStringView number) {
    WString key;
    for (size_t i = number.size(); i > 0 && key.size() < 7; --i) {
        char16_t c = number[i - 1];
        if (c >= u'0' && c <= u'9') {
            key.push_back(c);
        }
    }
    std::reverse(key.begin(), key.end());
    return key;
}

bool file_time_from_date_time(int64_t count, int64_t& out) {
    int64_t shifted = 0;
    int64_t scaled = 0;
    if (__builtin_add_overflow(count, kFileTimeEpochOffsetMs, &shifted) ||
        __builtin_mul_overflow(shifted, int64_t{10000}, &scaled)) {
        return false;
    }
    out = scaled;
    return true;
}

int64_t date_time_from_file_time(int64_t file_time) {
    // Widened so that file times near the bottom of the range cannot overflow; the quotient
    // always fits back.
    return static_cast<int64_t>((static_cast<__int128>(file_time) - kFileTimeEpochOffset) / 10000);
}

WString date_time_text(int64_t count) { return platform::to_wstring(count); }

bool parse_date_time(WStringView text, int64_t& count) {
    size_t i = 0;
    bool negative = false;
    if (!text.empty() && text[0] == u'-') {
        negative = true;
        i = 1;
    }
    if (i == text.size()) {
        return false;
    }
    // Accumulate negatively so that the smallest value still fits.
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c < u'0' || c > u'9') {
            return false;
        }
        if (__builtin_mul_overflow(value, int64_t{10}, &value) ||
            __builtin_sub_overflow(value, int64_t{c - u'0'}, &value)) {
            return false;
        }
    }
    if (!negative) {
        if (value == std::numeric_limits<int64_t>::min()) {
            return false;
        }
        value = -value;
    }
    count = value;
    return true;
}

}  // namespace velvane
