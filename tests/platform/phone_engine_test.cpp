#include "platform/phone_engine_sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "platform/call_history.h"
#include "platform/messages.h"
#include "platform/phone_call.h"
#include "platform/phone_engine_control.h"
#include "platform/registry_store.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_home.h"

namespace {

using namespace platform;

struct LineEvent {
    uint32_t device;
    uint32_t message;
    uintptr_t instance;
    uintptr_t param1;
    uintptr_t param2;
    uintptr_t param3;
    ThreadId thread;
};

constexpr uintptr_t kInstance = 0xC0FFEE;

// One application on the line, as the program's line handler is: initialised and opened on
// the test thread, which then pumps its queue for the events.
class PhoneEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        SimulatedPhoneEngine::Options options;
        options.dialing_delay_ms = 20;
        m_engine = std::make_shared<SimulatedPhoneEngine>(options);
        set_current_phone_engine(m_engine);
        uint32_t devices = 0;
        uint32_t version = 0x00020002;
        ASSERT_EQ(m_engine->line_initialize_ex(m_app, recorder(), u"Velvane", devices, version, {}),
                  LINE_OK);
        EXPECT_EQ(devices, 1u);
        LineExtensionId extension;
        ASSERT_EQ(m_engine->line_negotiate_api_version(m_app, 0, 0x00020000, 0x00020002, m_version,
                                                       extension),
                  LINE_OK);
        ASSERT_EQ(m_engine->line_open(m_app, 0, m_line, m_version, 0, kInstance,
                                      LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER,
                                      LINEMEDIAMODE_INTERACTIVEVOICE),
                  LINE_OK);
    }

    void TearDown() override {
        set_current_phone_engine(nullptr);
        m_engine.reset();
        dispatch_pending_messages();
    }

    LineCallback recorder() {
        return [this](uint32_t device, uint32_t message, uintptr_t instance, uintptr_t p1,
                      uintptr_t p2, uintptr_t p3) {
            m_events.push_back({device, message, instance, p1, p2, p3, current_thread_id()});
            if (m_on_event) {
                m_on_event(m_events.back());
            }
        };
    }

    template <typename Done>
    bool pump_until(Done done) {
        return test_support::eventually([&] {
            dispatch_pending_messages();
            return done();
        });
    }

    bool saw_state(CallHandle call, uint32_t state) const {
        for (const LineEvent& e : m_events) {
            if (e.message == LINE_CALLSTATE && e.device == call && e.param1 == state) {
                return true;
            }
        }
        return false;
    }

    bool wait_state(CallHandle call, uint32_t state) {
        return pump_until([&] { return saw_state(call, state); });
    }

    // The call states reported for one call, in order.
    std::vector<uint32_t> states_of(CallHandle call) const {
        std::vector<uint32_t> states;
        for (const LineEvent& e : m_events) {
            if (e.message == LINE_CALLSTATE && e.device == call) {
                states.push_back(static_cast<uint32_t>(e.param1));
            }
        }
        return states;
    }

    CallHandle newest_call() const {
        for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
            if (it->message == LINE_APPNEWCALL) {
                return static_cast<CallHandle>(it->param2);
            }
        }
        return 0;
    }

    std::string command(const std::vector<std::string>& words) {
        std::string reply;
        EXPECT_TRUE(m_engine->command(words, reply)) << reply;
        return reply;
    }

    std::vector<CallLogEntry> history() {
        CallHistory log(CallHistory::default_file());
        return log.read_entries().value_or(std::vector<CallLogEntry>{});
    }

    std::optional<uint32_t> missed_count() {
        auto value = RegistryStore::user().get(kPhoneStateKey, kMissedCallCount);
        if (!value || value->type != RegistryType::dword) {
            return std::nullopt;
        }
        return value->dword;
    }

    test_support::TempHome m_home;
    std::shared_ptr<SimulatedPhoneEngine> m_engine;
    LineAppHandle m_app = 0;
    LineHandle m_line = 0;
    uint32_t m_version = 0;
    std::vector<LineEvent> m_events;
    std::function<void(const LineEvent&)> m_on_event;
};

