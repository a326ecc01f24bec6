#pragma once
// Index generators shared by the blenders' row operations: they gather the source pixels a
// stepped, shifted or tiled row reads, in order, so a blender can run its plain row over
// them. Internal to the blenders.

#include <cstdint>
#include <cstring>

namespace zentra::blend {

// Pixels gathered per pass when a blender stages them on the stack.
inline constexpr int kChunk = 512;

// out[i] = src[pos >> 10], pos += step; returns the position after the last pixel.
inline int gather_stepped(uint16_t* out, int count, const uint16_t* src, int pos, int step) {
    for (int i = 0; i < count; ++i) {
        out[i] = src[pos >> 10];
        pos += step;
    }
    return pos;
}

// out[i] = src[(start + i) >> shift].
inline void gather_shifted(uint16_t* out, const uint16_t* src, int start, int count, int shift) {
    if (shift == 0 && count >= 16) {
        std::memcpy(out, src + start, static_cast<size_t>(count) * sizeof(uint16_t));
        return;
    }
    if (shift == 1 && count >= 16) {
        // Doubling, the common magnification: each source pixel becomes one 32-bit pair.
        if ((start & 1) != 0) {
            *out++ = src[start >> 1];
            ++start;
            --count;
        }
        const uint16_t* from = src + (start >> 1);
        const int pairs = count >> 1;
        for (int i = 0; i < pairs; ++i) {
            const uint32_t p = from[i];
            const uint32_t twice = p | (p << 16);
            std::memcpy(out + 2 * i, &twice, sizeof twice);
        }
        if ((count & 1) != 0) {
            out[count - 1] = from[pairs];
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        out[i] = src[(start + i) >> shift];
    }
}

// A step of 1024 >> k reads what a shift of k from pos >> (10 - k) reads: with
// pos = 2^(10-k) a + b and b < 2^(10-k), (pos + i 2^(10-k)) >> 10 = (a + i) >> k.
// Returns k, or -1 for any other step.
inline int shift_for_step(int step) {
    switch (step) {
        case 1024:
            return 0;
        case 512:
            return 1;
        case 256:
            return 2;
        default:
            return -1;
    }
}

// The tiled row, gathered run by run (a run ends where the position wraps). Returns the
// position after the last pixel.
inline int gather_tiled(uint16_t* out, const uint16_t* src, int pos, int count, int shift,
                        int wrap_to, int wrap_at) {
    const int period = wrap_at - wrap_to;
    while (count > 0) {
        if (pos == wrap_to && period > 0 && count > 2 * period) {
            // From a wrap on, the output repeats every period pixels: gather one period and
            // double it, so a one-pixel middle stretched across the screen costs a few
            // memcpy calls instead of one per pixel.
            gather_shifted(out, src, wrap_to, period, shift);
            int filled = period;
            while (filled < count) {
                const int n = filled < count - filled ? filled : count - filled;
                std::memcpy(out + filled, out, static_cast<size_t>(n) * sizeof(uint16_t));
                filled += n;
            }
            return wrap_to + count % period;
        }
        int run = count;
        if (pos < wrap_at) {
            run = wrap_at - pos < count ? wrap_at - pos : count;
        }
        gather_shifted(out, src, pos, run, shift);
        out += run;
        count -= run;
        pos += run;
        if (pos == wrap_at) {
            pos = wrap_to;
        }
    }
    return pos;
}

}  // namespace zentra::blend
