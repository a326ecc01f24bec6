#pragma once
// The contact record every screen, the store and the Document share, and the field catalogue:
// each kind's name, the database property that holds it and its group.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/ustring.h"
#include "skin/image_ref.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

enum class FieldGroup : int32_t {
    PhoneGroup = 0,
    EmailGroup = 1,
    WebGroup = 2,
    WorkAddressGroup = 3,
    HomeAddressGroup = 4,
    OtherGroup = 5,
};

// Kind values are stored (favourites file, database), so they never change.
enum class FieldKind : int32_t {
    Mobile = 0,
    BusinessTel = 1,
    Business2Tel = 2,
    HomeTel = 3,
    Home2Tel = 4,
    CarTel = 5,
    RadioTel = 6,
    CompanyMainTel = 7,
    AssistantTel = 8,
    Email1 = 9,
    Email2 = 10,
    Email3 = 11,
    WebPage = 12,
    MiddleName = 13,
    Suffix = 14,
    NickName = 15,
    Department = 16,
    JobTitle = 17,
    AssistantName = 18,
    BusinessFax = 19,
    HomeFax = 20,
    PagerNumber = 21,
    Birthday = 22,
    Categories = 23,
    WorkStreet = 24,
    WorkCity = 25,
    WorkPostalCode = 26,
    WorkState = 27,
    WorkCountry = 28,
    HomeStreet = 29,
    HomeCity = 30,
    HomePostalCode = 31,
    HomeState = 32,
    HomeCountry = 33,
    Unknown = 34,
};

// Kinds 0..33 have a property; Unknown (34) is the last kind with a name.
inline constexpr int32_t kStoredKindCount = 34;
inline constexpr int32_t kKindCount = 35;

// Property ids of the contact database. The low 16 bits are the value type: 0x001F text,
// 0x0040 a file time, 0x0066 an object id.
namespace property {
inline constexpr uint32_t kObjectId = 0x10000066;
inline constexpr uint32_t kFirstName = 0x0082001F;
inline constexpr uint32_t kLastName = 0x0084001F;
inline constexpr uint32_t kCompany = 0x008A001F;
inline constexpr uint32_t kPicture = 0x00FF0064;
inline constexpr uint32_t kFolderNotifications = 0x10010013;
inline constexpr uint32_t kFolderCategories = 0x101A001F;
inline constexpr uint32_t kTypeMask = 0xFFFF;
inline constexpr uint32_t kTypeText = 0x001F;
inline constexpr uint32_t kTypeFileTime = 0x0040;
}  // namespace property

// The group a kind belongs to; anything outside 0..33 is OtherGroup.
FieldGroup group_of(FieldKind kind);
// The kind's name ("Mobile", "WorkAddress", ...); empty for a kind outside 0..34. The five
// parts of one address share one name, so kinds must be compared, never names.
WString kind_name(FieldKind kind);
// The ASCII form of kind_name; nullptr outside 0..34.
const char* kind_name_ascii(FieldKind kind);
// The property that stores a kind; 0 for Unknown and any kind outside 0..33.
uint32_t property_of(FieldKind kind);
// The kind stored in property id; Unknown when no kind uses it.
FieldKind kind_of_property(uint32_t id);

inline bool is_phone(FieldKind kind) { return group_of(kind) == FieldGroup::PhoneGroup; }

// The 38 properties read for every contact: object id, first name, last name, company, then
// the properties of kinds 0..33 in kind order (entry j >= 4 belongs to kind j - 4).
inline constexpr int kContactPropertyCount = 38;
const std::array<uint32_t, kContactPropertyCount>& contact_property_ids();

// One typed value of a contact. The group always follows the kind when made from a kind.
struct ContactField {
    FieldGroup group = FieldGroup::OtherGroup;
    FieldKind kind = FieldKind::Unknown;
    // For Birthday the decimal text of a date-time count (date_time_text).
    WString value;

    ContactField() = default;
    ContactField(FieldKind kind, WString value);

    bool operator==(const ContactField& other) const = default;
};

// One contact, copied whole when a screen takes a working copy.
struct Contact {
    // The database's id; 0 until the contact is stored.
    uint32_t object_id = 0;
    WString first_name;
    WString last_name;
    WString company;
    // Empty as read; filled only when a screen asks the store for the picture.
    zentra::ImageRef picture;
    // Non-empty stored properties in kind order as read; editors may append and reorder.
    std::vector<ContactField> fields;

    // The first field of a kind, or null.
    const ContactField* find(FieldKind kind) const;
    ContactField* find(FieldKind kind);
};

// The last seven digits '0'..'9' of a number, in the order they stand; every other character
// is dropped. Two numbers belong to the same contact when their keys are equal.
WString number_key(WStringView number);

// Birthday values: a date-time count is signed milliseconds since 1970-01-01 00:00; a file
// time is 100-ns units since 1601-01-01 00:00.
inline constexpr int64_t kFileTimeEpochOffsetMs = 11644473600000LL;
inline constexpr int64_t kFileTimeEpochOffset = 116444736000000000LL;

// False, leaving out alone, when the file time would not fit in 64 bits.
bool file_time_from_date_time(int64_t count, int64_t& out);
// Integer division, as the date editor expects.
int64_t date_time_from_file_time(int64_t file_time);
// Decimal text of a count.
WString date_time_text(int64_t count);
// Reads decimal text (an optional '-' and digits, nothing else); false for empty, malformed
// or out-of-range text.
bool parse_date_time(WStringView text, int64_t& count);

}  // namespace velvane
