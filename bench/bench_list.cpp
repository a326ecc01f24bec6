// A scrolling contact list is the screen whose frame rate people notice, and its cost is
// mostly text: 13 or 14 rows of two lines each are redrawn every frame.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "skin/color.h"
#include "skin/draw.h"
#include "skin/font.h"
#include "skin/font_desc.h"
#include "skin/layout.h"
#include "skin/render_surface.h"
#include "skin/text_node.h"
#include "skin/vlist.h"

namespace {

using zentra::AnchorMode;

constexpr int kWidth = 480;
constexpr int kHeight = 800;
constexpr int kRowHeight = 60;
constexpr int kItems = 1000;
constexpr double kFrame = 0.016;

std::shared_ptr<const zentra::FontRep> font(int size, bool bold) {
    zentra::FontDesc desc;
    desc.size = size;
    desc.bold = bold;
    desc.face = u"DejaVu Sans";
    return zentra::get_font(desc);
}

platform::WString name_of(int index) {
    return u"Contact " + platform::to_wstring(index) + u" Lastname-Example";
}

// A contact row: the name over the phone number, both left-aligned.
class ContactRow : public zentra::VListElement {
public:
    ContactRow() {
        set_design_size({0, kRowHeight});
        m_name = add_text(4, 24, font(14, true));
        m_number = add_text(32, 24, font(11, false));
    }
    void bind(zentra::VList& /*list*/, int /*flags*/, int index) override {
        m_name->set_text(name_of(index));
        m_number->set_text(u"+44 20 7946 " + platform::to_wstring(1000 + index));
    }

private:
    zentra::TextNode* add_text(int top, int height, std::shared_ptr<const zentra::FontRep> f) {
        auto text = std::make_unique<zentra::TextNode>();
        text->set_anchors(AnchorMode::BothSide, AnchorMode::MinSide);
        text->set_borders({8, top}, {8, 0});
        text->set_design_size({0, height});
        text->set_font(std::move(f));
        text->set_color({255, 255, 255, 255});
        return static_cast<zentra::TextNode*>(&add_child(std::move(text)));
    }
    zentra::TextNode* m_name = nullptr;
    zentra::TextNode* m_number = nullptr;
};

class Contacts : public zentra::VListAdapter {
public:
    void on_item_click(zentra::VList& /*list*/, int /*index*/) override {}
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& /*list*/,
                                                         int /*index*/) override {
        return std::make_unique<ContactRow>();
    }
};

// Whether anything but the background was drawn: a missing font would make the figures
// meaningless, so the benchmarks refuse to report them.
bool drew_something(const zentra::RenderSurface& surface) {
    for (int y = 0; y < surface.bitmap()->height(); ++y) {
        const uint16_t* row = surface.bitmap()->row(y);
        for (int x = 0; x < surface.bitmap()->width(); ++x) {
            if (row[x] != 0) {
                return true;
            }
        }
    }
    return false;
}

// One frame per iteration: the scroll moves by a fixed step (bouncing between the ends so
// rows keep being recycled), the list advances one frame and the whole tree is drawn.
void BM_ScrollingListFrame(benchmark::State& state) {
    Contacts contacts;
    zentra::VList list;
    list.set_adapter(&contacts);
    list.reset(kItems);
    zentra::RenderSurface surface;
    surface.recreate(kWidth, kHeight);
    zentra::layout_root(list, {0, 0}, {kWidth, kHeight});
    list.render(surface, {0, 0});
    if (!drew_something(surface)) {
        state.SkipWithError("no glyphs drawn: font missing");
        return;
    }

    const double step = static_cast<double>(state.range(0));
    const double end = static_cast<double>(kItems * kRowHeight - kHeight);
    double position = 0;
    double direction = 1;
    for (auto _ : state) {
        position += direction * step;
        if (position < 0 || position > end) {
            direction = -direction;
            position += 2 * direction * step;
        }
        list.set_scroll_position(position);
        list.advance(kFrame);
        zentra::layout_root(list, {0, 0}, {kWidth, kHeight});
        zentra::fill(surface, zentra::Color{0, 0, 0, 255});
        list.render(surface, {0, 0});
        benchmark::ClobberMemory();
    }
    state.counters["rows"] = list.row_count();
}
// 7 px a frame is a slow drag; 95 px a fast fling, where most rows are rebound every frame.
BENCHMARK(BM_ScrollingListFrame)->Arg(7)->Arg(95)->Unit(benchmark::kMicrosecond);

// The fling as the list runs it itself: released at speed, it decelerates frame by frame.
void BM_FlingingListFrame(benchmark::State& state) {
    Contacts contacts;
    zentra::VList list;
    list.set_adapter(&contacts);
    list.reset(kItems);
    zentra::RenderSurface surface;
    surface.recreate(kWidth, kHeight);
    zentra::layout_root(list, {0, 0}, {kWidth, kHeight});
    list.render(surface, {0, 0});
    double sign = -1;
    for (auto _ : state) {
        // A fresh fling whenever the last one has died down, alternating its direction so
        // it never rests against an end.
        if (list.velocity() == 0) {
            sign = -sign;
            list.set_velocity(sign * 4000);
        }
        list.advance(kFrame);
        zentra::layout_root(list, {0, 0}, {kWidth, kHeight});
        zentra::fill(surface, zentra::Color{0, 0, 0, 255});
        list.render(surface, {0, 0});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FlingingListFrame)->Unit(benchmark::kMicrosecond);

// A row's worth of text drawn over and over, to see the glyph cost apart from the list.
void BM_RowTextGlyphs(benchmark::State& state) {
    const auto f = font(14, false);
    const platform::WString text = u"Alexandra Montgomery-Whitfield";  // 30 glyphs
    zentra::RenderSurface surface;
    surface.recreate(kWidth, kRowHeight);
    zentra::fill(surface, zentra::Color{0, 0, 0, 255});
    zentra::draw_text(f.get(), surface, {255, 255, 255, 255}, text, {8, 0}, {kWidth - 16, 30},
                      zentra::kAlignLeft, zentra::kAlignVCenter, false);
    if (!drew_something(surface)) {
        state.SkipWithError("no glyphs drawn: font missing");
        return;
    }
    for (auto _ : state) {
        zentra::draw_text(f.get(), surface, {255, 255, 255, 255}, text, {8, 0},
                          {kWidth - 16, 30}, zentra::kAlignLeft, zentra::kAlignVCenter, false);
        benchmark::ClobberMemory();
    }
    // kIsRate divides by seconds; the thousandth of it is glyphs per millisecond.
    state.counters["glyphs_per_ms"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(text.size()) / 1000.0,
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RowTextGlyphs);

}  // namespace