TEST_F(PhoneEngineTest, IncomingCallRingsIsAnsweredByTalkKeyAndEndsInHistory) {
    // Take the call as the line handler does: owner, accept, at the new-call message.
    m_on_event = [this](const LineEvent& e) {
        if (e.message == LINE_APPNEWCALL) {
            EXPECT_EQ(e.device, m_line);
            EXPECT_EQ(e.param3, LINECALLPRIVILEGE_OWNER);
            EXPECT_EQ(m_engine->line_set_call_privilege(e.param2, LINECALLPRIVILEGE_OWNER),
                      LINE_OK);
            EXPECT_EQ(m_engine->line_accept(e.param2), LINE_OK);
        }
    };
    command({"ring", "+4930123456", "--name", "Anna Berg"});
    const StockPhoneWindows& windows = m_engine->windows();
    EXPECT_TRUE(is_window_visible(windows.incoming()));
    EXPECT_TRUE(is_window_visible(find_menu_bar(windows.incoming())));
    ASSERT_TRUE(pump_until([&] { return m_events.size() >= 3; }));
    const CallHandle call = newest_call();
    ASSERT_NE(call, 0u);
    EXPECT_EQ(m_events[0].message, LINE_APPNEWCALL);
    EXPECT_EQ(m_events[1].message, LINE_CALLINFO);
    EXPECT_EQ(m_events[1].device, call);
    EXPECT_EQ(m_events[1].param1, LINECALLINFOSTATE_CALLERID);
    EXPECT_EQ(m_events[2].message, LINE_CALLSTATE);
    EXPECT_EQ(m_events[2].param1, LINECALLSTATE_OFFERING);
    for (const LineEvent& e : m_events) {
        EXPECT_EQ(e.instance, kInstance);
        EXPECT_EQ(e.thread, current_thread_id());
    }

    LineCallInfo info;
    info.total_size = 328;
    ASSERT_EQ(m_engine->line_get_call_info(call, info), LINE_OK);
    EXPECT_EQ(info.caller_id_flags, LINECALLPARTYID_ADDRESS);
    EXPECT_EQ(info.caller_id, u"+4930123456");
    EXPECT_EQ(info.caller_id_size, 24u);
    EXPECT_EQ(info.origin, LINECALLORIGIN_INBOUND);

    // The key does nothing while the phone program's window is hidden.
    show_window(windows.incoming(), SW_HIDE);
    keybd_event(VK_TTALK, 0);
    keybd_event(VK_TTALK, KEYEVENTF_KEYUP);
    dispatch_pending_messages();
    EXPECT_FALSE(saw_state(call, LINECALLSTATE_CONNECTED));

    show_window(windows.incoming(), 13);
    keybd_event(VK_TTALK, 0);
    keybd_event(VK_TTALK, KEYEVENTF_KEYUP);
    ASSERT_TRUE(wait_state(call, LINECALLSTATE_CONNECTED));
    EXPECT_FALSE(is_window_visible(windows.incoming()));
    EXPECT_TRUE(is_window_visible(windows.outgoing()));
    EXPECT_NE(m_engine->status().find("CONNECTED"), std::string::npos);

    command({"hangup"});
    ASSERT_TRUE(wait_state(call, LINECALLSTATE_IDLE));
    EXPECT_EQ(states_of(call),
              (std::vector<uint32_t>{LINECALLSTATE_OFFERING, LINECALLSTATE_CONNECTED,
                                     LINECALLSTATE_DISCONNECTED, LINECALLSTATE_IDLE}));
    EXPECT_FALSE(is_window_visible(windows.outgoing()));

    const auto entries = history();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].direction, kCallIncoming);
    EXPECT_EQ(entries[0].number, u"+4930123456");
    EXPECT_EQ(entries[0].name, u"Anna Berg");
    EXPECT_LE(entries[0].start, entries[0].end);
    EXPECT_FALSE(missed_count().has_value());

    // The line handler then lets go of the call as it does after a disconnection.
    EXPECT_EQ(m_engine->line_drop(call), LINE_OK);
    EXPECT_EQ(m_engine->line_deallocate_call(call), LINE_OK);
    EXPECT_EQ(m_engine->line_drop(call), LINEERR_INVALCALLHANDLE);
    EXPECT_NE(m_engine->status().find("calls 0"), std::string::npos);
}

