#include "platform/phone_engine_sip.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <sys/stat.h>

#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "platform/call_history.h"
#include "platform/messages.h"
#include "tests/support/eventually.h"
#include "tests/support/sip_peer.h"
#include "tests/support/temp_home.h"

namespace {

using namespace platform;
using test_support::SipPeer;

struct LineEvent {
    uint32_t device;
    uint32_t message;
    uintptr_t param1;
    uintptr_t param2;
};

// The engine with one application on the line, opened on the test thread, which pumps its
// queue for the events. What goes wrong must end the call on the line, once, with a log line.
class SipEngineFaults : public ::testing::Test {
protected:
    void start(SipPhoneEngine::Options options) {
        options.folder = (m_home.root() / "agent").string();
        options.audio_source = "ausine,440";
        options.audio_player = "aufile," + (m_home.root() / "heard.wav").string();
        options.log = [this](const std::string& line) {
            std::lock_guard lock(m_log_mutex);
            m_log.push_back(line);
        };
        m_engine = std::make_shared<SipPhoneEngine>(std::move(options));
        uint32_t devices = 0;
        uint32_t version = 0x00020002;
        ASSERT_EQ(m_engine->line_initialize_ex(m_app,
                                               [this](uint32_t device, uint32_t message, uintptr_t,
                                                      uintptr_t p1, uintptr_t p2, uintptr_t) {
                                                   m_events.push_back({device, message, p1, p2});
                                               },
                                               u"Velvane", devices, version, {}),
                  LINE_OK);
        LineExtensionId extension;
        ASSERT_EQ(m_engine->line_negotiate_api_version(m_app, 0, 0x00020000, 0x00020002, version,
                                                       extension),
                  LINE_OK);
        ASSERT_EQ(m_engine->line_open(m_app, 0, m_line, version, 0, 0,
                                      LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER,
                                      LINEMEDIAMODE_INTERACTIVEVOICE),
                  LINE_OK);
    }

    void TearDown() override {
        m_engine.reset();
        dispatch_pending_messages();
    }

    // The next call the line reports, 0 when none comes.
    CallHandle next_call() {
        CallHandle call = 0;
        test_support::eventually([&] {
            dispatch_pending_messages();
            for (; m_seen < m_events.size(); ++m_seen) {
                if (m_events[m_seen].message == LINE_APPNEWCALL) {
                    call = static_cast<CallHandle>(m_events[m_seen++].param2);
                    return true;
                }
            }
            return false;
        });
        return call;
    }

    // The states reported for a call, each with its mode.
    std::vector<std::pair<uint32_t, uint32_t>> states_of(CallHandle call) const {
        std::vector<std::pair<uint32_t, uint32_t>> states;
        for (const LineEvent& e : m_events) {
            if (e.message == LINE_CALLSTATE && e.device == call) {
                states.emplace_back(static_cast<uint32_t>(e.param1),
                                    static_cast<uint32_t>(e.param2));
            }
        }
        return states;
    }

    bool wait_state(CallHandle call, uint32_t state) {
        return test_support::eventually(
            [&] {
                dispatch_pending_messages();
                for (const auto& [s, mode] : states_of(call)) {
                    if (s == state) {
                        return true;
                    }
                }
                return false;
            },
            std::chrono::seconds(30));
    }

    bool status_shows(const std::string& text) {
        return test_support::eventually(
            [&] { return m_engine->status().find(text) != std::string::npos; },
            std::chrono::seconds(30));
    }

