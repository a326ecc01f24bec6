// The call screen driven by the line handler on the simulated phone: a ringing call and its
// buttons, the caller looked up by number, a second event of the same call, touch tones from
// the keypad, and the main form's ways back to the call and the talk key.

#include "screens/call_form.h"

#include "app/handovers.h"
#include "core/keys.h"
#include "platform/launcher.h"
#include "platform/phone_engine_sim.h"
#include "screens/main_form.h"
#include "skin/text_node.h"
#include "telephony/phone_manager.h"
#include "telephony/telephone.h"
#include "tests/screens/main_form_support.h"

namespace screens_test {
namespace {

constexpr char16_t kAnnaNumber[] = u"+49301234567";
constexpr char16_t kBobNumber[] = u"+4940555777";

// The form the call screen comes over.
class BaseForm : public zentra::Form {
public:
    explicit BaseForm(const zentra::Properties& skin) { load_definition(skin, u"Base"); }
};

class CallStage : public ScreenStage {
protected:
    void SetUp() override {
        ScreenStage::SetUp();
        platform::SimulatedPhoneEngine::Options options;
        options.history_file = (home.root() / "clog.db").string();
        engine = std::make_shared<platform::SimulatedPhoneEngine>(options);
        platform::set_current_phone_engine(engine);
        make_line = [this](Document& d) {
            auto line = std::make_unique<Telephone>(d);
            phone = line.get();
            return line;
        };
    }
    void TearDown() override {
        if (application) {
            while (zentra::Form* top = application->top_form()) {
                application->remove_modal_form(*top, false);
            }
        }
        main.reset();
        form.reset();
        base.reset();
        document.reset();
        platform::set_current_phone_engine(nullptr);
        engine.reset();
        ScreenStage::TearDown();
    }

    static std::vector<Contact> book() {
        Contact anna = person(1, u"Anna", u"Smith");
        anna.fields.push_back(ContactField(FieldKind::Mobile, kAnnaNumber));
        Contact bob = person(2, u"Bob", u"Brown");
        bob.fields.push_back(ContactField(FieldKind::HomeTel, kBobNumber));
        return {anna, bob};
    }

    // The call screen alone over a plain form; Anna has a photo.
    void build(const std::string& extra_form_lines = "") {
        std::string source = call_form_source();
        source.insert(source.find('\n') + 1, extra_form_lines);
        load(source + "define Base { point design_size = 100, 100 }\n");
        skin.set_dictionary({{u"skinUnknown", u"Unknown"},
                             {u"IncomingCall", u"Incoming call"},
                             {u"Dialing", u"Dialing"},
                             {u"Connected", u"Connected"}});
        open_document(book());
        store->pictures[1] = zentra::ImageRef::whole(std::make_shared<zentra::Bitmap>(8, 8));
        base = std::make_unique<BaseForm>(skin);
        application->add_modal_form(*base, false, false);
        form = std::make_unique<CallForm>(skin);
    }

    void ring(const std::u16string& number) {
        std::string reply;
        ASSERT_TRUE(engine->ring(number, u"", reply)) << reply;
        run_for(200);
    }
    // The engine's state of the calls, as the phone tool shows it.
    std::string status() const { return engine->status(); }

    void tap_at(int x, int y) {
        application->on_pointer(pointer(x, y, true));
        application->on_pointer(pointer(x, y, false));
    }
    // Taps the middle of a node of the top form.
    void tap_node(const zentra::Node& node) {
        ASSERT_TRUE(node.is_visible()) << platform::to_utf8(node.name());
        // Positions are the screen's, as the stylus gives them.
        tap_at(node.position().x + node.size().w / 2, node.position().y + node.size().h / 2);
    }
    void tap_button(WStringView name) { tap_node(form->button(name)); }

    static std::u16string text_of(const zentra::Node& node) {
        return dynamic_cast<const zentra::TextNode&>(node).text();
    }
    bool shown(WStringView name) const { return form->find(name).visible(); }

