// From a tap on a keypad digit to the frame that shows the narrowed list, on the main screen
// with the shipped default skin at 480 x 800 and 192 dpi, over phone books of 10,000 and
// 100,000 contacts. The tap travels as the user's does: stylus down and up posted to the main
// window, then frames are stepped until one is presented. The second benchmark paints one
// frame of the same screen with nothing changed, so the two together tell filtering from
// drawing.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/entry.h"
#include "app/game_base.h"
#include "app/languages.h"
#include "app/skins.h"
#include "contacts/categories.h"
#include "contacts/document.h"
#include "display/headless_backend.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "screens/main_form.h"
#include "skin/node.h"
#include "skin/node_factory.h"
#include "skin/properties.h"
#include "skin/spinner.h"

namespace {

using namespace velvane;
namespace fs = std::filesystem;
using platform::WString;

constexpr int kWidth = 480;
constexpr int kHeight = 800;
constexpr int kDpi = 192;
// The virtual clock moves one frame of a 60 Hz screen per step.
constexpr uint32_t kFrameMs = 16;
// A tap that has not shown within this many frames is a fault, not a slow frame.
constexpr int kMaxStepsPerTap = 30;
// Animations after a tap (the keypad opening, a pressed key) end well within this.
constexpr int kMaxSettleSteps = 300;

// Everything the run writes (registry, sort order, logs) stays in a folder of its own.
class PrivateHome {
public:
    PrivateHome() {
        std::string pattern = (fs::temp_directory_path() / "velvane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::fprintf(stderr, "cannot make a private home\n");
            std::abort();
        }
        m_root = pattern;
        for (const char* folder : {"home", "tmp", "run"}) {
            fs::create_directories(m_root / folder);
        }
        fs::permissions(m_root / "run", fs::perms::owner_all, fs::perm_options::replace);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR",
                                 "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
            ::unsetenv(name);
        }
        ::setenv("HOME", (m_root / "home").c_str(), 1);
        ::setenv("TMPDIR", (m_root / "tmp").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (m_root / "run").c_str(), 1);
    }
    ~PrivateHome() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

private:
    fs::path m_root;
};

// A book of several scripts and countries; a letter after the last name keeps the names as
// varied as a real book's.
const char16_t* const kFirst[] = {
    u"Anna",    u"Ádám",       u"Béla",   u"Zsófia",   u"Éva",    u"Olivér", u"Lena",
    u"Jürgen",  u"Marco",      u"Chloé",  u"Søren",    u"Łukasz", u"Иван",   u"Ольга",
    u"Наталья", u"Сергей",     u"Νίκος",  u"Ελένη",    u"Peter",  u"Maria",  u"John",
    u"Sarah",   u"Kenji",      u"Ana",    u"Tomás",    u"Ines",   u"Dmitri", u"Brigitte",
    u"Paul",    u"Hanna",      u"Mateo",  u"Zoë",      u"Ferenc", u"Ágnes",  u"Katalin",
    u"Jakub",   u"Małgorzata", u"Giulia", u"François", u"Björn",  u"Ayşe",   u"Mehmet",
    u"Lucía",   u"José",       u"Emma",   u"Noah",     u"Liam",   u"Olivia", u"Yusuf"};
const char16_t* const kLast[] = {
    u"Kovács",  u"Nagy",      u"Tóth",         u"Szabó",     u"Müller",    u"Schmidt",
    u"Dubois",  u"García",    u"Rossi",        u"Nowak",     u"Иванов",    u"Петрова",
    u"Смирнов", u"Кузнецова", u"Παπαδόπουλος", u"Γεωργίου",  u"Smith",     u"Johnson",
    u"Brown",   u"Jensen",    u"Larsen",       u"Öztürk",    u"Fernández", u"Horváth",
    u"Varga",   u"Wagner",    u"Becker",       u"Moreau",    u"Bianchi",   u"Kowalski",
    u"Silva",   u"Santos",    u"Novák",        u"Lindqvist", u"O'Brien",   u"Wiśniewski",
    u"Dvořák",  u"Yılmaz",    u"Nakamura",     u"Jovanović", u"Lefèvre",   u"Esposito"};
const char16_t* const kCompany[] = {u"",           u"",        u"",        u"",
                                    u"ACME Kft.",  u"Globex",  u"Initech", u"Ümlaut GmbH",
                                    u"Северсталь", u"Soylent", u"Μύλος ΑΕ"};

