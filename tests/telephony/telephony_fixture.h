#pragma once
// A Document with its Telephone on the simulated phone, inside a private home, on this thread
// as the UI thread: line events and timers run when the test moves the virtual clock and
// dispatches the queue, as the program's loop would.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/active.h"
#include "core/registry.h"
#include "contacts/document.h"
#include "contacts/recent_call.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/phone_call.h"
#include "platform/phone_engine_sim.h"
#include "telephony/phone_manager.h"
#include "telephony/telephone.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_home.h"

namespace telephony_test {

using namespace velvane;

class FakeStore : public ContactSource {
public:
    std::vector<Contact> contacts;
    void load_all(std::vector<Contact>& out) override { out = contacts; }
    std::optional<Contact> read_one(uint32_t id) override {
        for (const Contact& c : contacts) {
            if (c.object_id == id) return c;
        }
        return std::nullopt;
    }
    bool save(const Contact&) override { return true; }
    void read_categories(std::vector<WString>&) override {}
};

// The call hints in the order they came.
class CallHints : public DocumentView {
public:
    std::vector<std::string> hints;
    void on_document_refresh(const RefreshHint& h) override {
        if (h.call_offered) hints.push_back("offered");
        if (h.call_dialing) hints.push_back("dialing");
        if (h.call_connected) hints.push_back("connected");
        if (h.call_ended) hints.push_back("ended");
        if (h.caller_changed) hints.push_back("caller");
        if (h.is_load_done) hints.push_back("log read");
    }
    std::vector<std::string> take() { return std::exchange(hints, {}); }
    int count(const std::string& what) const {
        return static_cast<int>(std::count(hints.begin(), hints.end(), what));
    }
};

struct WindowCalls {
    int to_front = 0;
    int redraws = 0;
    int minimised = 0;
    int rests = 0;
};

inline constexpr char16_t kAnnaNumber[] = u"+49301234567";
inline constexpr uint32_t kAnnaId = 7;

class TelephonyTest : public testing::Test {
protected:
    test_support::TempHome home;
    std::shared_ptr<platform::SimulatedPhoneEngine> engine;
    std::unique_ptr<CActiveScheduler> scheduler;
    std::unique_ptr<Document> document;
    std::unique_ptr<CallHints> view;
    Telephone* phone = nullptr;
    WindowCalls window;
    std::string history_file;
    bool loudspeaker = true;

    void SetUp() override {
        platform::use_virtual_clock(true);
        platform::Message m;
        while (platform::peek_message(m)) {
        }
        write_dword(u"HKEY_CURRENT_USER\\Software\\Quorr", u"Log", 1);
        start_new_log();
        scheduler = std::make_unique<CActiveScheduler>(u"TelephonyTest");
        history_file = (home.root() / "clog.db").string();
    }

    void TearDown() override {
        view.reset();
        document.reset();
        platform::set_current_phone_engine(nullptr);
        engine.reset();
        scheduler.reset();
        platform::use_virtual_clock(false);
    }

    // The log is process-wide: switching it off and on starts this test's own file.
    static void start_new_log() {
        write_dword(u"HKEY_CURRENT_USER\\Software\\Quorr", u"Log", 0);
        log();
        write_dword(u"HKEY_CURRENT_USER\\Software\\Quorr", u"Log", 1);
        log();
    }

    void start_engine() {
        platform::SimulatedPhoneEngine::Options options;
        options.history_file = history_file;
        options.loudspeaker = loudspeaker;
        engine = std::make_shared<platform::SimulatedPhoneEngine>(options);
        platform::set_current_phone_engine(engine);
    }

    // Engine (unless told not to), Document with Anna Smith, loaded, and a view.
    void open(bool with_engine = true) {
        if (with_engine) start_engine();
        DocumentServices services;
        services.make_store = [](Document&) {
            auto store = std::make_unique<FakeStore>();
            Contact anna;
            anna.object_id = kAnnaId;
            anna.first_name = u"Anna";
            anna.last_name = u"Smith";
            anna.fields.push_back({FieldKind::Mobile, kAnnaNumber});
            store->contacts.push_back(anna);
            return store;
        };
        services.call_log = std::make_unique<CallLog>(history_file);
        services.make_line = [this](Document& d) {
            ProgramWindow hooks;
            hooks.bring_to_front = [this] { ++window.to_front; };
            hooks.redraw = [this] { ++window.redraws; };
            hooks.minimize = [this] { ++window.minimised; };
            hooks.rest_frames = [this] { ++window.rests; };
            auto line = std::make_unique<Telephone>(d, hooks);
            phone = line.get();
            return line;
        };
        services.keypad_map_path = platform::from_utf8((home.root() / "none.txt").string());
        document = std::make_unique<Document>(std::move(services));
        document->load();
        view = std::make_unique<CallHints>();
    }

    // Runs what is ready now: line events, timers due, active objects.
    static void settle() {
        while (platform::dispatch_pending_messages() > 0) {
        }
    }

    // Moves the virtual clock on in 100 ms steps, running everything due at each.
    void advance(uint32_t ms) {
        settle();
        for (uint32_t done = 0; done < ms; done += 100) {
            platform::advance_virtual_clock(std::min<uint32_t>(100, ms - done));
            settle();
        }
    }

    // The simulated modem moves on its own thread: waits (in real time) until its status
    // shows what the test expects, then runs the events it posted.
    bool wait_for_engine(const std::string& text) {
        if (!test_support::eventually(
                [&] { return engine->status().find(text) != std::string::npos; })) {
            return false;
        }
        settle();
        return true;
    }

    bool ring(const std::u16string& number, const std::u16string& name = u"") {
        std::string reply;
        const bool ok = engine->ring(number, name, reply);
        settle();
        return ok;
    }
    bool far_end(bool (platform::SimulatedPhoneEngine::*action)(std::string&)) {
        std::string reply;
        const bool ok = ((*engine).*action)(reply);
        settle();
        return ok;
    }

    std::u16string log_text() {
        log().flush();
        const std::string bytes =
            test_support::read_bytes(home.home() / "Documents/telephony_tests.txt");
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        return text;
    }
    // The log's lines that begin with prefix, in order.
    std::vector<std::string> log_lines(std::u16string_view prefix) {
        std::vector<std::string> out;
        const std::u16string text = log_text();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(u'\n', start);
            if (end == std::u16string::npos) end = text.size();
            const std::u16string_view line(text.data() + start, end - start);
            if (line.starts_with(prefix)) out.push_back(platform::to_utf8(line));
            start = end + 1;
        }
        return out;
    }

    platform::WindowHandle incoming_window() const { return engine->windows().incoming(); }
    platform::WindowHandle outgoing_window() const { return engine->windows().outgoing(); }
};

}  // namespace telephony_test
