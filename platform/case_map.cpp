#include "platform/case_map.h"

#include <memory>

namespace platform {

namespace {

// Full tables built once from the generated pairs: a lookup per character costs one load,
// which matters when a whole phone book is folded at load time.
struct CaseTables {
    std::unique_ptr<char16_t[]> lower{new char16_t[0x10000]};
    std::unique_ptr<char16_t[]> upper{new char16_t[0x10000]};

    CaseTables() {
        for (unsigned c = 0; c < 0x10000; ++c) {
            lower[c] = static_cast<char16_t>(c);
            upper[c] = static_cast<char16_t>(c);
        }
        for (size_t i = 0; i < kLowerCasePairCount; ++i) {
            lower[kLowerCasePairs[i][0]] = kLowerCasePairs[i][1];
        }
        // Upper case is the inverse of the lower mapping; where several characters lower to
        // the same one (K and the Kelvin sign), the first in code order wins.
        for (size_t i = kLowerCasePairCount; i > 0; --i) {
            upper[kLowerCasePairs[i - 1][1]] = kLowerCasePairs[i - 1][0];
        }
    }
};

const CaseTables& tables() {
    static const CaseTables t;
    return t;
}

}  // namespace

char16_t to_lower(char16_t c) { return tables().lower[c]; }

char16_t to_upper(char16_t c) { return tables().upper[c]; }

void lower_in_place(WString& text) {
    const char16_t* lower = tables().lower.get();
    for (char16_t& c : text) {
        c = lower[c];
    }
}

WString to_lower(WStringView text) {
    WString out(text);
    lower_in_place(out);
    return out;
}

}  // namespace platform