std::vector<Contact> make_book(int count) {
    std::mt19937 random(20261208);
    auto pick = [&](const auto& list) { return list[random() % (sizeof(list) / sizeof(list[0]))]; };
    auto digits = [&](int n) {
        WString s;
        for (int i = 0; i < n; ++i) {
            s.push_back(static_cast<char16_t>(u'0' + random() % 10));
        }
        return s;
    };
    std::vector<Contact> book;
    book.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Contact c;
        c.object_id = static_cast<uint32_t>(i + 1);
        c.company = pick(kCompany);
        // Now and then only a company, as a book's shops and offices are.
        if (c.company.empty() || random() % 10 != 0) {
            c.first_name = pick(kFirst);
            c.last_name = WString(pick(kLast)) + static_cast<char16_t>(u'a' + random() % 26);
        }
        switch (random() % 3) {
            case 0:
                c.fields.emplace_back(FieldKind::Mobile, u"+36 " + digits(2) + u" " + digits(7));
                break;
            case 1:
                c.fields.emplace_back(FieldKind::Mobile, u"+49 1" + digits(2) + u" " + digits(8));
                break;
            default:
                c.fields.emplace_back(FieldKind::Mobile, u"8 9" + digits(2) + u" " + digits(7));
                break;
        }
        if (random() % 3 == 0) {
            c.fields.emplace_back(FieldKind::HomeTel, u"06 1 " + digits(7));
        }
        if (random() % 4 == 0) {
            c.fields.emplace_back(FieldKind::BusinessTel, u"+1 (" + digits(3) + u") " + digits(7));
        }
        if (random() % 2 == 0) {
            c.fields.emplace_back(FieldKind::Email1, u"someone@example.org");
        }
        book.push_back(std::move(c));
    }
    return book;
}

class MemoryStore : public ContactSource {
public:
    explicit MemoryStore(std::vector<Contact> book) : m_book(std::move(book)) {}
    void load_all(std::vector<Contact>& out) override { out = m_book; }
    std::optional<Contact> read_one(uint32_t id) override {
        if (id == 0 || id > m_book.size()) {
            return std::nullopt;
        }
        return m_book[id - 1];
    }
    bool save(const Contact&) override { return true; }
    void read_categories(std::vector<WString>&) override {}

private:
    std::vector<Contact> m_book;
};

std::string utf8(const WString& text) {
    return platform::to_utf8(text);
}

intptr_t at(zentra::Point point) {
    return (point.x & 0xFFFF) | ((point.y & 0xFFFF) << 16);
}

// Nodes are laid out in screen coordinates: the centre of one is where a finger taps it.
zentra::Point centre_on_screen(const zentra::Node& node) {
    return {node.position().x + node.size().w / 2, node.position().y + node.size().h / 2};
}

// The program registers its spinner before it reads a skin; the card's date editor has some.
struct SpinnerType {
    SpinnerType() {
        zentra::NodeFactory::register_type(u"spinner", zentra::create_node<zentra::SpinnerNode>);
    }
    ~SpinnerType() { zentra::NodeFactory::unregister_type(u"spinner"); }
};

// The running program's main screen, built in the order the start-up builds it, with the
// keypad opened by a tap.
class Stage {
public:
    explicit Stage(int contacts)
        : m_backend({kWidth, kHeight, 0, kDpi}, kFrameMs),
          m_application(kApplicationName, &m_backend) {
        base().set_input_captured(false);
        base().set_windowed(false);
        base().set_fullscreen(m_backend.screen().orientation);

        const WString program = platform::from_utf8(VELVANE_PROGRAM_DIR);
        if (!choose_language(m_properties, kApplicationName, program)) {
            fail("no language file in " VELVANE_PROGRAM_DIR);
            return;
        }
        DocumentServices services;
        services.make_store = [book = make_book(contacts)](Document&) mutable {
            return std::make_unique<MemoryStore>(std::move(book));
        };
        services.passes_category = passes_category;
        services.keypad_map_path = program + u"/keyboard.txt";
        m_document = std::make_unique<Document>(std::move(services));
        if (!choose_skin(m_properties, kApplicationName, program, m_application.screen_metrics())) {
            fail("no skin in " VELVANE_PROGRAM_DIR "/skins/bin");
            return;
        }
        try {
            m_form = std::make_unique<MainForm>(m_properties);
        } catch (...) {
            fail("the main form cannot be built on the default skin");
            return;
        }
        m_application.set_listener(m_form.get());
        m_document->load();
        m_form->on_resolution_changed();
        m_application.add_modal_form(*m_form, false, true);
        settle();

        tap(m_form->open_keyboard_button());
        settle();
        if (!m_form->keyboard().is_visible()) {
            fail("the keypad did not open");
            return;
        }
        for (int digit = 0; digit < 10; ++digit) {
            m_digits[digit] = find_key(u"button" + WString(1, char16_t(u'0' + digit)));
        }
        m_backspace = find_key(u"button_backspace");
    }

