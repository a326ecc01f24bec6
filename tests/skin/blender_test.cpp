// Blender kinds: the per-pixel rules at known values, the fast rows against the scalar
// reference over seeded random rows, and the four row operations of every kind against their
// definitions. Set VELVANE_SEED to rerun a failing seed.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "skin/bitmap.h"
#include "skin/blender.h"
#include "tests/skin/blender_test_support.h"

namespace {

using blender_test::random_pixel;
using blender_test::test_seed;
using zentra::Blender;
using zentra::kKeyColor;

std::vector<uint16_t> random_row(std::mt19937& rng, size_t n) {
    std::vector<uint16_t> row(n);
    for (auto& p : row) {
        p = random_pixel(rng);
    }
    return row;
}

TEST(KeyedPixel, KeyColourLeavesTheDestinationAtEveryLevel) {
    for (int level = 0; level <= 4; ++level) {
        EXPECT_EQ(zentra::keyed_pixel(level, kKeyColor, 0x1234), 0x1234) << level;
    }
}

TEST(KeyedPixel, OpaquePixelsReplaceAndTranslucentOnesAddTheirShare) {
    const uint16_t opaque = 0x07E0;  // green: its lowest bit is set
    for (int level = 0; level <= 4; ++level) {
        EXPECT_EQ(zentra::keyed_pixel(level, opaque, 0xFFFF), opaque) << level;
    }
    // A translucent black over white shows which share of the destination each level keeps.
    EXPECT_EQ(zentra::keyed_pixel(0, 0x0000, 0xFFFF), 0x0000);
    EXPECT_EQ(zentra::keyed_pixel(1, 0x0000, 0xFFFF), 0x39E7);
    EXPECT_EQ(zentra::keyed_pixel(2, 0x0000, 0xFFFF), 0x7BEF);
    EXPECT_EQ(zentra::keyed_pixel(3, 0x0000, 0xFFFF), 0xB5D6);
    EXPECT_EQ(zentra::keyed_pixel(4, 0x0000, 0xFFFF), 0xFFFF);
    // Per channel: d = (2, 4, 2) gives d/4 = (0, 1, 0) and d/2 = (1, 2, 1) on top of s.
    EXPECT_EQ(zentra::keyed_pixel(3, 0x0801, 0x1082), 0x1062);
    // Green's low bit decides, not the colour: 0x0821 is opaque.
    EXPECT_EQ(zentra::keyed_pixel(3, 0x0821, 0x1082), 0x0821);
}

TEST(KeyedLevel, AlphaSelectsQuartersAndCacheAlphaMinusOneIsPlain) {
    EXPECT_EQ(zentra::keyed_level_for_alpha(0), 0);
    EXPECT_EQ(zentra::keyed_level_for_alpha(63), 0);
    EXPECT_EQ(zentra::keyed_level_for_alpha(64), 1);
    EXPECT_EQ(zentra::keyed_level_for_alpha(127), 1);
    EXPECT_EQ(zentra::keyed_level_for_alpha(128), 2);
    EXPECT_EQ(zentra::keyed_level_for_alpha(191), 2);
    EXPECT_EQ(zentra::keyed_level_for_alpha(192), 3);
    EXPECT_EQ(zentra::keyed_level_for_alpha(255), 3);
    EXPECT_EQ(zentra::keyed_level_for_alpha(256), 4);
    EXPECT_EQ(zentra::keyed_level_for_alpha(100000), 4);
    EXPECT_EQ(zentra::keyed_level_for_alpha(-200), 0);

    EXPECT_NE(dynamic_cast<zentra::PlainBlender*>(zentra::make_cache_blender(-1).get()), nullptr);
    auto blender = zentra::make_cache_blender(128);
    auto* keyed = dynamic_cast<zentra::KeyedBlender*>(blender.get());
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(keyed->level(), 2);
    uint16_t d = 0xFFFF;
    const uint16_t s = 0x0000;
    blender->copy_row(&d, &d + 1, &s);
    EXPECT_EQ(d, 0x7BEF);
}

TEST(DarkenPixel, SixteenthsFromShiftsAndMasks) {
    EXPECT_EQ(zentra::darken_pixel(0, 0xFFFF), 0x0000);
    EXPECT_EQ(zentra::darken_pixel(1, 0xFFFF), 0x0861);
    EXPECT_EQ(zentra::darken_pixel(2, 0xFFFF), 0x18E3);
    EXPECT_EQ(zentra::darken_pixel(8, 0xFFFF), 0x7BEF);
    EXPECT_EQ(zentra::darken_pixel(15, 0xFFFF), 0x7BEF + 0x39E7 + 0x18E3 + 0x0861);
    EXPECT_EQ(zentra::darken_pixel(16, 0xABCD), 0xABCD);
    // No channel ever borrows from its neighbour: each stays at or below the original.
    for (int level = 0; level <= 16; ++level) {
        for (uint32_t d = 0; d <= 0xFFFF; d += 97) {
            const uint16_t out = zentra::darken_pixel(level, static_cast<uint16_t>(d));
            EXPECT_LE(out >> 11, d >> 11);
            EXPECT_LE((out >> 5) & 63, (d >> 5) & 63);
            EXPECT_LE(out & 31, d & 31);
        }
    }
    EXPECT_EQ(zentra::darken_level_for_alpha(0), 0);
    EXPECT_EQ(zentra::darken_level_for_alpha(7), 0);
    EXPECT_EQ(zentra::darken_level_for_alpha(8), 1);
    EXPECT_EQ(zentra::darken_level_for_alpha(128), 8);
    EXPECT_EQ(zentra::darken_level_for_alpha(255), 16);
    EXPECT_EQ(zentra::darken_level_for_alpha(-50), 0);
}

TEST(TintPixel, FactorsScaleEachChannelAndOrModeKeepsTheDestination) {
    EXPECT_EQ(zentra::tint_pixel(256, 256, 256, 0xFFFF), 0xFFFF);
    EXPECT_EQ(zentra::tint_pixel(0, 0, 0, 0xFFFF), 0x0000);
    EXPECT_EQ(zentra::tint_pixel(128, 256, 0, 0xFFFF), (15 << 11) | (63 << 5));
    zentra::TintBlender blender(0, 0, 256, zentra::TintMode::Or);
    uint16_t d = 0xF800;
    const uint16_t s = 0xFFFF;
    blender.copy_row(&d, &d + 1, &s);
    EXPECT_EQ(d, 0xF81F);
}

TEST(MaskPixel, BlueChannelOfTheMaskWeighsSourceAgainstDestination) {
    EXPECT_EQ(zentra::mask_pixel(0, 0xF800, 0x001F), 0x001F);
    EXPECT_EQ(zentra::mask_pixel(31, 0xF800, 0x001F), 0xF800);
    // Half of red over blue: both channels at 124 of 248, and marked opaque.
    EXPECT_EQ(zentra::mask_pixel(16, 0xF800, 0x001F), (15 << 11) | 15 | 0x0020);
    // Only the mask's blue bits count.
    EXPECT_EQ(zentra::mask_pixel(0xFFE0 & 31u, 0xF800, 0x001F), 0x001F);
}

// The fast rows (the one the machine runs and the baseline build) against the scalar
// reference, over rows whose lengths cross the vector widths.
TEST(FastRows, BitIdenticalToTheScalarReference) {
    std::mt19937 rng(test_seed());
    for (int round = 0; round < 300; ++round) {
        const size_t n = rng() % 70;
        const auto src = random_row(rng, n);
        const auto dst = random_row(rng, n);
        for (int level = 0; level <= 4; ++level) {
            auto a = dst, b = dst;
            zentra::blend::keyed_row_scalar(level, a.data(), static_cast<int>(n), src.data());
            zentra::blend::keyed_row_fast(level, b.data(), static_cast<int>(n), src.data());
            ASSERT_EQ(a, b) << "keyed level " << level << " n " << n << " seed " << test_seed();
            b = dst;
            zentra::blend::keyed_row_baseline(level, b.data(), static_cast<int>(n), src.data());
            ASSERT_EQ(a, b) << "keyed baseline " << level << " n " << n << " seed " << test_seed();
        }
        for (int level = 0; level <= 16; ++level) {
            auto a = dst, b = dst;
            zentra::blend::darken_row_scalar(level, a.data(), static_cast<int>(n));
            zentra::blend::darken_row_fast(level, b.data(), static_cast<int>(n));
            ASSERT_EQ(a, b) << "darken level " << level << " n " << n << " seed " << test_seed();
            b = dst;
            zentra::blend::darken_row_baseline(level, b.data(), static_cast<int>(n));
            ASSERT_EQ(a, b) << "darken baseline " << level << " n " << n << " seed " << test_seed();
        }
        const int r = static_cast<int>(rng() % 257), g = static_cast<int>(rng() % 257),
                  bl = static_cast<int>(rng() % 257);
        for (auto mode : {zentra::TintMode::Store, zentra::TintMode::Or}) {
            auto a = dst, b = dst;
            zentra::blend::tint_row_scalar(r, g, bl, mode, a.data(), static_cast<int>(n),
                                           src.data());
            zentra::blend::tint_row_fast(r, g, bl, mode, b.data(), static_cast<int>(n), src.data());
            ASSERT_EQ(a, b) << "tint " << r << " " << g << " " << bl << " seed " << test_seed();
        }
    }
}

// One blender kind with its per-pixel rule; index is the source index, for the mask.
struct Kind {
    std::string name;
    std::unique_ptr<Blender> blender;
    std::function<uint16_t(uint16_t s, uint16_t d, int index)> rule;
};

class RowOperations : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 rng(test_seed() + 1);
        m_source = std::make_shared<zentra::Bitmap>(kSourceWidth, 1);
        m_mask = std::make_shared<zentra::Bitmap>(kSourceWidth, 1);
        for (int i = 0; i < kSourceWidth; ++i) {
            m_source->row(0)[i] = random_pixel(rng);
            m_mask->row(0)[i] = static_cast<uint16_t>(rng());
        }
        auto add = [&](std::string name, std::unique_ptr<Blender> blender, auto rule) {
            m_kinds.push_back({std::move(name), std::move(blender), rule});
        };
        add("plain", zentra::make_plain_blender(), [](uint16_t s, uint16_t, int) { return s; });
        for (int level = 0; level <= 4; ++level) {
            add("keyed " + std::to_string(level), zentra::make_keyed_blender(level),
                [level](uint16_t s, uint16_t d, int) { return zentra::keyed_pixel(level, s, d); });
        }
        for (int level : {0, 5, 11, 16}) {
            add("darken " + std::to_string(level), zentra::make_darken_blender(level),
                [level](uint16_t, uint16_t d, int) { return zentra::darken_pixel(level, d); });
        }
        add("tint", std::make_unique<zentra::TintBlender>(200, 31, 256),
            [](uint16_t s, uint16_t, int) { return zentra::tint_pixel(200, 31, 256, s); });
        add("mask", std::make_unique<zentra::MaskBlender>(m_mask, m_source),
            [this](uint16_t s, uint16_t d, int i) {
                return zentra::mask_pixel(m_mask->row(0)[i] & 31u, s, d);
            });
    }

    // Runs op on a random destination row and compares with rule applied at the source
    // indices index(i).
    template <typename Op, typename Index>
    void check(const Kind& kind, int count, Op op, Index index, const std::string& what) {
        std::mt19937 rng(test_seed() + static_cast<uint32_t>(count));
        const auto before = random_row(rng, static_cast<size_t>(count));
        auto got = before;
        op(*kind.blender, got.data());
        const uint16_t* src = m_source->row(0);
        for (int i = 0; i < count; ++i) {
            const int k = index(i);
            ASSERT_EQ(got[i], kind.rule(src[k], before[i], k))
                << kind.name << " " << what << " pixel " << i << " seed " << test_seed();
        }
    }

    static constexpr int kSourceWidth = 64;
    std::shared_ptr<zentra::Bitmap> m_source;
    std::shared_ptr<zentra::Bitmap> m_mask;
    std::vector<Kind> m_kinds;
};

