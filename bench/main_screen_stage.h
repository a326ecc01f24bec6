#pragma once
// The running program's main screen for the benchmarks that go through it: a private home,
// a generated phone book in a memory store, the shipped default skin and texts at 480 x 800
// and 192 dpi, the headless presenter and the virtual clock, and taps that travel as the
// user's do (stylus down and up posted to the main window).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
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

namespace bench_stage {

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

inline std::vector<Contact> make_book(int count) {
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

// A contact's picture fitted into a box, as the store hands it out; none by default.
using PictureSource = std::function<zentra::ImageRef(uint32_t object_id, int width, int height)>;

// The book in memory; a save replaces the stored contact, as the database's would.
class MemoryStore : public ContactSource {
public:
    explicit MemoryStore(std::vector<Contact> book, PictureSource pictures = {})
        : m_book(std::move(book)), m_pictures(std::move(pictures)) {}
    zentra::ImageRef picture(uint32_t object_id, int width, int height) override {
        return m_pictures ? m_pictures(object_id, width, height) : zentra::ImageRef{};
    }
    void load_all(std::vector<Contact>& out) override { out = m_book; }
    std::optional<Contact> read_one(uint32_t id) override {
        if (id == 0 || id > m_book.size()) {
            return std::nullopt;
        }
        return m_book[id - 1];
    }
    bool save(const Contact& contact) override {
        if (contact.object_id == 0 || contact.object_id > m_book.size()) {
            return false;
        }
        m_book[contact.object_id - 1] = contact;
        return true;
    }
    void read_categories(std::vector<WString>&) override {}

private:
    std::vector<Contact> m_book;
    PictureSource m_pictures;
};

inline std::string utf8(const WString& text) {
    return platform::to_utf8(text);
}

inline intptr_t at(zentra::Point point) {
    return (point.x & 0xFFFF) | ((point.y & 0xFFFF) << 16);
}

// Nodes are laid out in screen coordinates: the centre of one is where a finger taps it.
inline zentra::Point centre_on_screen(const zentra::Node& node) {
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

// The main screen, built in the order the start-up builds it, on the given book.
class Stage {
public:
    explicit Stage(std::vector<Contact> book, PictureSource pictures = {})
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
        services.make_store = [book = std::move(book),
                               pictures = std::move(pictures)](Document&) mutable {
            return std::make_unique<MemoryStore>(std::move(book), std::move(pictures));
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
    void fail(std::string why) {
        if (m_error.empty()) {
            m_error = std::move(why);
        }
    }
    GameBase& base() { return *m_application.platform(); }
    Application& application() { return m_application; }
    Document& document() { return *m_document; }
    MainForm& form() { return *m_form; }
    long long presented() const { return m_backend.presented_frames(); }
    bool save_screenshot(const std::string& path) const { return m_backend.save_screenshot(path); }

    // Stylus down and up on the node, as the window system hands them over.
    void tap(const zentra::Node* node) { tap_at(centre_on_screen(*node)); }
    void tap_at(zentra::Point point) {
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

    // Frames until nothing asks for another, so the next measure starts from a still screen.
    void settle() {
        for (int i = 0; i < kMaxSettleSteps && m_application.redraw_needed(); ++i) {
            step();
        }
        // A last step lets a timer that ended an animation ask for its final frame.
        step();
    }

private:
    display::HeadlessBackend m_backend;
    Application m_application;
    SpinnerType m_spinner;
    zentra::Properties m_properties;
    std::unique_ptr<Document> m_document;
    std::unique_ptr<MainForm> m_form;
    std::string m_error;
};

// Runs a benchmark program in a private home under the virtual clock; stage goes before the
// home it wrote into.
template <typename StageSlot>
int run_benchmarks(int argc, char** argv, StageSlot& stage) {
    PrivateHome home;
    // Program time moves only by the frames stepped, so every run draws the same frames.
    platform::use_virtual_clock(true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    stage.reset();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench_stage