    ~Stage() {
        while (zentra::Form* form = m_application.top_form()) {
            m_application.remove_modal_form(*form, false);
        }
        m_application.set_listener(nullptr);
        m_form.reset();
        m_document.reset();
    }

    const std::string& error() const { return m_error; }
    GameBase& base() { return *m_application.platform(); }
    Application& application() { return m_application; }
    long long presented() const { return m_backend.presented_frames(); }
    bool save_screenshot(const std::string& path) const { return m_backend.save_screenshot(path); }
    size_t shown() const { return m_document->filtered_list().size(); }
    WString typed() const { return m_form->keyboard().text(); }

    zentra::Node* digit(int d) const { return m_digits[d]; }
    zentra::Node* backspace() const { return m_backspace; }

    // Stylus down and up on the node, as the window system hands them over.
    void tap(const zentra::Node* node) {
        const zentra::Point point = centre_on_screen(*node);
        const platform::WindowHandle window = base().main_window();
        platform::post_message(window, platform::WM_LBUTTONDOWN, 1, at(point));
        platform::post_message(window, platform::WM_LBUTTONUP, 0, at(point));
        platform::dispatch_pending_messages();
    }

    // One frame of the loop, the clock one frame on.
    void step() {
        platform::advance_virtual_clock(kFrameMs);
        base().frame_step();
    }

    // Frames until one is presented; false when none came.
    bool step_until_presented() {
        const long long before = presented();
        for (int i = 0; i < kMaxStepsPerTap; ++i) {
            step();
            if (presented() != before) {
                return true;
            }
        }
        return false;
    }

    // Backspaces until the keypad is empty; false when it does not empty.
    bool clear_keypad() {
        for (int i = 0; i < 64 && !typed().empty(); ++i) {
            tap(m_backspace);
            settle();
        }
        return typed().empty();
    }

    // Frames until nothing asks for another, so the next measure starts from a still screen.
    void settle() {
        for (int i = 0; i < kMaxSettleSteps && m_application.redraw_needed(); ++i) {
            step();
        }
        // A last step lets a timer that ended an animation ask for its final frame.
        step();
    }

private:
    void fail(std::string why) {
        if (m_error.empty()) {
            m_error = std::move(why);
        }
    }
    zentra::Node* find_key(const WString& name) {
        zentra::Node* key = m_form->keyboard().root()->find_descendant(name);
        if (key == nullptr || key->size().w <= 0) {
            fail("the keypad has no " + utf8(name));
        }
        return key;
    }

    display::HeadlessBackend m_backend;
    Application m_application;
    SpinnerType m_spinner;
    zentra::Properties m_properties;
    std::unique_ptr<Document> m_document;
    std::unique_ptr<MainForm> m_form;
    std::array<zentra::Node*, 10> m_digits{};
    zentra::Node* m_backspace = nullptr;
    std::string m_error;
};

// One stage at a time: the application and its window are one per process.
std::unique_ptr<Stage>& stage_slot() {
    static std::unique_ptr<Stage> stage;
    return stage;
}

Stage* stage_of(benchmark::State& state) {
    const int contacts = static_cast<int>(state.range(0));
    static int built_for = 0;
    auto& stage = stage_slot();
    if (!stage || built_for != contacts) {
        stage.reset();
        stage = std::make_unique<Stage>(contacts);
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
    Stage* stage = stage_of(state);
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
        if (utf8(stage->typed()) != want) {
            state.SkipWithError(
                ("the keypad shows \"" + utf8(stage->typed()) + "\", not \"" + want + "\"")
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
    Stage* stage = stage_of(state);
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
    PrivateHome home;
    // Program time moves only by the frames stepped, so every run draws the same frames.
    platform::use_virtual_clock(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    // The application goes before the home it wrote into.
    stage_slot().reset();
    benchmark::Shutdown();
    return 0;
}