TEST_F(RowOperations, EveryKindFollowsTheIndexRuleOfEachOperation) {
    const uint16_t* src = m_source->row(0);
    for (const Kind& kind : m_kinds) {
        for (int count : {0, 1, 7, 45, 1300}) {
            // Rows longer than the staging buffer pass through it more than once.
            const int step = count > 0 ? (kSourceWidth * 1024 - 1) / count : 0;
            check(
                kind, count,
                [&](const Blender& b, uint16_t* d) {
                    b.copy_row_stepped(d, d + count, src, 300, step);
                },
                [&](int i) { return (300 + i * step) >> 10; }, "stepped");
        }
        // Whole-pixel magnifications take the shifted path; the fraction of pos must not
        // change which pixels are read.
        for (int step : {1024, 512, 256}) {
            for (int pos : {0, 511, 1024 + 255, 3 * 1024 + 700}) {
                const int count = ((kSourceWidth - 4) * 1024) / step;
                check(
                    kind, count,
                    [&](const Blender& b, uint16_t* d) {
                        b.copy_row_stepped(d, d + count, src, pos, step);
                    },
                    [&](int i) { return (pos + i * step) >> 10; },
                    "stepped " + std::to_string(step) + " from " + std::to_string(pos));
            }
        }
        for (int shift = 0; shift <= 2; ++shift) {
            const int count = (kSourceWidth << shift) - 5;
            check(
                kind, count,
                [&](const Blender& b, uint16_t* d) { b.copy_row_shifted(d, src, 5, count, shift); },
                [&](int i) { return (5 + i) >> shift; }, "shifted " + std::to_string(shift));
        }
        // Tiled: long and short periods, a phase inside the period and a start before it
        // (a head position), so the first wrap comes late.
        struct Tile {
            int start, count, shift, wrap_to, wrap_at;
        };
        for (const Tile t :
             {Tile{10, 1000, 0, 10, 11}, Tile{12, 777, 0, 10, 40}, Tile{3, 640, 1, 20, 23},
              Tile{0, 90, 2, 4, 200}, Tile{33, 5, 0, 30, 34}}) {
            check(
                kind, t.count,
                [&](const Blender& b, uint16_t* d) {
                    b.copy_row_tiled(d, src, t.start, t.count, t.shift, t.wrap_to, t.wrap_at);
                },
                [&](int i) {
                    int pos = t.start;
                    for (int k = 0; k < i; ++k)
                        pos = pos + 1 == t.wrap_at ? t.wrap_to : pos + 1;
                    return pos >> t.shift;
                },
                "tiled from " + std::to_string(t.start));
        }
    }
}

