#include "platform/phone_line.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/messages.h"

namespace {

using namespace platform;

// The smallest engine on the shared line: calls ring when the test says so, and the far
// side can be told things only while it is reachable.
class TestLine final : public PhoneLine {
public:
    TestLine(Rules rules, bool stock_phone) : PhoneLine(std::move(rules)), m_stock(stock_phone) {}

    CallHandle ring(WString number) {
        std::lock_guard lock(m_mutex);
        auto call = std::make_unique<Call>();
        call->number = std::move(number);
        call->state = LINECALLSTATE_OFFERING;
        return add_call_locked(std::move(call)).handle;
    }
    void connect(CallHandle handle) {
        std::lock_guard lock(m_mutex);
        set_state_locked(*m_calls.at(handle), LINECALLSTATE_CONNECTED);
    }

    bool has_stock_phone() const override { return m_stock; }
    int32_t cellular_set_mute(uint32_t) override { return LINE_OK; }
    int32_t cellular_send_ussd(LineHandle, WStringView, uint32_t, uint32_t) override {
        return LINE_OK;
    }
    bool set_loudspeaker(bool) override { return false; }
    bool make_call(WStringView) override { return false; }
    void phone_key(uint8_t, bool) override {}

    bool reachable = true;

private:
    bool hold_call_locked(Call&, bool) override { return reachable; }
    bool send_digits_locked(Call&, WStringView) override { return reachable; }

    bool m_stock;
};

struct Opened {
    LineAppHandle app = 0;
    LineHandle line = 0;
};

Opened open_line(TestLine& engine, std::vector<uintptr_t>& new_calls) {
    Opened opened;
    uint32_t devices = 0;
    uint32_t version = kLineApiVersionHigh;
    const auto record = [&new_calls](uint32_t, uint32_t message, uintptr_t, uintptr_t,
                                     uintptr_t call, uintptr_t) {
        if (message == LINE_APPNEWCALL) {
            new_calls.push_back(call);
        }
    };
    EXPECT_EQ(engine.line_initialize_ex(opened.app, record, u"Test", devices, version, {}),
              LINE_OK);
    EXPECT_EQ(engine.line_open(opened.app, 0, opened.line, version, 0, 0, LINECALLPRIVILEGE_OWNER,
                               LINEMEDIAMODE_INTERACTIVEVOICE),
              LINE_OK);
    return opened;
}

TEST(PhoneLine, TheEnginesRulesDecideCallerFlagsDigitModesAndWhoGetsACallNobodyHolds) {
    struct Case {
        const char* engine;
        bool stock_phone;
        uint32_t withheld_flags;
        uint32_t digit_modes;
        int32_t pulse_result;
        bool next_line_gets_unheld_call;
    };
    const Case cases[] = {
        {"modem with phone program", true, LINECALLPARTYID_BLOCKED,
         LINEDIGITMODE_DTMF | LINEDIGITMODE_PULSE, LINE_OK, false},
        {"network line, no phone program", false, LINECALLPARTYID_UNAVAIL, LINEDIGITMODE_DTMF,
         LINEERR_INVALDIGITMODE, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.engine);
        auto engine =
            std::make_shared<TestLine>(PhoneLine::Rules{.first_handle = 0x30001,
                                                        .withheld_caller_flags = c.withheld_flags,
                                                        .digit_modes = c.digit_modes,
                                                        .history_file = {}},
                                       c.stock_phone);
        std::vector<uintptr_t> new_calls;
        const Opened first = open_line(*engine, new_calls);
        const CallHandle call = engine->ring({});

        LineCallInfo info;
        info.total_size = kLineCallInfoFixedSize;
        ASSERT_EQ(engine->line_get_call_info(call, info), LINE_OK);
        EXPECT_EQ(info.caller_id_flags, c.withheld_flags);

        engine->connect(call);
        EXPECT_EQ(engine->line_generate_digits(call, LINEDIGITMODE_PULSE, u"1", 0), c.pulse_result);
        EXPECT_EQ(
            engine->line_generate_digits(call, LINEDIGITMODE_DTMF | LINEDIGITMODE_PULSE, u"1", 0),
            LINEERR_INVALDIGITMODE);

        // The line handler lets go of the live call and opens its line again.
        ASSERT_EQ(engine->line_deallocate_call(call), LINE_OK);
        ASSERT_EQ(engine->line_close(first.line), LINE_OK);
        new_calls.clear();
        const Opened second = open_line(*engine, new_calls);
        // Opening posts whatever it hands over; one pass of the queue delivers it.
        dispatch_pending_messages();
        const std::vector<uintptr_t> expected =
            c.next_line_gets_unheld_call ? std::vector<uintptr_t>{call} : std::vector<uintptr_t>{};
        EXPECT_EQ(new_calls, expected);
        EXPECT_EQ(engine->line_shutdown(first.app), LINE_OK);
        EXPECT_EQ(engine->line_shutdown(second.app), LINE_OK);
    }
}

TEST(PhoneLine, AFarSideThatCannotBeToldLeavesTheCallAsItWas) {
    auto engine = std::make_shared<TestLine>(PhoneLine::Rules{}, false);
    std::vector<uintptr_t> new_calls;
    open_line(*engine, new_calls);
    const CallHandle call = engine->ring(u"0301234");
    engine->connect(call);

    engine->reachable = false;
    EXPECT_EQ(engine->line_hold(call), LINEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(engine->line_generate_digits(call, LINEDIGITMODE_DTMF, u"5", 0),
              LINEERR_RESOURCEUNAVAIL);
    // Still connected: an unhold finds nothing to return from, a hold now goes through.
    EXPECT_EQ(engine->line_unhold(call), LINEERR_INVALCALLSTATE);
    engine->reachable = true;
    EXPECT_EQ(engine->line_hold(call), LINE_OK);
    EXPECT_EQ(engine->line_unhold(call), LINE_OK);
}

}  // namespace
