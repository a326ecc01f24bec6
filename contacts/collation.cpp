#include "contacts/collation.h"

#include <algorithm>

namespace velvane {

int collate(platform::WStringView a, platform::WStringView b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = a[i];
        const char16_t y = b[i];
        if (x == y) {
            continue;
        }
        if (x < kCollationSize && y < kCollationSize) {
            const int d = kCollationTable[x] - kCollationTable[y];
            if (d != 0) {
                return d;
            }
        } else {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace velvane