TEST_F(RowOperations, FillRowIsACopyFromOneRepeatedPixel) {
    for (const Kind& kind : m_kinds) {
        if (kind.name == "mask") {
            continue;  // a mask needs picture rows, fills never use one
        }
        std::mt19937 rng(test_seed() + 7);
        for (int count : {1, 9, 600}) {
            const auto before = random_row(rng, static_cast<size_t>(count));
            const uint16_t value = random_pixel(rng);
            auto got = before;
            kind.blender->fill_row(got.data(), got.data() + count, value);
            for (int i = 0; i < count; ++i) {
                ASSERT_EQ(got[i], kind.rule(value, before[i], 0)) << kind.name << " " << i;
            }
        }
    }
}

TEST_F(RowOperations, ClonesBlendTheSameAndOutliveTheOriginal) {
    const uint16_t* src = m_source->row(0);
    for (Kind& kind : m_kinds) {
        std::unique_ptr<Blender> copy = kind.blender->clone();
        ASSERT_NE(copy.get(), kind.blender.get());
        ASSERT_EQ(typeid(*copy), typeid(*kind.blender)) << kind.name;
        kind.blender = std::move(copy);  // the original is gone
        check(
            kind, kSourceWidth,
            [&](const Blender& b, uint16_t* d) { b.copy_row(d, d + kSourceWidth, src); },
            [](int i) { return i; }, "clone");
    }
}

TEST(MaskBlender, RowsOutsideTheBoundPictureAreCopiedPlainly) {
    auto mask = std::make_shared<zentra::Bitmap>(4, 1);  // all zero: would keep every d
    zentra::MaskBlender blender(mask);
    const uint16_t src[4] = {1, 2, 3, 4};
    uint16_t dst[4] = {9, 9, 9, 9};
    blender.copy_row(dst, dst + 4, src);  // nothing bound yet
    EXPECT_EQ(dst[3], 4);
    zentra::Bitmap picture(4, 1);
    blender.bind_source(&picture);
    picture.row(0)[0] = 7;
    uint16_t dst2[4] = {9, 9, 9, 9};
    blender.copy_row(dst2, dst2 + 4, picture.row(0));
    EXPECT_EQ(dst2[0], 9);  // mask 0 keeps the destination
}

}  // namespace
