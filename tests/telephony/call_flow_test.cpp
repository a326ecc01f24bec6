// Whole calls on the simulated phone: the line events, the passes between them, the hints the
// views get, the stock windows and the call history read back afterwards.

#include "tests/telephony/telephony_fixture.h"

namespace telephony_test {
namespace {

using platform::is_window_visible;

std::vector<std::string> repeat(const std::string& what, int times) {
    return std::vector<std::string>(static_cast<size_t>(times), what);
}

TEST_F(TelephonyTest, IncomingCallAnsweredWithTheTalkKeyEndedByTheFarEndAndReadBackLinked) {
    open();
    ASSERT_TRUE(phone->line_open());
    const platform::LineHandle first_line = phone->line();

    ASSERT_TRUE(ring(kAnnaNumber, u"Anna Smith"));
    // The number came with the call; the incoming window still shows until the first pass.
    EXPECT_NE(phone->current_call(), 0u);
    EXPECT_EQ(document->caller_number, kAnnaNumber);
    EXPECT_EQ(view->take(), std::vector<std::string>{"caller"});
    EXPECT_TRUE(is_window_visible(incoming_window()));

    advance(100);
    EXPECT_FALSE(is_window_visible(incoming_window()));
    EXPECT_EQ(view->take(), std::vector<std::string>{"offered"});
    EXPECT_EQ(window.to_front, 2);
    EXPECT_EQ(window.redraws, 1);

    // Answering hands the screen to the stock window and presses Talk a second later.
    phone->answer_call();
    EXPECT_EQ(window.minimised, 1);
    EXPECT_TRUE(is_window_visible(incoming_window()));
    EXPECT_EQ(phone->answer_countdown(), 5);
    advance(900);
    EXPECT_FALSE(phone->connected());
    advance(100);
    EXPECT_TRUE(phone->connected());
    // The first connected pass runs with the state; the rest follow every half second.
    EXPECT_EQ(view->take(), std::vector<std::string>{"connected"});
    EXPECT_FALSE(is_window_visible(outgoing_window()));
    advance(4500);
    EXPECT_EQ(view->take(), repeat("connected", 9));
    EXPECT_FALSE(phone->passes_pending());
    // The press that connected was the only one.
    EXPECT_NE(engine->status().find("talk presses 1\n"), std::string::npos) << engine->status();
    EXPECT_EQ(phone->answer_countdown(), 4);

    // Answering a connected call does nothing.
    phone->answer_call();
    EXPECT_EQ(window.minimised, 1);

    ASSERT_TRUE(far_end(&platform::SimulatedPhoneEngine::far_hangup));
    EXPECT_EQ(view->take(), std::vector<std::string>{"ended"});
    EXPECT_EQ(phone->current_call(), 0u);
    EXPECT_FALSE(phone->connected());
    EXPECT_EQ(document->caller_number, Document::kUnknownKey);
    // The line was reset: open again, on a new handle.
    EXPECT_TRUE(phone->line_open());
    EXPECT_NE(phone->line(), first_line);

    // The history is read again two seconds later, with the call linked to Anna.
    EXPECT_TRUE(document->recent_calls().empty());
    advance(1900);
    EXPECT_TRUE(document->recent_calls().empty());
    advance(100);
    EXPECT_EQ(view->take(), std::vector<std::string>{"log read"});
    ASSERT_EQ(document->recent_calls().size(), 1u);
    const RecentCall& call = document->recent_calls()[0];
    EXPECT_EQ(call.direction, RecentCall::Incoming);
    EXPECT_EQ(call.number, kAnnaNumber);
    ASSERT_NE(call.contact, nullptr);
    EXPECT_EQ(call.contact->contact.object_id, kAnnaId);
    EXPECT_EQ(call.field_label, u"Mobile");

    EXPECT_EQ(log_lines(u"CALLS LOG"),
              (std::vector<std::string>{
                  "CALLS LOG: APPNEWCALL",
                  "CALLS LOG: LINE_CALLINFO",
                  "CALLS LOG: lineGetCallInfo ret = 0",
                  "CALLS LOG: LINE_CALLINFO SUCCESS",
                  "CALLS LOG: LINECALLSTATE_OFFERING",
                  "CALLS LOG: LINECALLSTATE_CONNECTED",
                  "CALLS LOG: LINECALLSTATE_DISCONNECTED MODE: 1",
              }));
    EXPECT_EQ(log_lines(u"LINE"),
              (std::vector<std::string>{
                  "LINECALLSTATE_OFFERING: Phone incoming iteration 0",
                  "LINE_OFFERING bring_to_front",
                  "LINECALLSTATE_OFFERING: Dialog Phone - Incoming window hidden",
                  "LINECALLSTATE_OFFERING hint.incoming call refreshed",
                  "LINECALLSTATE_CONNECTED: Phone iteration 0",
                  "LINECALLSTATE_CONNECTED: Phone iteration 1",
                  "LINECALLSTATE_CONNECTED: Phone iteration 2",
                  "LINECALLSTATE_CONNECTED: Phone iteration 3",
                  "LINECALLSTATE_CONNECTED: Phone iteration 4",
                  "LINECALLSTATE_CONNECTED: Phone iteration 5",
                  "LINECALLSTATE_CONNECTED: Phone iteration 6",
                  "LINECALLSTATE_CONNECTED: Phone iteration 7",
                  "LINECALLSTATE_CONNECTED: Phone iteration 8",
                  "LINECALLSTATE_CONNECTED: Phone iteration 9",
              }));
    EXPECT_EQ(log_lines(u"Caller ID: "), std::vector<std::string>{"Caller ID: +49301234567"});
    EXPECT_EQ(log_lines(u"CALLLOG TIMER").size(), 1u);
}

TEST_F(TelephonyTest, OutgoingCallDialledThroughCallNumberConnectedAndDropped) {
    open();
    PhoneManager calls(*document);
    EXPECT_EQ(calls.call_number(kAnnaNumber), 1);
    EXPECT_EQ(window.rests, 1);
    // The dialled number shows before the line reports the call.
    EXPECT_EQ(view->take(), std::vector<std::string>{"caller"});
    EXPECT_EQ(document->caller_number, kAnnaNumber);

    settle();
    EXPECT_EQ(view->take(), std::vector<std::string>{"dialing"});
    EXPECT_NE(phone->current_call(), 0u);
    EXPECT_TRUE(is_window_visible(outgoing_window()));
    advance(200);
    EXPECT_FALSE(is_window_visible(outgoing_window()));
    advance(300);
    // The modem reports the call proceeding after half a second; the dialing passes stop.
    ASSERT_TRUE(wait_for_engine("PROCEEDING"));
    advance(400);
    EXPECT_FALSE(phone->passes_pending());
    // Proceeding ended the dialing passes early, but not what they end with: our window in
    // front of the stock phone's.
    EXPECT_EQ(window.to_front, 1);

    ASSERT_TRUE(far_end(&platform::SimulatedPhoneEngine::far_answer));
    EXPECT_TRUE(phone->connected());
    advance(1000);
    phone->drop_call();
    settle();
    EXPECT_EQ(phone->current_call(), 0u);
    EXPECT_EQ(document->caller_number, Document::kUnknownKey);
    advance(2000);
    const std::vector<std::string> hints = view->take();
    EXPECT_EQ(hints.front(), "connected");
    EXPECT_EQ(std::count(hints.begin(), hints.end(), "connected"), 3);
    EXPECT_EQ(std::vector<std::string>(hints.end() - 2, hints.end()),
              (std::vector<std::string>{"ended", "log read"}));
    ASSERT_EQ(document->recent_calls().size(), 1u);
    EXPECT_EQ(document->recent_calls()[0].direction, RecentCall::Outgoing);
    EXPECT_EQ(document->recent_calls()[0].contact->contact.object_id, kAnnaId);

    EXPECT_EQ(log_lines(u"CALLS LOG: LINECALLSTATE"),
              (std::vector<std::string>{
                  "CALLS LOG: LINECALLSTATE_DIALING",
                  "CALLS LOG: LINECALLSTATE_PROCEEDING",
                  "CALLS LOG: LINECALLSTATE_CONNECTED",
                  "CALLS LOG: LINECALLSTATE_DISCONNECTED MODE: 1",
              }));
    EXPECT_EQ(log_lines(u"LINECALLSTATE_OFFERING: Phone"),
              (std::vector<std::string>{
                  "LINECALLSTATE_OFFERING: Phone outgoing iteration 0",
                  "LINECALLSTATE_OFFERING: Phone window found",
                  "LINECALLSTATE_OFFERING: Phone outgoing iteration 1",
                  "LINECALLSTATE_OFFERING: Phone window found",
                  "LINECALLSTATE_OFFERING: Phone outgoing iteration 2",
              }));
    // The window is there at the first try, so proceeding stops after one pass.
    EXPECT_EQ(log_lines(u"LINECALLSTATE_PROCEEDING: "),
              std::vector<std::string>{"LINECALLSTATE_PROCEEDING: Phone outgoing iteration 0"});
    EXPECT_EQ(log_lines(u"PhoneManager::call_number "),
              std::vector<std::string>{"PhoneManager::call_number +49301234567"});
}

// States the handler passes over (accepted, ringback, on hold) leave the passes of the state
// before them running. A state it acts on ends them early, yet what they end with still
// happens: an engine that moves on quickly must not cost the user the call screen.
TEST_F(TelephonyTest, AnIncomingCallIsOfferedWhateverStateTheEngineReportsBeforeTheFirstPass) {
    struct Case {
        uint32_t state;
        std::vector<std::string> hints;
    };
    const Case cases[] = {
        {platform::LINECALLSTATE_ACCEPTED, {"offered"}},
        {platform::LINECALLSTATE_RINGBACK, {"offered"}},
        {platform::LINECALLSTATE_CONNECTED, {"offered", "connected"}},
    };
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::call_state_name(c.state));
        ASSERT_TRUE(ring(kAnnaNumber));
        EXPECT_EQ(view->take(), std::vector<std::string>{"caller"});
        const int to_front = window.to_front;
        phone->LineCallbackFunc(phone->current_call(), platform::LINE_CALLSTATE, 0, c.state, 0, 0);
        advance(100);
        EXPECT_EQ(view->take(), c.hints);
        EXPECT_GT(window.to_front, to_front);
        ASSERT_TRUE(far_end(&platform::SimulatedPhoneEngine::far_hangup));
        advance(3000);
        view->take();
    }
}