    std::shared_ptr<platform::SimulatedPhoneEngine> engine;
    Telephone* phone = nullptr;
    std::unique_ptr<BaseForm> base;
    std::unique_ptr<CallForm> form;
    std::unique_ptr<MainForm> main;
};

TEST_F(CallStage, ARingingCallShowsTheCallerWithAnswerAndIgnoreAndAnsweringSwapsThemForEnd) {
    build();
    EXPECT_FALSE(form->keyboard().is_visible()) << "the keypad is hidden after binding";
    ring(kAnnaNumber);
    ASSERT_EQ(application->top_form(), form.get());
    EXPECT_EQ(text_of(form->firstname()), u"Anna");
    EXPECT_EQ(text_of(form->lastname()), u"Smith");
    EXPECT_EQ(text_of(form->company()), kAnnaNumber);
    EXPECT_EQ(text_of(form->status()), u"Incoming call");
    EXPECT_EQ(form->photo().source().picture, store->pictures[1].picture);
    EXPECT_EQ(store->picture_requests.back(), "1 30x30") << "the photo node's size";
    EXPECT_TRUE(shown(u"buttonAnswer"));
    EXPECT_TRUE(shown(u"buttonIgnore"));
    EXPECT_FALSE(shown(u"buttonEndCall"));
    EXPECT_TRUE(shown(u"switchMute")) << "shown while the microphone is on";
    EXPECT_FALSE(shown(u"switchSpeaker"));
    EXPECT_FALSE(shown(u"switchHold"));

    tap_button(u"buttonAnswer");
    EXPECT_FALSE(shown(u"buttonAnswer"));
    EXPECT_FALSE(shown(u"buttonIgnore"));
    EXPECT_TRUE(shown(u"buttonEndCall"));
    // The line handler presses the phone's talk key a second later.
    run_for(1100);
    EXPECT_NE(status().find("incoming +49301234567 CONNECTED"), std::string::npos) << status();
    EXPECT_EQ(text_of(form->status()), u"Connected");

    // The toggles follow the line handler's flags.
    tap_button(u"buttonMute");
    EXPECT_TRUE(document->microphone_muted);
    EXPECT_FALSE(shown(u"switchMute"));
    tap_button(u"buttonSpeaker");
    EXPECT_TRUE(shown(u"switchSpeaker"));
    tap_button(u"buttonHold");
    EXPECT_TRUE(shown(u"switchHold"));
    EXPECT_NE(status().find("ONHOLD"), std::string::npos) << status();

    // The far end hangs up: the screen goes, the screen below is back.
    std::string reply;
    ASSERT_TRUE(engine->far_hangup(reply));
    run_for(100);
    EXPECT_EQ(application->top_form(), base.get());
}

TEST_F(CallStage, IgnoringARingingCallEndsItAndTheScreenGoes) {
    build();
    ring(kAnnaNumber);
    tap_button(u"buttonIgnore");
    run_for(100);
    EXPECT_EQ(application->top_form(), base.get());
    EXPECT_NE(status().find("calls 0\n"), std::string::npos) << status();
    EXPECT_NE(status().find("missed +49301234567"), std::string::npos) << status();
}

// The caller's name: a contact's number, a number of nobody, and a withheld number.
TEST_F(CallStage, TheCallerIsLookedUpByNumberAndAnUnknownOneLeavesTheNamesEmpty) {
    struct Case {
        std::u16string number;
        std::u16string first, last, company;
        bool photo;
    };
    const Case cases[] = {
        {u"0301234567", u"Anna", u"Smith", u"0301234567", true},
        {u"+4930999888", u"", u"", u"+4930999888", false},
        {u"", u"", u"", u"Unknown", false},
    };
    build();
    const zentra::ImageRef skin_photo = form->photo().source();
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::to_utf8(c.number));
        ring(c.number);
        ASSERT_EQ(application->top_form(), form.get());
        EXPECT_EQ(text_of(form->firstname()), c.first);
        EXPECT_EQ(text_of(form->lastname()), c.last);
        EXPECT_EQ(text_of(form->company()), c.company);
        EXPECT_EQ(form->photo().source().picture,
                  c.photo ? store->pictures[1].picture : skin_photo.picture);
        std::string reply;
        ASSERT_TRUE(engine->far_hangup(reply));
        run_for(100);
    }
}