TEST_F(PhoneEngineTest, OutgoingCallDialsProceedsConnectsTakesDigitsAndIsDropped) {
    // Stored as people write it: the blanks, brackets and dash only group the digits.
    ASSERT_TRUE(make_call(u"(030) 12-34"));
    ASSERT_TRUE(pump_until([&] { return newest_call() != 0; }));
    const CallHandle call = newest_call();
    EXPECT_TRUE(is_window_visible(m_engine->windows().outgoing()));
    ASSERT_TRUE(wait_state(call, LINECALLSTATE_PROCEEDING));

    LineCallInfo info;
    info.total_size = 328;
    ASSERT_EQ(m_engine->line_get_call_info(call, info), LINE_OK);
    EXPECT_EQ(info.origin, LINECALLORIGIN_OUTBOUND);
    // Our own number is not the caller's: the handler must not take it as one.
    EXPECT_NE(info.caller_id_flags, LINECALLPARTYID_ADDRESS);
    EXPECT_EQ(info.called_id, u"0301234");

    EXPECT_EQ(m_engine->line_generate_digits(call, LINEDIGITMODE_DTMF, u"1", 0),
              LINEERR_INVALCALLSTATE);
    EXPECT_EQ(m_engine->line_hold(call), LINEERR_INVALCALLSTATE);
    command({"answer"});
    ASSERT_TRUE(wait_state(call, LINECALLSTATE_CONNECTED));

    for (const char16_t* digit : {u"1", u"2", u"#"}) {
        EXPECT_EQ(m_engine->line_generate_digits(call, LINEDIGITMODE_DTMF, digit, 0), LINE_OK);
    }
    EXPECT_EQ(m_engine->line_generate_digits(call, LINEDIGITMODE_DTMF, u"x", 0),
              LINEERR_INVALDIGITS);
    EXPECT_EQ(m_engine->line_generate_digits(call, 9, u"1", 0), LINEERR_INVALDIGITMODE);
    EXPECT_NE(m_engine->status().find("digits=12#"), std::string::npos);

    EXPECT_EQ(m_engine->line_hold(call), LINE_OK);
    EXPECT_EQ(m_engine->line_unhold(call), LINE_OK);
    EXPECT_EQ(m_engine->line_unhold(call), LINEERR_INVALCALLSTATE);

    EXPECT_EQ(m_engine->line_drop(call), LINE_OK);
    ASSERT_TRUE(wait_state(call, LINECALLSTATE_IDLE));
    EXPECT_EQ(states_of(call),
              (std::vector<uint32_t>{LINECALLSTATE_DIALING, LINECALLSTATE_PROCEEDING,
                                     LINECALLSTATE_CONNECTED, LINECALLSTATE_ONHOLD,
                                     LINECALLSTATE_CONNECTED, LINECALLSTATE_DISCONNECTED,
                                     LINECALLSTATE_IDLE}));
    EXPECT_FALSE(is_window_visible(m_engine->windows().outgoing()));
    EXPECT_NE(
        m_engine->status().find("ended " + std::to_string(call) + " outgoing 0301234 digits=12#"),
        std::string::npos);
    const auto entries = history();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].direction, kCallOutgoing);
    EXPECT_EQ(entries[0].number, u"0301234");
}

TEST_F(PhoneEngineTest, UnansweredCallsAreMissedAndRaiseTheCount) {
    ASSERT_TRUE(
        RegistryStore::user().set(kPhoneStateKey, kMissedCallCount, RegistryValue::of_dword(4)));
    command({"ring", "555"});
    command({"hangup"});
    command({"ring", "--hidden"});
    ASSERT_TRUE(pump_until([&] { return m_events.size() >= 7; }));
    // The withheld caller: blocked, no text.
    LineCallInfo info;
    info.total_size = 328;
    ASSERT_EQ(m_engine->line_get_call_info(newest_call(), info), LINE_OK);
    EXPECT_EQ(info.caller_id_flags, LINECALLPARTYID_BLOCKED);
    EXPECT_TRUE(info.caller_id.empty());
    EXPECT_EQ(info.caller_id_size, 0u);
    command({"hangup"});
    ASSERT_TRUE(wait_state(newest_call(), LINECALLSTATE_IDLE));

    const auto entries = history();
    ASSERT_EQ(entries.size(), 2u);
    for (const CallLogEntry& entry : entries) {
        EXPECT_EQ(entry.direction, kCallMissed);
    }
    EXPECT_TRUE(entries[0].number.empty() || entries[1].number.empty());
    EXPECT_EQ(missed_count(), 6u);
    EXPECT_FALSE(is_window_visible(m_engine->windows().incoming()));
}

