#pragma once
// The order names sort in: digits first, then punctuation and symbols, then letters with each
// capital right before its small letter and accented forms after the plain one, then the
// other scripts. Characters from U+1000 up compare by code point.

#include <cstdint>

#include "platform/ustring.h"

namespace velvane {

inline constexpr int kCollationSize = 4096;
// Rank of every character below U+1000; generated, see tools/collation.
extern const int16_t kCollationTable[kCollationSize];

// The plain small letter of each letter below U+1000, from the same order: the letter it
// differs from only by accents, strokes or case ("\u00d8" -> "o"); everything else maps to
// itself. Generated, see tools/collation.
extern const char16_t kBaseLetterTable[kCollationSize];

inline char16_t base_letter(char16_t c) { return c < kCollationSize ? kBaseLetterTable[c] : c; }

// Negative, zero or positive as a sorts before, with or after b. A proper prefix is smaller.
int collate(platform::WStringView a, platform::WStringView b);

}  // namespace velvane
