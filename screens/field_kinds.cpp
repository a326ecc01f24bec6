#include "screens/field_kinds.h"

#include <array>

namespace velvane {

namespace {

// By kind value; the address parts share the address's key.
constexpr std::array<const char16_t*, kKindCount> kKeys = {
    u"Mobile",      u"BusinessTel", u"Business2Tel",   u"HomeTel",       u"Home2Tel",
    u"CarTel",      u"RadioTel",    u"CompanyMainTel", u"AssistantTel",  u"Email1",
    u"Email2",      u"Email3",      u"WebPage",        u"MiddleName",    u"Suffix",
    u"NickName",    u"Department",  u"JobTitle",       u"AssistantName", u"BusinessFax",
    u"HomeFax",     u"PagerNumber", u"Birthday",       u"Categories",    u"WorkAddress",
    u"WorkAddress", u"WorkAddress", u"WorkAddress",    u"WorkAddress",   u"HomeAddress",
    u"HomeAddress", u"HomeAddress", u"HomeAddress",    u"HomeAddress",   u"Unknown",
};

}  // namespace

int32_t field_group(FieldKind kind) {
    return static_cast<int32_t>(group_of(kind));
}

int field_icon_state(FieldKind kind) {
    const int32_t k = static_cast<int32_t>(kind);
    if (k == 0) {
        return 0;
    }
    if (k >= 1 && k <= 8) {
        return 1;
    }
    if (k >= 9 && k <= 11) {
        return 2;
    }
    if (k == 12) {
        return 3;
    }
    if (k >= 24 && k <= 33) {
        return 4;
    }
    if (k == 23) {
        return 5;
    }
    if (k == 22) {
        return 6;
    }
    return 7;
}

WStringView field_kind_key(FieldKind kind) {
    const int32_t k = static_cast<int32_t>(kind);
    return k >= 0 && k < kKindCount ? WStringView(kKeys[static_cast<size_t>(k)])
                                    : WStringView(u"Unknown");
}

}  // namespace velvane
