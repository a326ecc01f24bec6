// The line handler's parts around the calls: the stock windows it looks for, the in-call
// buttons, call placing and USSD codes, and the line set up on another thread.

#include <thread>

#include "tests/telephony/telephony_fixture.h"

namespace telephony_test {
namespace {

using platform::WindowHandle;

class StockWindows : public TelephonyTest {
protected:
    void SetUp() override {
        TelephonyTest::SetUp();
        // The stock phone's class may be there already; it stays for the rest of the run.
        platform::register_window_class(u"Dialog", [](auto w, auto m, auto wp, auto lp) {
            return platform::def_window_proc(w, m, wp, lp);
        });
    }
    void TearDown() override {
        for (WindowHandle w : made) platform::destroy_window(w);
        TelephonyTest::TearDown();
    }
    void make(std::u16string_view title, std::u16string_view image) {
        const WindowHandle w = platform::create_window(u"Dialog", title);
        platform::set_window_image_path(w, image);
        made.push_back(w);
    }
    std::vector<WindowHandle> made;
};

TEST_F(StockWindows, TheShorterTitleIsTheOutgoingWindowWhateverTheOrder) {
    make(u"Call", platform::kStockPhoneImage);
    // Another program's dialog and an untitled one of the phone are not the phone's windows.
    make(u"A rather long title", u"\\Windows\\other.exe");
    make(u"", platform::kStockPhoneImage);
    make(u"Incoming call", platform::kStockPhoneImage);
    make(u"Hang", platform::kStockPhoneImage);
    make(u"Go", platform::kStockPhoneImage);
    open(false);
    EXPECT_EQ(document->incoming_title, u"Call");
    EXPECT_EQ(document->outgoing_title, u"Go");
    EXPECT_EQ(log_lines(u"Window: Dialog ").size(), 5u);
    EXPECT_EQ(log_lines(u"Process: \\Windows\\other.exe").size(), 1u);
    EXPECT_EQ(log_lines(u"Attention windows: "),
              std::vector<std::string>{"Attention windows: Call, Go"});
}

TEST_F(TelephonyTest, FindsTheStockPhoneWindowsAndHidesThemWithTheirMenuBars) {
    open();
    EXPECT_EQ(document->incoming_title, platform::kStockIncomingTitle);
    EXPECT_EQ(document->outgoing_title, platform::kStockOutgoingTitle);
    std::string reply;
    ASSERT_TRUE(engine->ring(kAnnaNumber, u"", reply));
    const WindowHandle menu = platform::find_menu_bar(incoming_window());
    ASSERT_TRUE(menu);
    ASSERT_TRUE(platform::is_window_visible(menu));
    EXPECT_TRUE(phone->hide_stock_window(document->incoming_title));
    EXPECT_FALSE(platform::is_window_visible(incoming_window()));
    EXPECT_FALSE(platform::is_window_visible(menu));
    EXPECT_FALSE(phone->hide_stock_window(u"Phone - Elsewhere"));
}

TEST_F(TelephonyTest, InCallButtonsNeedALineAndACallAndTheResetClearsTheirFlags) {
    open();
    // Before any call: hold and key tones have nothing to work on.
    phone->toggle_hold();
    EXPECT_FALSE(document->call_on_hold);
    phone->send_key_tone(u"5");

    ASSERT_TRUE(ring(kAnnaNumber));
    advance(100);
    phone->send_key_tone(u"5");  // not connected yet
    phone->answer_call();
    advance(1000);
    ASSERT_TRUE(phone->connected());

    phone->send_key_tone(u"12");
    phone->send_key_tone(u"");
    phone->send_key_tone(u"3#");
    EXPECT_NE(engine->status().find("digits=2#"), std::string::npos) << engine->status();

    phone->toggle_hold();
    EXPECT_TRUE(document->call_on_hold);
    EXPECT_NE(engine->status().find("ONHOLD"), std::string::npos) << engine->status();
    phone->toggle_mute();
    EXPECT_TRUE(document->microphone_muted);
    EXPECT_NE(engine->status().find("mute on"), std::string::npos);
    phone->toggle_loudspeaker();
    EXPECT_TRUE(document->loudspeaker_on);
    EXPECT_NE(engine->status().find("loudspeaker on"), std::string::npos);
    phone->toggle_mute();
    EXPECT_FALSE(document->microphone_muted);
    EXPECT_NE(engine->status().find("mute off"), std::string::npos);
    phone->toggle_mute();
    phone->toggle_hold();
    EXPECT_FALSE(document->call_on_hold);
    phone->toggle_hold();

    ASSERT_TRUE(far_end(&platform::SimulatedPhoneEngine::far_hangup));
    EXPECT_FALSE(document->call_on_hold);
    EXPECT_FALSE(document->microphone_muted);
    EXPECT_FALSE(document->loudspeaker_on);
}

TEST_F(TelephonyTest, APhoneWithoutLoudspeakerKeepsTheFlagOff) {
    loudspeaker = false;
    open();
    phone->toggle_loudspeaker();
    EXPECT_FALSE(document->loudspeaker_on);
    EXPECT_EQ(log_lines(u"ossvcs.dll not found").size(), 1u);
}

TEST_F(TelephonyTest, AWithheldNumberLeavesTheCallerNumberAsItWas) {
    open();
    document->caller_number = u"+4911";
    ASSERT_TRUE(ring(u""));
    advance(100);
    EXPECT_EQ(document->caller_number, u"+4911");
    EXPECT_EQ(view->take(), std::vector<std::string>{"offered"});
    EXPECT_TRUE(log_lines(u"Caller ID").empty());
}

TEST_F(TelephonyTest, BusyAndSpecialInformationAreLoggedAndTheCallEnds) {
    open();
    PhoneManager calls(*document);
    calls.call_number(u"+4940123");
    settle();
    ASSERT_TRUE(far_end(&platform::SimulatedPhoneEngine::far_busy));
    EXPECT_EQ(phone->current_call(), 0u);
    EXPECT_EQ(log_lines(u"CALLS LOG: Line busy").size(), 1u);
    EXPECT_EQ(log_lines(u"CALLS LOG: LINECALLSTATE_DISCONNECTED MODE: "),
              std::vector<std::string>{"CALLS LOG: LINECALLSTATE_DISCONNECTED MODE: 32"});

    // Special information is logged even while the dialer is off.
    document->set_dialer(false);
    phone->LineCallbackFunc(0, platform::LINE_CALLSTATE, 0, platform::LINECALLSTATE_SPECIALINFO,
                            0, 0);
    EXPECT_EQ(log_lines(u"CALLS LOG: Special Information, couldn't dial number").size(), 1u);
}

TEST_F(TelephonyTest, StarCodesGoOverTheLineAsUssdAndHashCodesAreDialled) {
    open();
    PhoneManager calls(*document);
    view->take();
    EXPECT_EQ(calls.call_number(u"*#06#"), platform::LINE_OK);
    EXPECT_NE(engine->status().find("ussd *#06#\n"), std::string::npos) << engine->status();
    EXPECT_EQ(log_lines(u"telephone.call "), std::vector<std::string>{"telephone.call *#06#"});
    // Nothing was dialled and the caller number is not touched by a code.
    EXPECT_NE(engine->status().find("calls 0\n"), std::string::npos);
    EXPECT_TRUE(view->take().empty());
    EXPECT_EQ(window.rests, 1);

    EXPECT_EQ(calls.call_number(u"#31#0401234"), 1);
    settle();
    EXPECT_NE(engine->status().find("outgoing #31#0401234 DIALING"), std::string::npos)
        << engine->status();
    EXPECT_EQ(document->caller_number, u"#31#0401234");
}

TEST_F(TelephonyTest, AUssdCodeWithoutALineReopensItOrGivesUpQuietly) {
    open();
    PhoneManager calls(*document);
    platform::set_current_phone_engine(nullptr);
    phone->reset();
    ASSERT_FALSE(phone->line_open());

    const std::u16string before = log_text();
    EXPECT_EQ(calls.call_number(u"*100#"), 0);
    const std::u16string after = log_text();
    ASSERT_EQ(after.substr(0, before.size()), before);
    // The reset's own lines tell of the missing phone; the code adds only its one line.
    const std::u16string added = after.substr(before.size());
    EXPECT_TRUE(added.starts_with(u"telephone.call *100#\n")) << platform::to_utf8(added);
    EXPECT_EQ(added.find(u"telephone.call", 1), std::u16string::npos);

    // Once there is a phone again, the code's own reset opens the line for it.
    platform::set_current_phone_engine(engine);
    EXPECT_EQ(calls.call_number(u"*101#"), platform::LINE_OK);
    EXPECT_TRUE(phone->line_open());
    EXPECT_NE(engine->status().find("ussd *101#\n"), std::string::npos) << engine->status();
}

TEST_F(TelephonyTest, NumbersAreStillShownWhenNoPhoneCanDial) {
    open(false);
    PhoneManager calls(*document);
    EXPECT_EQ(calls.call_number(kAnnaNumber), 0);
    EXPECT_EQ(document->caller_number, kAnnaNumber);
    EXPECT_EQ(view->take(), std::vector<std::string>{"caller"});
    EXPECT_EQ(calls.call_number(u"*#06#"), 0);
}

TEST_F(TelephonyTest, AnEmergencyCallPlacedDirectlyIsFollowedLikeAnyOther) {
    open();
    // The key handler bypasses call_number and uses the phone's make-call function.
    EXPECT_TRUE(platform::make_call(u"112"));
    settle();
    EXPECT_EQ(view->take(), std::vector<std::string>{"dialing"});
    EXPECT_NE(phone->current_call(), 0u);
    EXPECT_EQ(document->caller_number, Document::kUnknownKey);
}

TEST_F(TelephonyTest, ClosingTheProgramLeavesTheCallToTheStockPhone) {
    open();
    ASSERT_TRUE(ring(kAnnaNumber));
    advance(100);
    phone->answer_call();
    advance(1500);
    ASSERT_TRUE(phone->connected());
    view.reset();
    document.reset();
    EXPECT_NE(engine->status().find("incoming +49301234567 CONNECTED"), std::string::npos)
        << engine->status();
}

TEST_F(TelephonyTest, TheLineSetUpOnTheStartUpThreadDeliversOnTheUiThread) {
    start_engine();
    std::thread startup([this] { open(false); });
    startup.join();
    ASSERT_TRUE(phone->line_open());
    ASSERT_TRUE(ring(kAnnaNumber));
    EXPECT_NE(phone->current_call(), 0u);
    advance(100);
    EXPECT_EQ(view->take(), (std::vector<std::string>{"caller", "offered"}));
}

}  // namespace
}  // namespace telephony_test