TEST_F(PhoneEngineTest, BusyOrUnreachableFarEndEndsTheOutgoingCall) {
    std::string reply;
    EXPECT_FALSE(m_engine->command({"busy"}, reply));
    ASSERT_TRUE(make_call(u"*#06#"));
    ASSERT_TRUE(pump_until([&] { return newest_call() != 0; }));
    const CallHandle call = newest_call();
    command({"busy"});
    ASSERT_TRUE(wait_state(call, LINECALLSTATE_IDLE));
    EXPECT_EQ(states_of(call),
              (std::vector<uint32_t>{LINECALLSTATE_DIALING, LINECALLSTATE_BUSY,
                                     LINECALLSTATE_DISCONNECTED, LINECALLSTATE_IDLE}));
    for (const LineEvent& e : m_events) {
        if (e.message == LINE_CALLSTATE && e.param1 == LINECALLSTATE_DISCONNECTED) {
            EXPECT_EQ(e.param2, LINEDISCONNECTMODE_BUSY);
        }
    }
    // A late step of the modem must not bring the ended call back.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    dispatch_pending_messages();
    EXPECT_EQ(states_of(call).size(), 4u);
    ASSERT_EQ(history().size(), 1u);
    EXPECT_EQ(history()[0].direction, kCallOutgoing);

    ASSERT_TRUE(make_call(u"0301234"));
    ASSERT_TRUE(pump_until([&] { return newest_call() != call; }));
    const CallHandle failed = newest_call();
    ASSERT_TRUE(wait_state(failed, LINECALLSTATE_PROCEEDING));
    command({"unreachable"});
    ASSERT_TRUE(wait_state(failed, LINECALLSTATE_IDLE));
    EXPECT_EQ(states_of(failed),
              (std::vector<uint32_t>{LINECALLSTATE_DIALING, LINECALLSTATE_PROCEEDING,
                                     LINECALLSTATE_SPECIALINFO, LINECALLSTATE_DISCONNECTED,
                                     LINECALLSTATE_IDLE}));
    EXPECT_FALSE(is_window_visible(m_engine->windows().outgoing()));
}

TEST_F(PhoneEngineTest, SecondCallDroppedWhileOneIsFollowedIsMissedAndLeavesTheFirst) {
    CallHandle followed = 0;
    m_on_event = [&](const LineEvent& e) {
        if (e.message != LINE_APPNEWCALL) {
            return;
        }
        if (followed == 0) {
            followed = e.param2;
            m_engine->line_accept(e.param2);
        } else {
            EXPECT_EQ(m_engine->line_drop(e.param2), LINE_OK);
        }
    };
    command({"ring", "111"});
    ASSERT_TRUE(pump_until([&] { return followed != 0; }));
    command({"ring", "222"});
    ASSERT_TRUE(pump_until([&] { return newest_call() != followed; }));
    const CallHandle second = newest_call();
    ASSERT_TRUE(wait_state(second, LINECALLSTATE_IDLE));
    for (const LineEvent& e : m_events) {
        if (e.device == second && e.message == LINE_CALLSTATE &&
            e.param1 == LINECALLSTATE_DISCONNECTED) {
            EXPECT_EQ(e.param2, LINEDISCONNECTMODE_REJECT);
        }
    }
    // The first still rings and its window still shows.
    EXPECT_FALSE(saw_state(followed, LINECALLSTATE_DISCONNECTED));
    EXPECT_TRUE(is_window_visible(m_engine->windows().incoming()));
    ASSERT_EQ(history().size(), 1u);
    EXPECT_EQ(history()[0].number, u"222");
    EXPECT_EQ(history()[0].direction, kCallMissed);
}