TEST_F(TelephonyTest, RingbackLeavesTheDialingPassesToBringTheWindowForward) {
    open();
    PhoneManager calls(*document);
    ASSERT_EQ(calls.call_number(kAnnaNumber), 1);
    settle();
    ASSERT_TRUE(phone->passes_pending());
    phone->LineCallbackFunc(phone->current_call(), platform::LINE_CALLSTATE, 0,
                            platform::LINECALLSTATE_RINGBACK, 0, 0);
    EXPECT_TRUE(phone->passes_pending());
    advance(400);
    EXPECT_EQ(log_lines(u"LINECALLSTATE_OFFERING: Phone outgoing iteration ").size(), 3u);
    EXPECT_EQ(window.to_front, 0) << "the passes are not over yet";
}

TEST_F(TelephonyTest, HoldingTheCallLeavesTheConnectedPassesRunning) {
    open();
    ASSERT_TRUE(ring(kAnnaNumber));
    advance(100);
    phone->answer_call();
    advance(1000);
    ASSERT_TRUE(phone->connected());
    view->take();
    phone->toggle_hold();
    settle();
    EXPECT_TRUE(phone->passes_pending());
    advance(5000);
    EXPECT_EQ(view->count("connected"), 9);
}

TEST_F(TelephonyTest, MissedCallRaisesTheMissedCallCountAndNothingConnectsAfterTheEnd) {
    open();
    ASSERT_TRUE(ring(kAnnaNumber));
    advance(100);
    phone->answer_call();
    // The caller gives up before the Talk key is pressed.
    advance(500);
    ASSERT_TRUE(far_end(&platform::SimulatedPhoneEngine::far_hangup));
    EXPECT_EQ(phone->current_call(), 0u);
    advance(6000);
    // The answer timer went with the line: no press reached the phone after the end.
    EXPECT_NE(engine->status().find("talk presses 0\n"), std::string::npos) << engine->status();
    EXPECT_EQ(view->take(), (std::vector<std::string>{"caller", "offered", "ended", "log read"}));

    uint32_t missed = 0;
    EXPECT_TRUE(read_dword(u"HKEY_CURRENT_USER\\System\\State\\Phone", u"Missed Call Count",
                           missed));
    EXPECT_EQ(missed, 1u);
    ASSERT_EQ(document->recent_calls().size(), 1u);
    EXPECT_EQ(document->recent_calls()[0].direction, RecentCall::Missed);
}

