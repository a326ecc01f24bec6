#pragma once
// Eight-pixel vectors (GCC vector extensions) for the fast row variants; plain SSE2 on
// x86-64, NEON on ARM, and still correct elsewhere. Internal to the blenders.

#include <cstdint>
#include <cstring>

namespace zentra::blend {

typedef uint16_t Pixels8 __attribute__((vector_size(16)));
typedef int16_t Lanes8 __attribute__((vector_size(16)));

inline constexpr int kLanes = 8;

inline Pixels8 load8(const uint16_t* p) {
    Pixels8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store8(uint16_t* p, Pixels8 v) { std::memcpy(p, &v, sizeof v); }
inline Pixels8 splat8(uint16_t x) { return Pixels8{x, x, x, x, x, x, x, x}; }
// Lane-wise choice: where mask is all ones take a, else b.
inline Pixels8 select8(Lanes8 mask, Pixels8 a, Pixels8 b) {
    const Pixels8 m = reinterpret_cast<Pixels8>(mask);
    return (a & m) | (b & ~m);
}

}  // namespace zentra::blend
