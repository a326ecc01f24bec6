// The favourites grid of 100 favourites with photos, on the main screen with the shipped
// default skin at 480 x 800 and 192 dpi: from a tap on the favourites tab to the grid's first
// presented frame, its rows made anew, once with the photo cache empty (every photo in view
// decoded, scaled and framed) and once with the cache holding them.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "bench/main_screen_stage.h"
#include "contacts/favorites.h"
#include "platform/imaging.h"
#include "screens/favorites_grid_container.h"
#include "skin/photo_frame.h"
#include "skin/vlist.h"

namespace {

using namespace velvane;
using Clock = std::chrono::steady_clock;

constexpr int kBook = 300;
constexpr int kFavourites = 100;
// A camera picture already made small, as phones store contact photos.
constexpr int kPhotoSide = 320;

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// One PNG photo (a smooth gradient with some texture), decoded, fitted and converted on every
// request as the contact store does with the picture it reads.
bench_stage::PictureSource photo_source() {
    std::vector<uint8_t> rgba(static_cast<size_t>(kPhotoSide) * kPhotoSide * 4);
    for (int y = 0; y < kPhotoSide; ++y) {
        for (int x = 0; x < kPhotoSide; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * kPhotoSide + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / kPhotoSide);
            p[1] = static_cast<uint8_t>(y * 255 / kPhotoSide);
            p[2] = static_cast<uint8_t>((x * y + (x ^ y) * 7) & 0xFF);
            p[3] = 255;
        }
    }
    std::string error;
    auto png = std::make_shared<std::string>(platform::encode_png(
        kPhotoSide, kPhotoSide, rgba.data(), platform::PngChannels::rgba, error));
    return [png](uint32_t, int box_w, int box_h) -> zentra::ImageRef {
        std::string why;
        const platform::RgbaImage image =
            platform::decode_image(reinterpret_cast<const uint8_t*>(png->data()), png->size(), why);
        int w = 0, h = 0;
        platform::fit_into_box(image.width, image.height, box_w, box_h, w, h);
        if (image.empty() || w == 0 || h == 0) {
            return {};
        }
        const platform::Picture565 drawn = platform::draw_565(platform::thumbnail(image, w, h));
        auto bitmap = std::make_shared<zentra::Bitmap>(drawn.width, drawn.height);
        for (int y = 0; y < drawn.height; ++y) {
            std::copy_n(drawn.pixels.data() + static_cast<size_t>(y) * drawn.width, drawn.width,
                        bitmap->row(y));
        }
        return zentra::ImageRef::whole(std::move(bitmap));
    };
}

std::unique_ptr<bench_stage::Stage>& stage_slot() {
    static std::unique_ptr<bench_stage::Stage> stage;
    return stage;
}

bench_stage::Stage* stage_of(benchmark::State& state) {
    auto& stage = stage_slot();
    if (!stage) {
        stage = std::make_unique<bench_stage::Stage>(bench_stage::make_book(kBook), photo_source());
        if (stage->error().empty()) {
            for (uint32_t id = 1; id <= kFavourites; ++id) {
                add_favorite(stage->document(), id, static_cast<int32_t>(FieldKind::Mobile));
            }
            // The favourites tab twice: the grid is the mode from then on.
            stage->form().press_tab(MainForm::Favorites);
            if (stage->form().favorite_mode() != 2) {
                stage->form().press_tab(MainForm::Favorites);
            }
            stage->settle();
        }
    }
    if (!stage->error().empty()) {
        state.SkipWithError(stage->error().c_str());
        return nullptr;
    }
    return stage.get();
}

// From the contacts tab, the grid's rows dropped (as at start-up or after a new skin), to the
// first presented frame of the grid after a tap on the favourites tab.
void first_frame(benchmark::State& state, bool cold) {
    bench_stage::Stage* stage = stage_of(state);
    if (stage == nullptr) {
        return;
    }
    auto* grid = dynamic_cast<FavoritesContainer2*>(stage->form().favorites_grid());
    if (grid == nullptr || grid->list() == nullptr || stage->form().favorite_mode() != 2) {
        state.SkipWithError("the main screen has no favourites grid");
        return;
    }
    zentra::Node* tab = stage->form().tab_node(MainForm::Favorites);
    double worst = 0;
    for (auto _ : state) {
        state.PauseTiming();
        stage->form().press_tab(MainForm::Contacts);
        stage->settle();
        if (cold) {
            stage->document().photo_cache().clear();
        }
        grid->list()->reset(grid->list()->item_count());
        state.ResumeTiming();

        const auto start = Clock::now();
        stage->tap(tab);
        const bool shown = stage->step_until_presented();
        worst = std::max(worst, ms_between(start, Clock::now()));

        state.PauseTiming();
        if (!shown || !grid->root()->is_visible() || grid->list()->row_count() == 0) {
            state.SkipWithError("the tap did not show the grid");
            break;
        }
        state.counters["photos_cached"] =
            static_cast<double>(stage->document().photo_cache().size());
        state.counters["tiles_per_row"] = grid->items_per_row();
        stage->settle();
        state.ResumeTiming();
    }
    state.counters["worst_ms"] = worst;
}

void BM_GridFirstFrameEmptyPhotoCache(benchmark::State& state) {
    first_frame(state, true);
}

void BM_GridFirstFrameCachedPhotos(benchmark::State& state) {
    first_frame(state, false);
}

// What the store's part of one photo costs (decoding, scaling, converting), for reading the
// figures above: a first frame pays it once per photo in view.
void BM_StorePhotoAtTileSize(benchmark::State& state) {
    const bench_stage::PictureSource source = photo_source();
    for (auto _ : state) {
        benchmark::DoNotOptimize(source(1, 96, 96));
    }
}

// Framing one photo with the tile's frame, the screens' own part.
void BM_FramePhoto(benchmark::State& state) {
    const zentra::ImageRef photo = photo_source()(1, 96, 96);
    auto frame_bitmap = std::make_shared<zentra::Bitmap>(96, 96);
    const zentra::ImageRef frame = zentra::ImageRef::whole(frame_bitmap);
    for (auto _ : state) {
        benchmark::DoNotOptimize(zentra::framed_photo(photo, frame));
    }
}

BENCHMARK(BM_StorePhotoAtTileSize)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramePhoto)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridFirstFrameEmptyPhotoCache)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridFirstFrameCachedPhotos)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return bench_stage::run_benchmarks(argc, argv, stage_slot());
}
