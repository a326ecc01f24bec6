#include "tools/pim/book_writer.h"

#include <unistd.h>

#include <cstdio>

namespace pim_tool {

std::function<void(size_t, size_t)> terminal_progress(const char* verb) {
    if (::isatty(STDERR_FILENO) == 0) {
        return {};
    }
    return [verb](size_t done, size_t total) {
        if (done % 100 == 0 || done == total) {
            std::fprintf(stderr, "\r%s %zu of %zu", verb, done, total);
            if (done == total) {
                std::fputc('\n', stderr);
            }
            std::fflush(stderr);
        }
    };
}

}  // namespace pim_tool