TEST_F(PhoneEngineTest, CallInfoGrowsWithTheCallerNumber) {
    command({"ring", "+49301234567890123456"});
    ASSERT_TRUE(pump_until([&] { return newest_call() != 0; }));
    const CallHandle call = newest_call();
    LineCallInfo info;
    info.total_size = 100;
    EXPECT_EQ(m_engine->line_get_call_info(call, info), LINEERR_STRUCTURETOOSMALL);
    EXPECT_EQ(info.needed_size, kLineCallInfoFixedSize + 44);

    // Room for the fixed part only: success, but the text is left out.
    info = {};
    info.total_size = 328;
    ASSERT_EQ(m_engine->line_get_call_info(call, info), LINE_OK);
    EXPECT_GT(info.needed_size, info.used_size);
    EXPECT_EQ(info.caller_id_size, 0u);
    EXPECT_TRUE(info.caller_id.empty());

    const uint32_t needed = info.needed_size;
    info = {};
    info.total_size = needed;
    ASSERT_EQ(m_engine->line_get_call_info(call, info), LINE_OK);
    EXPECT_EQ(info.used_size, needed);
    EXPECT_EQ(info.caller_id, u"+49301234567890123456");
    EXPECT_EQ(info.caller_id_size / 2 - 1, info.caller_id.size());
}

TEST_F(PhoneEngineTest, MuteUssdAndLoudspeakerAreRecorded) {
    EXPECT_EQ(m_engine->cellular_set_mute(kMuteOn), LINE_OK);
    EXPECT_EQ(m_engine->cellular_set_mute(7), LINEERR_INVALPARAM);
    EXPECT_TRUE(m_engine->set_loudspeaker(true));
    const WString code = u"*100#";
    EXPECT_EQ(m_engine->cellular_send_ussd(m_line, code, 10, 0), LINE_OK);
    // A byte count beyond the text, or a line nobody opened, is refused.
    EXPECT_EQ(m_engine->cellular_send_ussd(m_line, code, 400, 0), LINEERR_INVALPARAM);
    EXPECT_EQ(m_engine->cellular_send_ussd(m_line + 1000, code, 10, 0), LINEERR_INVALLINEHANDLE);
    const std::string status = m_engine->status();
    EXPECT_NE(status.find("ussd *100#\n"), std::string::npos);
    EXPECT_NE(status.find("mute on\n"), std::string::npos);
    EXPECT_NE(status.find("loudspeaker on\n"), std::string::npos);
    EXPECT_EQ(status.find("ussd *100#\nussd"), std::string::npos);

    SimulatedPhoneEngine::Options options;
    options.loudspeaker = false;
    auto quiet = std::make_shared<SimulatedPhoneEngine>(options);
    EXPECT_FALSE(quiet->set_loudspeaker(true));
}

