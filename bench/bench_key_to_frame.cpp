// From a tap on a keypad digit to the frame that shows the narrowed list, on the main screen
// with the shipped default skin at 480 x 800 and 192 dpi, over phone books of 10,000 and
// 100,000 contacts. The tap travels as the user's does: stylus down and up posted to the main
// window, then frames are stepped until one is presented. The second benchmark paints one
// frame of the same screen with nothing changed, so the two together tell filtering from
// drawing.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "bench/main_screen_stage.h"

namespace {

using platform::WString;

// The main screen with the keypad opened by a tap.
class KeypadStage : public bench_stage::Stage {
public:
    explicit KeypadStage(int contacts) : Stage(bench_stage::make_book(contacts)) {
        if (!error().empty()) {
            return;
        }
        tap(form().open_keyboard_button());
        settle();
        if (!form().keyboard().is_visible()) {
            fail("the keypad did not open");
            return;
        }
        for (int digit = 0; digit < 10; ++digit) {
            m_digits[digit] = find_key(u"button" + WString(1, char16_t(u'0' + digit)));
        }
        m_backspace = find_key(u"button_backspace");
    }

    size_t shown() { return document().filtered_list().size(); }
    WString typed() { return form().keyboard().text(); }
    zentra::Node* digit(int d) const { return m_digits[d]; }
    zentra::Node* backspace() const { return m_backspace; }

    // Backspaces until the keypad is empty; false when it does not empty.
    bool clear_keypad() {
        for (int i = 0; i < 64 && !typed().empty(); ++i) {
            tap(m_backspace);
            settle();
        }
        return typed().empty();
    }

private:
    zentra::Node* find_key(const WString& name) {
        zentra::Node* key = form().keyboard().root()->find_descendant(name);
        if (key == nullptr || key->size().w <= 0) {
            fail("the keypad has no " + bench_stage::utf8(name));
        }
        return key;
    }

    std::array<zentra::Node*, 10> m_digits{};
    zentra::Node* m_backspace = nullptr;
};

// One stage at a time: the application and its window are one per process.
std::unique_ptr<KeypadStage>& stage_slot() {
    static std::unique_ptr<KeypadStage> stage;
    return stage;
}

KeypadStage* stage_of(benchmark::State& state) {
    const int contacts = static_cast<int>(state.range(0));
    static int built_for = 0;
    auto& stage = stage_slot();
    if (!stage || built_for != contacts) {
        stage.reset();
        stage = std::make_unique<KeypadStage>(contacts);
        built_for = contacts;
    }
    if (!stage->error().empty()) {
        state.SkipWithError(stage->error().c_str());
        return nullptr;
    }
    return stage.get();
}

// The cycle of taps: three digits narrow the list, three backspaces widen it back to the
// whole book, so every tap changes the filter.
struct Tap {
    int digit;  // -1: backspace
    const char* name;
};
constexpr Tap kCycle[] = {{5, "5"}, {6, "56"}, {4, "564"}, {-1, "56"}, {-1, "5"}, {-1, "all"}};
constexpr size_t kCycleLength = std::size(kCycle);

using Clock = std::chrono::steady_clock;

// This thread's processor time: on a shared machine the wall clock also counts other
// programs' turns, so the worst tap is given in both.
double thread_cpu_ms() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void BM_KeyToPresentedFrame(benchmark::State& state) {
    KeypadStage* stage = stage_of(state);
    if (stage == nullptr) {
        return;
    }
    // Every run starts from the whole book with the keypad empty.
    if (!stage->clear_keypad()) {
        state.SkipWithError("backspace does not empty the keypad");
        return;
    }

    std::array<double, kCycleLength> step_total{};
    std::array<int, kCycleLength> step_count{};
    std::array<size_t, kCycleLength> step_shown{};
    double input_total = 0;
    double frame_total = 0;
    double worst = 0;
    double worst_cpu = 0;
    long long taps = 0;
    size_t next = 0;
    const char* shot_prefix = ::getenv("VELVANE_BENCH_SCREENSHOT");
    for (auto _ : state) {
        const Tap& tap = kCycle[next];
        const double cpu_start = thread_cpu_ms();
        const auto start = Clock::now();
        stage->tap(tap.digit >= 0 ? stage->digit(tap.digit) : stage->backspace());
        const auto input_done = Clock::now();
        const bool shown = stage->step_until_presented();
        const auto end = Clock::now();
        const double cpu = thread_cpu_ms() - cpu_start;

        state.PauseTiming();
        if (!shown) {
            state.SkipWithError("a tap brought no frame");
            break;
        }
        const std::string want = std::string(tap.name) == "all" ? "" : tap.name;
        if (bench_stage::utf8(stage->typed()) != want) {
            state.SkipWithError(
                ("the keypad shows \"" + bench_stage::utf8(stage->typed()) + "\", not \"" + want + "\"")
                    .c_str());
            break;
        }
        const double total = ms_between(start, end);
        input_total += ms_between(start, input_done);
        frame_total += ms_between(input_done, end);
        worst = std::max(worst, total);
        worst_cpu = std::max(worst_cpu, cpu);
        step_total[next] += total;
        ++step_count[next];
        step_shown[next] = stage->shown();
        ++taps;
        next = (next + 1) % kCycleLength;
        // To see what is measured: the frame the first tap brought.
        if (taps == 1 && shot_prefix != nullptr) {
            stage->save_screenshot(std::string(shot_prefix) + "-" + std::to_string(state.range(0)) +
                                   ".png");
        }
        stage->settle();
        state.ResumeTiming();
    }
    if (taps == 0) {
        return;
    }
    state.counters["input_ms"] = input_total / static_cast<double>(taps);
    state.counters["frame_ms"] = frame_total / static_cast<double>(taps);
    state.counters["worst_ms"] = worst;
    state.counters["worst_cpu_ms"] = worst_cpu;
    std::string label;
    for (size_t i = 0; i < kCycleLength; ++i) {
        if (step_count[i] == 0) {
            continue;
        }
        char part[96];
        std::snprintf(part, sizeof part, "%s%s%s=%zu:%.2fms", label.empty() ? "" : " ",
                      kCycle[i].digit < 0 ? "<" : "", kCycle[i].name, step_shown[i],
                      step_total[i] / step_count[i]);
        label += part;
    }
    state.SetLabel(label);
}

// One frame of the keypad over the list narrowed to "5", painted whole with nothing changed:
// what drawing alone costs.
void BM_FrameOnly(benchmark::State& state) {
    KeypadStage* stage = stage_of(state);
    if (stage == nullptr) {
        return;
    }
    if (!stage->clear_keypad()) {
        state.SkipWithError("backspace does not empty the keypad");
        return;
    }
    stage->tap(stage->digit(5));
    stage->settle();
    for (auto _ : state) {
        const long long before = stage->presented();
        stage->application().request_redraw();
        stage->step();
        if (stage->presented() == before) {
            state.SkipWithError("no frame was presented");
            break;
        }
    }
    state.counters["shown"] = static_cast<double>(stage->shown());
}

// Both benchmarks on one book before the next book is built.
BENCHMARK(BM_KeyToPresentedFrame)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameOnly)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyToPresentedFrame)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameOnly)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return bench_stage::run_benchmarks(argc, argv, stage_slot());
}