    bool logged(const std::string& text) {
        std::lock_guard lock(m_log_mutex);
        for (const std::string& line : m_log) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::vector<CallLogEntry> history() {
        CallHistory log(CallHistory::default_file());
        return log.read_entries().value_or(std::vector<CallLogEntry>{});
    }

    test_support::TempHome m_home;
    std::shared_ptr<SipPhoneEngine> m_engine;
    LineAppHandle m_app = 0;
    LineHandle m_line = 0;
    std::vector<LineEvent> m_events;
    size_t m_seen = 0;
    std::mutex m_log_mutex;
    std::vector<std::string> m_log;
};

TEST_F(SipEngineFaults, AnAgentThatCannotStartFailsTheCallAtOnceAndSaysWhy) {
    SipPhoneEngine::Options options;
    options.program = (m_home.root() / "no-such-agent").string();
    options.dial_domain = "example.org";
    start(options);
    ASSERT_TRUE(status_shows("agent cannot start: " + options.program + " not found"))
        << m_engine->status();
    ASSERT_TRUE(m_engine->make_call(u"555 0101"));
    const CallHandle call = next_call();
    ASSERT_NE(call, 0u);
    ASSERT_TRUE(wait_state(call, LINECALLSTATE_IDLE));
    EXPECT_EQ(states_of(call), (std::vector<std::pair<uint32_t, uint32_t>>{
                                   {LINECALLSTATE_DIALING, 0},
                                   {LINECALLSTATE_SPECIALINFO, 0},
                                   {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL},
                                   {LINECALLSTATE_IDLE, 0}}));
    EXPECT_TRUE(logged("no user agent to dial sip:5550101@example.org"));
    ASSERT_EQ(history().size(), 1u);
    EXPECT_EQ(history()[0].direction, kCallOutgoing);
    EXPECT_FALSE(m_engine->make_call(u"12ab")) << "not a number";
}

TEST_F(SipEngineFaults, APasswordIsTakenOnlyFromAPrivateFileAndOnlyWhenAnAccountLineCanCarryIt) {
    struct Case {
        const char* content;
        int mode;
        const char* password;
        const char* error;
    };
    const Case cases[] = {
        {"s3cret\n", 0600, "s3cret", ""},
        {"s3cret\n", 0640, "", "others may read it"},
        {"", 0600, "", ""},
    };
    const std::string file = (m_home.root() / "sip-password").string();
    for (const Case& c : cases) {
        std::ofstream(file, std::ios::trunc) << c.content;
        ::chmod(file.c_str(), static_cast<mode_t>(c.mode));
        std::string error;
        EXPECT_EQ(read_sip_password(file, error), c.password) << c.content;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(error.empty(), std::string(c.error).empty()) << error;
    }
    std::string error;
    EXPECT_EQ(read_sip_password(file + ".missing", error), "");
    EXPECT_EQ(error, "") << "no file is no password, not a fault";

    SipPhoneEngine::Options options;
    options.program = (m_home.root() / "no-such-agent").string();
    options.password = "two words";
    start(options);
    EXPECT_TRUE(status_shows("agent cannot start: the password holds a blank"))
        << m_engine->status();
}

TEST_F(SipEngineFaults, ARegistrarThatTurnsTheAccountAwayShowsInTheStatusAndTheLog) {
    if (!test_support::baresip_installed()) {
        GTEST_SKIP() << "baresip is not installed (Debian package baresip-core)";
    }
    // Nothing listens on the registrar's port: every registration is refused.
    const uint16_t registrar = test_support::free_sip_port();
    SipPhoneEngine::Options options;
    options.listen = "127.0.0.1:" + std::to_string(test_support::free_sip_port(registrar));
    options.account =
        "<sip:me@127.0.0.1:" + std::to_string(registrar) + ";transport=tcp>;regint=60";
    options.password = "s3cret";
    start(options);
    ASSERT_TRUE(status_shows("registration refused")) << m_engine->status();
    EXPECT_TRUE(logged("registration refused"));
    const std::string accounts = [&] {
        std::ifstream in(m_home.root() / "agent" / "accounts");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    EXPECT_NE(accounts.find(";auth_pass=s3cret"), std::string::npos) << accounts;
    struct stat info {};
    ASSERT_EQ(::stat((m_home.root() / "agent" / "accounts").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the password's file is the user's only";
}

TEST_F(SipEngineFaults, ABusyPeerAPeerThatNeverAnswersAndALostAgentEachEndTheCallOnce) {
    if (!test_support::baresip_installed()) {
        GTEST_SKIP() << "baresip is not installed (Debian package baresip-core)";
    }
    const uint16_t own_port = test_support::free_sip_port();
    const uint16_t peer_port = test_support::free_sip_port(own_port);
    SipPeer peer(m_home.root() / "peer", "5550101", peer_port);
    ASSERT_TRUE(peer.ok()) << peer.log();
    SipPhoneEngine::Options options;
    options.listen = "127.0.0.1:" + std::to_string(own_port);
    options.dial_domain = "127.0.0.1:" + std::to_string(peer_port);
    options.answer_timeout_ms = 1500;
    options.restart_delay_ms = 100;
    start(options);
    ASSERT_TRUE(status_shows("agent running")) << m_engine->status();

    // The peer turns the call down: busy, as a phone line says it.
    ASSERT_TRUE(m_engine->make_call(u"5550101"));
    const CallHandle refused = next_call();
    ASSERT_GE(peer.wait_event("CALL_INCOMING"), 0) << peer.log();
    peer.send("hangup");
    ASSERT_TRUE(wait_state(refused, LINECALLSTATE_IDLE));
    EXPECT_EQ(states_of(refused).back(), std::make_pair(LINECALLSTATE_IDLE, 0u));
    const auto busy = states_of(refused);
    ASSERT_GE(busy.size(), 3u);
    EXPECT_EQ(busy[busy.size() - 3], std::make_pair(LINECALLSTATE_BUSY, 0u));
    EXPECT_EQ(busy[busy.size() - 2],
              std::make_pair(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BUSY));
    EXPECT_EQ(m_engine->line_deallocate_call(refused), LINE_OK);

    // Nobody answers: the call is given up, the peer stops ringing.
    ASSERT_GE(peer.wait_event("CALL_CLOSED"), 0);
    const size_t rang = peer.event_count();
    ASSERT_TRUE(m_engine->make_call(u"5550101"));
    const CallHandle unanswered = next_call();
    ASSERT_GE(peer.wait_event("CALL_INCOMING", "", rang), 0) << peer.log();
    ASSERT_TRUE(wait_state(unanswered, LINECALLSTATE_IDLE));
    const auto states = states_of(unanswered);
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states[states.size() - 2],
              std::make_pair(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER));
    EXPECT_TRUE(logged("no answer from 5550101"));
    EXPECT_GE(peer.wait_event("CALL_CLOSED", "", rang), 0) << "the peer was left ringing";
    EXPECT_EQ(m_engine->line_deallocate_call(unanswered), LINE_OK);

    // Answered, then the agent dies mid-call: the call ends once, the agent comes back.
    const size_t before = peer.event_count();
    ASSERT_TRUE(m_engine->make_call(u"5550101"));
    const CallHandle talking = next_call();
    ASSERT_NE(talking, unanswered);
    ASSERT_GE(peer.wait_event("CALL_INCOMING", "", before), 0);
    peer.send("accept");
    ASSERT_TRUE(wait_state(talking, LINECALLSTATE_CONNECTED));
    // Hold and back: each reaches the peer as a new offer.
    size_t offers = peer.event_count();
    ASSERT_EQ(m_engine->line_hold(talking), LINE_OK);
    ASSERT_TRUE(wait_state(talking, LINECALLSTATE_ONHOLD));
    EXPECT_GE(peer.wait_event("CALL_REMOTE_SDP", "offer", offers), 0) << "hold never reached it";
    offers = peer.event_count();
    ASSERT_EQ(m_engine->line_unhold(talking), LINE_OK);
    EXPECT_GE(peer.wait_event("CALL_REMOTE_SDP", "offer", offers), 0) << "nor the return";
    EXPECT_EQ(m_engine->cellular_set_mute(kMuteOn), LINE_OK);
    EXPECT_TRUE(status_shows("mute on"));

    const int pid = m_engine->agent_pid();
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGKILL);
    ASSERT_TRUE(wait_state(talking, LINECALLSTATE_IDLE));
    size_t disconnected = 0;
    for (const auto& [state, mode] : states_of(talking)) {
        if (state == LINECALLSTATE_DISCONNECTED) {
            ++disconnected;
            EXPECT_EQ(mode, LINEDISCONNECTMODE_UNAVAIL);
        }
    }
    EXPECT_EQ(disconnected, 1u);
    EXPECT_TRUE(logged("the user agent went away"));
    EXPECT_EQ(m_engine->line_drop(talking), LINE_OK) << "dropping an ended call is harmless";
    ASSERT_TRUE(test_support::eventually(
        [&] { return m_engine->agent_pid() > 0 && m_engine->agent_pid() != pid; },
        std::chrono::seconds(30)))
        << m_engine->status();

    const std::vector<CallLogEntry> calls = history();
    ASSERT_EQ(calls.size(), 3u) << "each call once";
    for (const CallLogEntry& entry : calls) {
        EXPECT_EQ(entry.direction, kCallOutgoing);
        EXPECT_EQ(entry.number, u"5550101");
    }
}

}  // namespace