TEST_F(PhoneEngineTest, LineSetUpRefusesWhatTheLineDoesNotOffer) {
    LineExtensionId extension;
    uint32_t version = 0;
    EXPECT_EQ(
        m_engine->line_negotiate_api_version(m_app, 1, 0x00020000, 0x00020002, version, extension),
        LINEERR_BADDEVICEID);
    EXPECT_EQ(
        m_engine->line_negotiate_api_version(m_app, 0, 0x00030000, 0x00030001, version, extension),
        LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(m_engine->line_negotiate_api_version(m_app + 999, 0, 0x00020000, 0x00020002, version,
                                                   extension),
              LINEERR_INVALAPPHANDLE);
    LineHandle line = 0;
    EXPECT_EQ(m_engine->line_open(m_app, 0, line, m_version, 0, 0, 6, 4), LINEERR_ALLOCATED);
    EXPECT_EQ(m_engine->line_close(m_line), LINE_OK);
    EXPECT_EQ(m_engine->line_close(m_line), LINEERR_INVALLINEHANDLE);
    EXPECT_EQ(m_engine->line_open(m_app, 0, line, m_version, 0, 0, 6, 0), LINEERR_INVALMEDIAMODE);
    EXPECT_EQ(m_engine->line_open(m_app, 0, line, m_version, 0, 0, 6, 4), LINE_OK);
    EXPECT_NE(line, m_line);

    // Without shared ownership events could outlive the engine, so it refuses.
    SimulatedPhoneEngine loose;
    LineAppHandle app = 0;
    uint32_t devices = 0;
    version = 0x00020002;
    EXPECT_EQ(loose.line_initialize_ex(app, recorder(), u"x", devices, version, {}),
              LINEERR_OPERATIONFAILED);
    EXPECT_FALSE(make_call(u"12a"));
    EXPECT_FALSE(make_call(u""));
    EXPECT_FALSE(make_call(u" - ()")) << "nothing to dial";
}

TEST_F(PhoneEngineTest, ShutdownDropsEventsNotYetHandled) {
    command({"ring", "555"});
    const size_t hidden_windows = top_level_windows().size();
    ASSERT_EQ(m_engine->line_shutdown(m_app), LINE_OK);
    EXPECT_EQ(top_level_windows().size(), hidden_windows - 1);
    dispatch_pending_messages();
    EXPECT_TRUE(m_events.empty());
    EXPECT_EQ(m_engine->line_shutdown(m_app), LINEERR_INVALAPPHANDLE);
    // The phone program still has the call; it ends without anyone on the line.
    command({"hangup"});
    EXPECT_EQ(history().size(), 1u);
}

TEST_F(PhoneEngineTest, EventsGoToTheThreadNamedAtInitialisation) {
    // Set up on a worker, delivered here: the line handler's start-up case.
    const ThreadId here = current_thread_id();
    auto worker = std::async(std::launch::async, [&] {
        LineAppHandle app = 0;
        uint32_t devices = 0;
        uint32_t version = 0x00020002;
        LineInitializeParams params;
        params.callback_thread = here;
        EXPECT_EQ(m_engine->line_initialize_ex(app, recorder(), u"x", devices, version, params),
                  LINE_OK);
        LineHandle line = 0;
        EXPECT_EQ(m_engine->line_open(app, 0, line, 0x00020002, 0, 7, 6, 4), LINE_OK);
        return app;
    });
    const LineAppHandle worker_app = worker.get();
    EXPECT_EQ(m_engine->line_shutdown(m_app), LINE_OK);
    command({"ring", "555"});
    ASSERT_TRUE(pump_until([&] { return m_events.size() >= 3; }));
    for (const LineEvent& e : m_events) {
        EXPECT_EQ(e.thread, here);
        EXPECT_EQ(e.instance, 7u);
    }
    // Shut down from another thread again: its window goes without that thread owning it.
    const size_t windows = top_level_windows().size();
    std::async(std::launch::async, [&] {
        EXPECT_EQ(m_engine->line_shutdown(worker_app), LINE_OK);
    }).get();
    EXPECT_EQ(top_level_windows().size(), windows - 1);

    LineInitializeParams params;
    params.callback_thread = 0xFFFFFF;  // a thread with no queue
    LineAppHandle app = 0;
    uint32_t devices = 0;
    uint32_t version = 0x00020002;
    EXPECT_EQ(m_engine->line_initialize_ex(app, recorder(), u"x", devices, version, params),
              LINEERR_OPERATIONFAILED);
}

TEST_F(PhoneEngineTest, CommandsRefuseWhatTheyDoNotTake) {
    std::string reply;
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"dance"},
        {"ring"},
        {"ring", "555", "--hidden"},
        {"ring", "12ab"},
        {"ring", "555", "--name"},
        {"ring", "555", "666"},
        {"ring", std::string(41, '1')},
        {"ring", "555", "--name", std::string(65, 'a')},
        {"answer"},
        {"hangup"},
        {"status", "now"},
    };
    for (const auto& words : bad) {
        EXPECT_FALSE(m_engine->command(words, reply)) << (words.empty() ? "" : words[0]);
        EXPECT_FALSE(reply.empty());
    }
    for (int i = 0; i < 8; ++i) {
        command({"ring", "5"});
    }
    EXPECT_FALSE(m_engine->command({"ring", "5"}, reply));
    EXPECT_FALSE(make_call(u"5"));
    EXPECT_NE(m_engine->status().find("calls 8\n"), std::string::npos);
}

TEST(PhoneEngineCurrent, MakeCallFollowsTheCurrentEngine) {
    test_support::TempHome home;
    int placed = 0;
    set_make_call_function([&](WStringView) { return ++placed > 0; });
    auto engine = std::make_shared<SimulatedPhoneEngine>();
    set_current_phone_engine(engine);
    EXPECT_TRUE(make_call(u"112"));
    EXPECT_EQ(placed, 0);
    std::string reply;
    EXPECT_TRUE(phone_command({"status"}, reply));
    EXPECT_NE(reply.find("outgoing 112 DIALING"), std::string::npos);
    set_current_phone_engine(nullptr);
    EXPECT_FALSE(phone_command({"status"}, reply));
    // What placed calls before comes back.
    EXPECT_TRUE(make_call(u"112"));
    EXPECT_EQ(placed, 1);
    set_make_call_function(nullptr);
}

}  // namespace
