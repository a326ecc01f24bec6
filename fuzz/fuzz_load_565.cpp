// Pictures come from skin folders that anyone can fill; the reader must refuse what does not
// fit and never read past the bytes it was given.
#include <cstddef>
#include <cstdint>

#include "skin/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto bitmap = zentra::load_565_from_memory(data, size, u"fuzz");
    // Touch every pixel so a row that was not filled from the input shows.
    unsigned sum = 0;
    for (int y = 0; y < bitmap->height(); ++y) {
        for (int x = 0; x < bitmap->width(); ++x)
            sum += bitmap->row(y)[x];
    }
    return sum == 0x7FFFFFFF ? 1 : 0;
}