TEST_F(TelephonyTest, HangingUpDuringTheConnectedPassesEndsThem) {
    open();
    ASSERT_TRUE(ring(kAnnaNumber));
    advance(100);
    phone->answer_call();
    advance(1000);
    ASSERT_TRUE(phone->connected());
    advance(1000);
    ASSERT_TRUE(far_end(&platform::SimulatedPhoneEngine::far_hangup));
    EXPECT_FALSE(phone->passes_pending());
    advance(5000);
    const std::vector<std::string> hints = view->take();
    const auto ended = std::find(hints.begin(), hints.end(), "ended");
    ASSERT_NE(ended, hints.end());
    EXPECT_EQ(std::count(hints.begin(), ended, "connected"), 3);
    EXPECT_EQ(std::count(ended, hints.end(), "connected"), 0);
    EXPECT_EQ(log_lines(u"LINECALLSTATE_CONNECTED: Phone iteration ").size(), 3u);
}

TEST_F(TelephonyTest, SecondIncomingCallIsDroppedWhileOneIsFollowed) {
    open();
    ASSERT_TRUE(ring(kAnnaNumber));
    const platform::CallHandle first = phone->current_call();
    advance(100);
    view->take();
    ASSERT_TRUE(ring(u"+4940999", u"Bob"));
    advance(1000);
    EXPECT_EQ(phone->current_call(), first);
    EXPECT_EQ(document->caller_number, kAnnaNumber);
    EXPECT_TRUE(view->take().empty());
    EXPECT_EQ(log_lines(u"LINE_APPNEWCALL: Another call").size(), 1u);
    EXPECT_EQ(log_lines(u"LINE_CALLINFO: Another call").size(), 1u);
    EXPECT_FALSE(log_lines(u"LINE_CALLSTATE: Another call").empty());
    // The stock phone took the drop as a rejected call; only the first still rings.
    EXPECT_NE(engine->status().find("calls 1\n"), std::string::npos) << engine->status();
    EXPECT_NE(engine->status().find("missed +4940999"), std::string::npos) << engine->status();
}

