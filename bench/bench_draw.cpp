// Drawing a full 480 x 800 screen: every blender kind against a memcpy of the same bytes,
// and pixman's equivalents as a yardstick for the fill, copy and scaled copy.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "skin/draw.h"

namespace {

using zentra::RenderSurface;

constexpr int kWidth = 480;
constexpr int kHeight = 800;
constexpr size_t kBytes = size_t{kWidth} * kHeight * 2;

// Artwork-like content: a third key colour, the rest split between opaque and translucent
// pixels, in short runs as in real pictures, so a branching kernel would mispredict often.
void fill_artwork(zentra::Bitmap& bitmap, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int y = 0; y < bitmap.height(); ++y) {
        uint16_t* row = bitmap.row(y);
        for (int x = 0; x < bitmap.width();) {
            const int run = 1 + static_cast<int>(rng() % 6);
            const uint32_t kind = rng() % 3;
            for (int i = 0; i < run && x < bitmap.width(); ++i, ++x) {
                const auto p = static_cast<uint16_t>(rng());
                row[x] = kind == 0   ? zentra::kKeyColor
                         : kind == 1 ? static_cast<uint16_t>(p | 0x20)
                                     : static_cast<uint16_t>(p & ~0x20 & 0x7BEF);
            }
        }
    }
}

struct Screens {
    RenderSurface source;
    RenderSurface target;
    Screens() {
        source.recreate(kWidth, kHeight);
        target.recreate(kWidth, kHeight);
        fill_artwork(*source.bitmap(), 1);
        fill_artwork(*target.bitmap(), 2);
    }
};

Screens& screens() {
    static Screens s;
    return s;
}

void finish(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(kBytes));
}

void BM_Memcpy(benchmark::State& state) {
    Screens& s = screens();
    for (auto _ : state) {
        std::memcpy(s.target.bitmap()->row(0), s.source.bitmap()->row(0), kBytes);
        benchmark::ClobberMemory();
    }
    finish(state);
}
BENCHMARK(BM_Memcpy);

void BM_FillPlain(benchmark::State& state) {
    Screens& s = screens();
    for (auto _ : state) {
        zentra::fill(s.target, 0x1234, zentra::plain_blender());
        benchmark::ClobberMemory();
    }
    finish(state);
}
BENCHMARK(BM_FillPlain);

void BM_CopyPlain(benchmark::State& state) {
    Screens& s = screens();
    for (auto _ : state) {
        zentra::copy(s.source, s.target, {0, 0}, zentra::plain_blender());
        benchmark::ClobberMemory();
    }
    finish(state);
}
BENCHMARK(BM_CopyPlain);

void BM_CopyKeyed(benchmark::State& state) {
    Screens& s = screens();
    const auto blender = zentra::make_keyed_blender(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        zentra::copy(s.source, s.target, {0, 0}, *blender);
        benchmark::ClobberMemory();
    }
    finish(state);
}
BENCHMARK(BM_CopyKeyed)->DenseRange(0, 4);

// The scalar reference row, for comparison with the row the blender runs.
void BM_CopyKeyedScalarReference(benchmark::State& state) {
    Screens& s = screens();
    const int level = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            zentra::blend::keyed_row_scalar(level, s.target.bitmap()->row(y), kWidth,
                                            s.source.bitmap()->row(y));
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}
BENCHMARK(BM_CopyKeyedScalarReference)->Arg(2);

// The fast row as built for machines without AVX2.
void BM_CopyKeyedBaseline(benchmark::State& state) {
    Screens& s = screens();
    const int level = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            zentra::blend::keyed_row_baseline(level, s.target.bitmap()->row(y), kWidth,
                                              s.source.bitmap()->row(y));
        }
        benchmark::ClobberMemory();
    }
    finish(state);
}
BENCHMARK(BM_CopyKeyedBaseline)->DenseRange(0, 4);

void BM_Darken(benchmark::State& state) {
    Screens& s = screens();
    const auto blender = zentra::make_darken_blender(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        zentra::fill(s.target, *blender);
        benchmark::ClobberMemory();
    }
    finish(state);
}
BENCHMARK(BM_Darken)->Arg(8)->Arg(11);

// A full-screen panel from a 24 x 24 picture: 8-pixel corners and edges around an 8-pixel
// middle repeated across the screen.
zentra::ImageRef panel(int shift) {
    auto picture = std::make_shared<zentra::Bitmap>(24, 24);
    fill_artwork(*picture, 3);
    zentra::ImageRef image;
    image.picture = picture;
    image.scale_shift = shift;
    const int u = 8 << shift;
    image.pairs = {zentra::Point{0, 0}, zentra::Point{u, u}, zentra::Point{2 * u, 2 * u},
                   zentra::Point{3 * u, 3 * u}};
    return image;
}

void BM_NinePatch(benchmark::State& state) {
    Screens& s = screens();
    const zentra::ImageRef image = panel(static_cast<int>(state.range(1)));
    const auto keyed = zentra::make_keyed_blender(0);
    const zentra::Blender& blender = state.range(0) == 0 ? zentra::plain_blender() : *keyed;
    for (auto _ : state) {
        zentra::draw_image(image, s.target, {0, 0}, {kWidth, kHeight}, blender);
        benchmark::ClobberMemory();
    }
    finish(state);
}
// (plain 0 / keyed 1, scale shift)
BENCHMARK(BM_NinePatch)->Args({0, 0})->Args({0, 1})->Args({1, 0});

void BM_ScaledCopy2x(benchmark::State& state) {
    Screens& s = screens();
    RenderSurface half;
    half.recreate(kWidth / 2, kHeight / 2);
    fill_artwork(*half.bitmap(), 4);
    for (auto _ : state) {
        zentra::scaled_copy(half, s.target, {0, 0}, {kWidth, kHeight}, zentra::plain_blender());
        benchmark::ClobberMemory();
    }
    finish(state);
}
BENCHMARK(BM_ScaledCopy2x);

// pixman, on the same memory.

pixman_image_t* wrap(RenderSurface& surface) {
    zentra::Bitmap& b = *surface.bitmap();
    return pixman_image_create_bits(PIXMAN_r5g6b5, b.width(), b.height(),
                                    reinterpret_cast<uint32_t*>(b.row(0)), b.stride());
}

void BM_PixmanFill(benchmark::State& state) {
    Screens& s = screens();
    zentra::Bitmap& b = *s.target.bitmap();
    for (auto _ : state) {
        pixman_fill(reinterpret_cast<uint32_t*>(b.row(0)), b.stride() / 4, 16, 0, 0, kWidth,
                    kHeight, 0x1234);
        benchmark::ClobberMemory();
    }
    finish(state);
}
BENCHMARK(BM_PixmanFill);

void BM_PixmanCopySrc(benchmark::State& state) {
    Screens& s = screens();
    pixman_image_t* src = wrap(s.source);
    pixman_image_t* dst = wrap(s.target);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kWidth,
                                 kHeight);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    finish(state);
}
BENCHMARK(BM_PixmanCopySrc);

void BM_PixmanScaledNearest2x(benchmark::State& state) {
    Screens& s = screens();
    RenderSurface half;
    half.recreate(kWidth / 2, kHeight / 2);
    fill_artwork(*half.bitmap(), 4);
    pixman_image_t* src = wrap(half);
    pixman_image_t* dst = wrap(s.target);
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(0.5),
                                pixman_double_to_fixed(0.5));
    pixman_image_set_transform(src, &transform);
    pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kWidth,
                                 kHeight);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    finish(state);
}
BENCHMARK(BM_PixmanScaledNearest2x);

}  // namespace