TEST_F(CallStage, ASecondEventOfTheSameCallRefreshesTheNamesWithoutAnotherStackChange) {
    // The screen slides in: a new push would be seen as a transition.
    build("string visibility_animation = \"right\"\n");
    ring(kAnnaNumber);
    ASSERT_EQ(application->top_form(), form.get());
    ASSERT_NE(application->transition(), nullptr) << "the screen slides in";
    for (int frame = 0; frame < 50 && application->transition() != nullptr; ++frame) {
        application->advance(0.1);
    }
    ASSERT_EQ(application->transition(), nullptr);
    const int forms = application->form_count();

    // The caller's identity again, now another number, then the offer once more.
    document->caller_number = kBobNumber;
    RefreshHint caller;
    caller.caller_changed = true;
    document->send(caller);
    EXPECT_EQ(text_of(form->firstname()), u"Bob");
    EXPECT_EQ(text_of(form->lastname()), u"Brown");
    EXPECT_EQ(text_of(form->company()), kBobNumber);
    EXPECT_EQ(form->photo().source().picture, nullptr) << "Bob has no photo: the skin's own";
    RefreshHint offered;
    offered.call_offered = true;
    document->send(offered);
    EXPECT_EQ(application->transition(), nullptr);
    EXPECT_EQ(application->form_count(), forms);
    EXPECT_EQ(application->top_form(), form.get());
    EXPECT_EQ(text_of(form->firstname()), u"Bob");
}

TEST_F(CallStage, KeysTypedOnTheCallKeypadGoOutAsTouchTonesOneAtATime) {
    build();
    ring(kAnnaNumber);
    tap_button(u"buttonKeyboard");
    ASSERT_TRUE(form->keyboard().is_visible());
    EXPECT_FALSE(form->find(u"button_call").visible()) << "no call key during a call";
    // Not answered yet: the line sends nothing.
    tap_at(key_at("button5").x, key_at("button5").y);
    form->keyboard().close(false);
    EXPECT_EQ(form->keyboard().text(), u"") << "closing empties the keypad";

    tap_button(u"buttonAnswer");
    run_for(1100);
    ASSERT_TRUE(phone->connected());
    tap_button(u"buttonKeyboard");
    tap_at(key_at("button1").x, key_at("button1").y);
    EXPECT_NE(status().find("digits=1\n"), std::string::npos) << status();
    tap_at(key_at("button2").x, key_at("button2").y);
    EXPECT_NE(status().find("digits=12\n"), std::string::npos) << status();
    EXPECT_EQ(form->keyboard().text(), u"12");
    // The keypad's call key does nothing here (it is hidden, but a skin may show it).
    form->on_keyboard_call(form->keyboard(), u"12");
    EXPECT_NE(status().find("CONNECTED digits=12\n"), std::string::npos) << status();
}

TEST_F(CallStage, AnOutgoingCallShowsOnlyEndAndTheContactsButtonLeavesTheCallRunning) {
    build();
    PhoneManager calls(*document);
    ASSERT_EQ(calls.call_number(kBobNumber), 1);
    run_for(100);
    ASSERT_EQ(application->top_form(), form.get());
    EXPECT_EQ(text_of(form->status()), u"Dialing");
    EXPECT_EQ(text_of(form->firstname()), u"Bob") << "the dialled number names the callee";
    EXPECT_FALSE(shown(u"buttonAnswer"));
    EXPECT_FALSE(shown(u"buttonIgnore"));
    EXPECT_TRUE(shown(u"buttonEndCall"));
    // The talk key has nothing to answer on a placed call.
    EXPECT_FALSE(form->answer_ringing_call());

    tap_button(u"buttonContacts");
    EXPECT_EQ(application->top_form(), base.get());
    EXPECT_TRUE(phone->call_in_progress());
    form->keyboard().show(false, false);
    form->show_again();
    EXPECT_EQ(application->top_form(), form.get());
    EXPECT_FALSE(form->keyboard().is_visible()) << "back to the call without the keypad";

    tap_button(u"buttonEndCall");
    EXPECT_EQ(application->top_form(), base.get());
    EXPECT_FALSE(phone->call_in_progress());
}