TEST_F(TelephonyTest, DropBeforeConnectionResetsAtOnceAndRereadsTheLog) {
    open();
    ASSERT_TRUE(ring(kAnnaNumber));
    advance(100);
    const platform::LineHandle line = phone->line();
    phone->drop_call();
    EXPECT_EQ(phone->current_call(), 0u);
    EXPECT_NE(phone->line(), line);
    EXPECT_EQ(document->caller_number, Document::kUnknownKey);
    // No waiting for the timer: the rejected call is in the recents already.
    ASSERT_EQ(document->recent_calls().size(), 1u);
    EXPECT_EQ(document->recent_calls()[0].direction, RecentCall::Missed);
    EXPECT_EQ(log_lines(u"Telephone::drop_call"),
              (std::vector<std::string>{"Telephone::drop_call",
                                        "Telephone::drop_call (not connected)"}));
    // The old line's events went with it.
    advance(3000);
    EXPECT_EQ(view->take(), (std::vector<std::string>{"caller", "offered", "log read"}));
}

TEST_F(TelephonyTest, WithTheDialerSwitchedOffNoCallIsFollowedButTheEndIsStillSent) {
    write_dword(Document::kRegistryPath, u"Dialer", 0);
    open();
    ASSERT_TRUE(ring(kAnnaNumber));
    advance(1000);
    EXPECT_EQ(phone->current_call(), 0u);
    EXPECT_TRUE(is_window_visible(incoming_window()));
    document->caller_number = u"stale";
    ASSERT_TRUE(far_end(&platform::SimulatedPhoneEngine::far_hangup));
    EXPECT_EQ(view->take(), std::vector<std::string>{"ended"});
    EXPECT_EQ(document->caller_number, Document::kUnknownKey);
    EXPECT_TRUE(log_lines(u"LineCallbackFunc").empty());
    EXPECT_TRUE(log_lines(u"CALLS LOG: APPNEWCALL").empty());
    EXPECT_EQ(log_lines(u"CALLS LOG: LINECALLSTATE_DISCONNECTED").size(), 1u);
}

TEST_F(TelephonyTest, OfferingGivesUpLookingForAnIncomingWindowThatNeverShows) {
    open();
    document->incoming_title = u"Not the phone";
    ASSERT_TRUE(ring(kAnnaNumber));
    advance(4900);
    EXPECT_TRUE(view->take() == std::vector<std::string>{"caller"});
    advance(100);
    EXPECT_EQ(view->take(), std::vector<std::string>{"offered"});
    EXPECT_FALSE(phone->passes_pending());
    EXPECT_EQ(log_lines(u"LINECALLSTATE_OFFERING: Phone incoming iteration ").size(), 50u);
    EXPECT_TRUE(log_lines(u"LINE_OFFERING bring_to_front").empty());
}

}  // namespace
}  // namespace telephony_test
