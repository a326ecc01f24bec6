// VELVANE_ASSERT: invariants of intricate state, checked in every build that has
// VELVANE_ASSERTS set (the default, and always with the tests) and compiled out otherwise.
#pragma once

#include "core/log.h"

#if defined(VELVANE_ASSERTS)
// A broken invariant is misuse that must never happen: it ends the process through fatal,
// naming the condition and the place.
#define VELVANE_ASSERT(condition)                                                        \
    do {                                                                                 \
        if (!(condition)) [[unlikely]] {                                                 \
            ::velvane::invariant_failed(__FILE__, __LINE__, #condition);                 \
        }                                                                                \
    } while (false)
#else
#define VELVANE_ASSERT(condition) \
    do {                          \
        (void)sizeof(condition);  \
    } while (false)
#endif

namespace velvane {

[[noreturn]] void invariant_failed(const char* file, int line, const char* condition);

}  // namespace velvane
