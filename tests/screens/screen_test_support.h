#pragma once
// A stage for screen tests: a private home, the virtual clock with the active-object
// scheduler (so long presses and other timers run), the application with its form stack (no
// window), a skin compiled from source text, and a Document over an in-memory store.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "core/active.h"
#include "core/registry.h"
#include "contacts/categories.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "skin/layout.h"
#include "skin/properties.h"
#include "tests/contacts/document_fixture.h"
#include "tests/skin/skin_test_support.h"

namespace screens_test {

using namespace velvane;
using contacts_test::FakeCallLog;
using contacts_test::FakeStore;
using contacts_test::person;

// A button of w x h at (x, y) inside its parent, with a pressed state child.
inline std::string button_source(const std::string& id, int x, int y, int w = 20, int h = 20) {
    return "node { string type = \"button\" string id = \"" + id +
           "\" string anchor_x = \"MIN_SIDE\" string anchor_y = \"MIN_SIDE\" point border_min "
           "= " +
           std::to_string(x) + ", " + std::to_string(y) +
           " point design_size = " + std::to_string(w) + ", " + std::to_string(h) +
           " node { string type = \"node\" string id = \"#normal\" }"
           " node { string type = \"node\" string id = \"#pressed\" } }\n";
}

// A 4 x 4 keypad of 20-pixel keys at the top left of a 100 x 100 area:
//   row 0: 1 2 3 backspace   row 1: 4 5 6 close   row 2: 7 8 9 call   row 3: # 0 (text)
inline std::string keypad_source() {
    std::string s = "node { string type = \"node\" string id = \"KeyboardContainer\"\n";
    const char* keys[4][4] = {{"button1", "button2", "button3", "button_backspace"},
                              {"button4", "button5", "button6", "button_close"},
                              {"button7", "button8", "button9", "button_call"},
                              {"button_hash", "button0", nullptr, nullptr}};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            if (keys[row][col] != nullptr) {
                s += button_source(keys[row][col], col * 20, row * 20);
            }
        }
    }
    s += "node { string type = \"text\" string id = \"text_button_call\" string anchor_x = "
         "\"MIN_SIDE\" string anchor_y = \"MIN_SIDE\" point border_min = 40, 60 point "
         "design_size = 40, 20 } }\n";
    return s;
}

// Key centres on the keypad above.
struct KeyAt {
    int x, y;
};
inline KeyAt key_at(const std::string& id) {
    const char* order[] = {"button1", "button2",     "button3",      "button_backspace", "button4",
                           "button5", "button6",     "button_close", "button7",          "button8",
                           "button9", "button_call", "button_hash",  "button0"};
    for (int i = 0; i < 14; ++i) {
        if (id == order[i]) {
            return {(i % 4) * 20 + 10, (i / 4) * 20 + 10};
        }
    }
    ADD_FAILURE() << "no key " << id;
    return {0, 0};
}

class ScreenStage : public ::testing::Test {
protected:
    void SetUp() override {
        platform::use_virtual_clock(true);
        platform::Message m;
        while (platform::peek_message(m)) {
        }
        platform::register_window_class(u"ScreenTestStopper", [](auto w, auto m, auto wp, auto lp) {
            return platform::def_window_proc(w, m, wp, lp);
        });
        scheduler = std::make_unique<CActiveScheduler>(u"ScreenTestMain");
        application = std::make_unique<Application>(u"Velvane");
        zentra::ScreenMetrics metrics;
        metrics.width = 100;
        metrics.height = 100;
        application->set_screen_metrics(metrics);
    }
    void TearDown() override {
        application.reset();
        view.reset();
        document.reset();
        scheduler.reset();
        platform::unregister_window_class(u"ScreenTestStopper");
        platform::use_virtual_clock(false);
    }

    void load(const std::string& source) { skintest::load_source(skin, source); }

    // A loaded Document over contacts, sorted by order, with the phone keypad map.
    void open_document(std::vector<Contact> contacts, int order = SortByLastname,
                       std::vector<WString> categories = {}) {
        write_dword(Document::kRegistryPath, u"Sorting", static_cast<uint32_t>(order));
        const auto map = home.root() / "keyboard.txt";
        test_support::write_bytes(map, contacts_test::kPhoneKeypad);
        DocumentServices services;
        services.make_store = [this, contacts, categories](Document&) {
            auto s = std::make_unique<FakeStore>();
            s->contacts = contacts;
            s->category_names = categories;
            store = s.get();
            return s;
        };
        auto log = std::make_unique<FakeCallLog>();
        log->calls = initial_calls;
        call_log = log.get();
        services.call_log = std::move(log);
        services.keypad_map_path = platform::from_utf8(map.string());
        services.passes_category = velvane::passes_category;
        services.make_line = make_line;
        document = std::make_unique<Document>(std::move(services));
        document->load();
    }

    // Runs the UI thread's loop for ms of program time; every timer due by then has run.
    void run_for(uint32_t ms) {
        const uint32_t until = platform::tick_count() + ms;
        platform::WindowHandle stopper = platform::create_window(u"ScreenTestStopper", u"");
        platform::set_timer(stopper, 1, ms);
        platform::Message m;
        while (platform::get_message(m) && m.window != stopper) {
            platform::dispatch_message(m);
        }
        platform::destroy_window(stopper);
        EXPECT_EQ(platform::tick_count(), until);
    }

    static zentra::PointerEvent pointer(int x, int y, bool pressed) {
        zentra::PointerEvent e;
        e.x = x;
        e.y = y;
        e.pressed = pressed;
        return e;
    }
    static void tap(zentra::Node& root, int x, int y) {
        root.on_pointer(pointer(x, y, true));
        root.on_pointer(pointer(x, y, false));
    }

    test_support::TempHome home;
    std::unique_ptr<CActiveScheduler> scheduler;
    std::unique_ptr<Application> application;
    zentra::Properties skin;
    FakeStore* store = nullptr;
    // The call log the Document reads, newest first.
    std::vector<RecentCall> initial_calls;
    FakeCallLog* call_log = nullptr;
    std::unique_ptr<Document> document;
    std::unique_ptr<contacts_test::Recorder> view;
    // The Document's line handler, when a test wants one.
    std::function<std::unique_ptr<LineHandler>(Document&)> make_line;
};

}  // namespace screens_test
