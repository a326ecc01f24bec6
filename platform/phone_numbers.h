#pragma once
// Phone numbers the way people type them: without the blanks, dashes and brackets they are
// stored with, and in the national form dialled inside their own country. Country codes and
// trunk prefixes come from the phone-number metadata of libphonenumber, which stays inside
// this file pair.

#include <optional>

#include "platform/ustring.h"

namespace platform {

// Blanks, dashes, dots, slashes and brackets: what is written between a number's digits to
// group them.
bool is_number_separator(char16_t c);
// The number with every separator left out ("+49 (196) 896-4952" -> "+491968964952").
WString compact_number(WStringView number);
// A number as dialled inside its own country: the trunk prefix, then the national number.
struct NationalNumber {
    WString trunk;   // "0", "06", "8"; empty where the country dials none
    WString number;  // the national number, digits only
};
// The national form of a number written with a "+" and a country code ("+49 196 8964952" ->
// "0" and "1968964952", "+39 06 1234 5678" -> "" and "0612345678"); none for a number without
// a country code, or with one that is no country's.
std::optional<NationalNumber> national_number(WStringView number);

}  // namespace platform
