#pragma once
// The platform's lower-casing: a simple one-to-one mapping of the Basic Multilingual Plane,
// the same whatever locale the process runs in (no Turkish dotless i, no expansions).

#include <cstddef>

#include "platform/ustring.h"

namespace platform {

// Generated table (case_map_table.cpp).
extern const char16_t kLowerCasePairs[][2];
extern const size_t kLowerCasePairCount;

char16_t to_lower(char16_t c);
char16_t to_upper(char16_t c);
// Lower-cases text in place, code unit by code unit; surrogates are left alone.
void lower_in_place(WString& text);
WString to_lower(WStringView text);

}  // namespace platform
