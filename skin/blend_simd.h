#pragma once
// Pixel vectors (GCC vector extensions) for the fast row variants: eight pixels for the
// baseline build (SSE2, NEON), sixteen for the AVX2 build. Internal to the blenders.

#include <cstdint>
#include <cstring>

namespace zentra::blend {

typedef uint16_t Pixels8 __attribute__((vector_size(16)));
typedef int16_t Lanes8 __attribute__((vector_size(16)));
typedef uint16_t Pixels16 __attribute__((vector_size(32)));
typedef int16_t Lanes16 __attribute__((vector_size(32)));

inline constexpr int kLanes = 8;

// Loads and stores through references: a 32-byte vector passed or returned by value would
// change the calling convention between the baseline and the AVX2 builds.
template <typename V>
inline void load(V& v, const uint16_t* p) {
    std::memcpy(&v, p, sizeof v);
}
template <typename V>
inline void store(uint16_t* p, const V& v) {
    std::memcpy(p, &v, sizeof v);
}

inline Pixels8 load8(const uint16_t* p) {
    Pixels8 v;
    load(v, p);
    return v;
}
inline void store8(uint16_t* p, Pixels8 v) {
    store(p, v);
}
inline Pixels8 splat8(uint16_t x) {
    return Pixels8{} + x;
}
// Lane-wise choice: where mask is all ones take a, else b.
inline Pixels8 select8(Lanes8 mask, Pixels8 a, Pixels8 b) {
    const Pixels8 m = reinterpret_cast<Pixels8>(mask);
    return (a & m) | (b & ~m);
}

// The row kernels are built twice on x86-64, for the baseline and for AVX2, and the first
// call picks one for the machine; builds stay free of -march flags, and tests can run both.
#if defined(__x86_64__) && defined(__GNUC__)
#define VELVANE_AVX2_ROWS 1
#define VELVANE_TARGET_AVX2 __attribute__((target("avx2")))
inline bool cpu_has_avx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#else
#define VELVANE_AVX2_ROWS 0
inline bool cpu_has_avx2() {
    return false;
}
#endif

}  // namespace zentra::blend
