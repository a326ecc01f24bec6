#include <memory>
#include <vector>

#include "core/active.h"
#include "contacts/keypad_map.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "tests/contacts/document_fixture.h"

namespace contacts_test {
namespace {

TEST(KeypadMap, ReadsOneCharacterKeysAndTheirValues) {
    KeypadMap map;
    map.parse("2=abc2\n7=pqrs7\nab=x\n 9 wxyz9\n=nothing\n");
    EXPECT_EQ(map.value_of(u'2'), u"abc2");
    EXPECT_EQ(map.value_of(u'7'), u"pqrs7");
    EXPECT_EQ(map.value_of(u'9'), u"wxyz9");
    // Not a key: the character stands for itself, including the two-character key's start.
    EXPECT_EQ(map.value_of(u'a'), u"a");
    EXPECT_EQ(map.value_of(u'ж'), u"ж");
    map.set(u'ж', u"жз");
    EXPECT_EQ(map.value_of(u'ж'), u"жз");
    map.clear();
    EXPECT_TRUE(map.empty());
    EXPECT_EQ(map.value_of(u'2'), u"2");
    EXPECT_FALSE(map.load(u"/nonexistent/keyboard.txt"));
    EXPECT_TRUE(map.empty());
}

TEST(KeypadMap, ReadsUtf16Files) {
    test_support::TempHome home;
    // FF FE, then "2=аб" in UTF-16LE: a Cyrillic keypad.
    const std::string bytes("\xFF\xFE" "2\0=\0\x30\x04\x31\x04", 10);
    test_support::write_bytes(home.root() / "k.txt", bytes);
    KeypadMap map;
    ASSERT_TRUE(map.load(platform::from_utf8((home.root() / "k.txt").string())));
    EXPECT_EQ(map.value_of(u'2'), u"аб");
}

using Lifecycle = DocumentTest;

TEST_F(Lifecycle, CyrillicKeypadFindsCyrillicNames) {
    keypad = "2=\xd0\xb0\xd0\xb1\n";  // 2 = аб, as 8-bit text this is not Cyrillic
    initial = {person(1, u"Анна", u"")};
    open();
    document->set_filter_string(u"2");
    EXPECT_TRUE(filtered().empty()) << "an 8-bit file widens each byte";
    document->set_filter_string(u"А");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1})) << "the typed word is lower-cased too";
}

class FakeLine : public LineHandler {
public:
    explicit FakeLine(std::vector<std::string>& log) : m_log(log) {}
    ~FakeLine() override { m_log.push_back("destroyed"); }
    void initialise() override { m_log.push_back("initialise"); }
    void reset() override {}
    void answer_call() override {}
    void drop_call() override {}
    void toggle_hold() override {}
    void toggle_mute() override {}
    void toggle_loudspeaker() override {}
    void send_key_tone(WStringView) override {}
    bool call_in_progress() const override { return false; }
    bool connected() const override { return false; }
    bool line_open() const override { return false; }
    int32_t send_ussd(WStringView) override { return 0; }
    void rest_frames() override {}

private:
    std::vector<std::string>& m_log;
};

class Store : public FakeStore {
public:
    explicit Store(std::vector<std::string>& log, Document& d) : m_log(log), m_document(d) {}
    ~Store() override { m_log.push_back("store destroyed"); }
    void load_all(std::vector<Contact>& out) override {
        out.resize(30);
        for (int i = 0; i < 30; ++i) {
            out[size_t(i)].object_id = uint32_t(i + 1);
            if (i % 25 == 0) m_document.on_load_progress(i, 30);
        }
    }

private:
    std::vector<std::string>& m_log;
    Document& m_document;
};

TEST(DocumentLifecycle, OwnsItsStoreAndLineAndPassesLoadProgressOn) {
    test_support::TempHome home;
    std::vector<std::string> log;
    std::vector<std::pair<int, int>> progress;
    {
        DocumentServices services;
        services.make_store = [&](Document& d) { return std::make_unique<Store>(log, d); };
        services.make_line = [&](Document& d) {
            EXPECT_EQ(&d, Document::get_instance());
            return std::make_unique<FakeLine>(log);
        };
        services.load_progress = [&](int i, int n) { progress.emplace_back(i, n); };
        Document document(std::move(services));
        EXPECT_EQ(log, (std::vector<std::string>{"initialise"}));
        EXPECT_TRUE(document.dialer());
        document.load();
        EXPECT_EQ(document.entries().size(), 30u);
        document.set_dialer(false);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"initialise", "store destroyed", "destroyed"}));
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{0, 30}, {25, 30}}));
    uint32_t dialer = 1;
    ASSERT_TRUE(read_dword(Document::kRegistryPath, u"Dialer", dialer));
    EXPECT_EQ(dialer, 0u);
    EXPECT_EQ(Document::get_instance(), nullptr);
}

TEST(DocumentLifecycle, CallLogTimerRereadsTheLogOnTheUiThread) {
    test_support::TempHome home;
    platform::use_virtual_clock(true);
    auto scheduler = std::make_unique<CActiveScheduler>(u"DocumentTestMain");
    {
        DocumentServices services;
        auto calls = std::make_unique<FakeCallLog>();
        FakeCallLog* source = calls.get();
        services.call_log = std::move(calls);
        Document document(std::move(services));
        Recorder view;
        source->calls.resize(2);
        document.start_log_timer(2.0);
        platform::dispatch_pending_messages();
        EXPECT_TRUE(view.hints.empty());
        platform::advance_virtual_clock(2000);
        // The scheduler's window timer comes due; run the loop until the reread happened.
        platform::Message m;
        for (int turns = 0; turns < 20 && view.hints.size() < 2; ++turns) {
            while (platform::peek_message(m)) platform::dispatch_message(m);
            platform::advance_virtual_clock(10);
        }
        EXPECT_EQ(view.take(), (std::vector<std::string>{"log_updated", "is_load_done"}));
        EXPECT_EQ(document.recent_calls().size(), 2u);
        // Stopped before it fires: nothing more.
        document.start_log_timer(2.0);
        document.stop_log_timer();
        platform::advance_virtual_clock(3000);
        while (platform::peek_message(m)) platform::dispatch_message(m);
        EXPECT_TRUE(view.hints.empty());
    }
    scheduler.reset();
    platform::use_virtual_clock(false);
}

}  // namespace
}  // namespace contacts_test