// A call the stock phone placed itself brings no number of ours: the last caller's names go.
TEST_F(CallStage, ACallPlacedElsewhereDoesNotKeepTheLastCallersName) {
    build();
    ring(kAnnaNumber);
    std::string reply;
    ASSERT_TRUE(engine->far_hangup(reply));
    run_for(100);
    ASSERT_TRUE(engine->make_call(kBobNumber));
    run_for(100);
    ASSERT_EQ(application->top_form(), form.get());
    EXPECT_EQ(text_of(form->status()), u"Dialing");
    EXPECT_EQ(text_of(form->firstname()), u"");
    EXPECT_EQ(text_of(form->lastname()), u"");
    EXPECT_EQ(text_of(form->company()), u"Unknown");
}

// The notes button runs the configured notes program; without one only the log says so.
TEST_F(CallStage, TheNotesButtonStartsTheConfiguredNotesProgram) {
    std::vector<std::vector<std::string>> started;
    const auto previous = platform::set_launch_handler([&](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
    });
    build();
    ring(kAnnaNumber);
    tap_button(u"buttonNote");
    EXPECT_TRUE(started.empty());
    write_string(u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane", u"NotesCommand", u"notes --new");
    tap_button(u"buttonNote");
    EXPECT_EQ(started, (std::vector<std::vector<std::string>>{{"notes", "--new"}}));
    EXPECT_EQ(application->top_form(), form.get()) << "the call screen stays";
    platform::set_launch_handler(previous);
}

// The main form builds the call screen, brings it back from its menu and gives it the talk key.
class MainCallStage : public CallStage {
protected:
    SpinnerType m_spinner;
    void build_main() {
        load(main_skin());
        open_document(book());
        MainFormServices services;
        services.call_in_progress = [this] { return phone->call_in_progress(); };
        main = std::make_unique<MainForm>(skin, std::move(services));
        application->add_modal_form(*main, false, false);
        call = dynamic_cast<CallForm*>(main->screens().call.get());
        ASSERT_NE(call, nullptr) << "the main form builds the call screen";
    }
    bool key_down(int code) {
        zentra::KeyEvent event;
        event.key = code;
        event.down = true;
        event.first = true;
        // As the window delivers it: to the top form.
        return application->on_key(event);
    }
    CallForm* call = nullptr;
};

TEST_F(MainCallStage, TheTalkKeyAnswersARingingCallWhicheverScreenIsInFront) {
    build_main();
    EXPECT_FALSE(key_down(key::CallMake)) << "no call: the key goes on";
    for (const bool call_screen_in_front : {true, false}) {
        SCOPED_TRACE(call_screen_in_front);
        ring(kAnnaNumber);
        ASSERT_EQ(application->top_form(), call);
        if (!call_screen_in_front) {
            call->on_click(call->button(u"buttonContacts"), {});
            ASSERT_EQ(application->top_form(), main.get());
        }
        EXPECT_TRUE(key_down(key::CallMake));
        EXPECT_FALSE(call->ringing());
        run_for(1100);
        EXPECT_TRUE(phone->connected()) << status();
        EXPECT_FALSE(key_down(key::CallMake)) << "answered: the key goes on";
        std::string reply;
        ASSERT_TRUE(engine->far_hangup(reply));
        run_for(100);
    }
    EXPECT_EQ(status().find("missed"), std::string::npos) << status();
}

TEST_F(MainCallStage, BackToCallFromTheMainMenuPutsTheCallScreenOnTopWithItsKeypadHidden) {
    build_main();
    ring(kAnnaNumber);
    call->on_click(call->button(u"buttonKeyboard"), {});
    call->on_click(call->button(u"buttonContacts"), {});
    ASSERT_EQ(application->top_form(), main.get());
    main->open_menu(u"skinBackToCall");
    EXPECT_EQ(application->top_form(), call);
    EXPECT_FALSE(call->keyboard().is_visible());
    EXPECT_TRUE(call->ringing()) << "still ringing, still answerable";
}

}  // namespace
}  // namespace screens_test
