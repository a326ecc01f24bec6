#include "program/startup.h"

#include <string>

#include "app/application.h"
#include "core/log.h"
#include "contacts/categories.h"
#include "contacts/contact_manager.h"
#include "contacts/document.h"
#include "contacts/favorites.h"
#include "contacts/recent_call.h"
#include "core/active_signal.h"
#include "core/registry.h"
#include "platform/files.h"
#include "platform/phone_engine_control.h"
#include "platform/phone_engine_sim.h"
#include "platform/phone_engine_sip.h"
#include "screens/main_form.h"
#include "skin/skin_error.h"
#include "sync/background_sync.h"
#include "telephony/phone_manager.h"
#include "telephony/telephone.h"

namespace velvane {

namespace {

std::string setting(WStringView name, std::string fallback = {}) {
    WString value;
    return read_string(Document::kRegistryPath, name, value) ? platform::to_utf8(value)
                                                             : std::move(fallback);
}

// The SIP phone's settings; the password comes from a file of the user's only, never from
// the registry.
platform::SipPhoneEngine::Options sip_options() {
    platform::SipPhoneEngine::Options options;
    options.account = setting(u"SipAccount");
    options.listen = setting(u"SipListen");
    options.dial_domain = setting(u"SipDialDomain");
    options.audio_source = setting(u"SipAudioSource", options.audio_source);
    options.audio_player = setting(u"SipAudioPlayer", options.audio_player);
    options.loudspeaker_player = setting(u"SipLoudspeakerPlayer");
    const std::string password_file =
        platform::native_path(platform::user_data_folder()) + "/sip-password";
    std::string error;
    options.password = platform::read_sip_password(password_file, error);
    if (!error.empty()) {
        log() << "ProgramStartup SIP password: " << platform::from_utf8(error) << "\n";
    }
    options.log = [](const std::string& line) { log() << platform::from_utf8(line) << "\n"; };
    return options;
}

SyncState sync_state(const sync::BackgroundSync::Status& status) {
    SyncState state;
    if (status.running) {
        state.phase = SyncState::Phase::running;
        state.done = status.done;
        state.total = status.total;
    } else if (status.finished && status.summary.ok) {
        const sync::SyncSummary& s = status.summary;
        state.phase = SyncState::Phase::done;
        state.changed_here = s.added_here + s.changed_here + s.removed_here;
        state.changed_there = s.added_there + s.changed_there + s.removed_there;
    } else if (status.finished) {
        state.phase = SyncState::Phase::failed;
        state.reason = platform::from_utf8(sync::error_reason(status.summary.error));
    }
    return state;
}

}  // namespace

ProgramStartup::ProgramStartup() {
    if (platform::current_phone_engine()) {
        return;
    }
    std::string error;
    const std::string engine = setting(u"PhoneEngine", "simulated");
    if (engine == "sip") {
        platform::start_sip_phone(sip_options(), error);
    } else {
        if (engine != "simulated") {
            log() << "ProgramStartup: unknown PhoneEngine " << platform::from_utf8(engine)
                  << ", the simulated phone is used\n";
        }
        platform::start_simulated_phone(error);
    }
    m_phone_started = true;
    if (!error.empty()) {
        log() << "ProgramStartup phone control: " << platform::from_utf8(error) << "\n";
    }
}

ProgramStartup::~ProgramStartup() {
    m_sync.reset();
    m_sync_signal.reset();
    m_main_form.reset();
    m_phone.reset();
    m_document.reset();
    if (m_phone_started) {
        platform::stop_phone_engine();
    }
}

void ProgramStartup::set_load_progress(std::function<void(int index, int total)> progress) {
    m_load_progress = std::move(progress);
}

void ProgramStartup::create_document() {
    DocumentServices services;
    services.make_store = [this](Document& document) {
        auto store = ContactManagerImpl2::for_document(document);
        m_store = store.get();
        // The picture chooser is another program's window: the screen is released while it is
        // open and taken back when it closes.
        store->set_full_screen_handler([](bool release) {
            GameBase* platform = GameBase::get_instance();
            Application* application = Application::get_instance();
            if (platform == nullptr || application == nullptr) {
                return;
            }
            if (release) {
                platform->release_screen();
            } else {
                platform->take_screen_back(application->screen_metrics().orientation);
            }
        });
        return store;
    };
    services.call_log = std::make_unique<CallLog>();
    services.make_line = [](Document& document) {
        ProgramWindow window;
        window.bring_to_front = [] {
            if (GameBase* platform = GameBase::get_instance()) {
                platform->bring_to_front();
            }
        };
        window.redraw = [] {
            if (Application* application = Application::get_instance()) {
                application->request_redraw();
            }
        };
        window.minimize = [] {
            if (GameBase* platform = GameBase::get_instance()) {
                platform->minimize_to_shell();
            }
        };
        window.rest_frames = [] {
            if (GameBase* platform = GameBase::get_instance()) {
                platform->rest_frames();
            }
        };
        return std::make_unique<Telephone>(document, std::move(window));
    };
    services.load_favorites = [](Document& document) { load_favorites(document); };
    services.passes_category = passes_category;
    services.load_progress = m_load_progress;
    m_document = std::make_unique<Document>(std::move(services));
    m_phone = std::make_unique<PhoneManager>(*m_document);
}

zentra::Form* ProgramStartup::create_main_form(zentra::Properties& properties) {
    MainFormServices services;
    services.call_number = [this](WStringView number) { m_phone->call_number(number); };
    services.call_in_progress = [this] {
        const LineHandler* line = m_document->line();
        return line != nullptr && line->call_in_progress();
    };
    if (sync::BackgroundSync::account_exists()) {
        m_sync = std::make_unique<sync::BackgroundSync>();
        services.sync_now = [this] { m_sync->sync_now(); };
        // The pass's thread only raises the signal; the status is read on the UI thread.
        m_sync_signal = std::make_unique<ActiveSignal>([this] {
            if (m_main_form) {
                m_main_form->show_sync(sync_state(m_sync->status()));
            }
        });
        m_sync->set_listener([signal = m_sync_signal.get()] { signal->raise(); });
    }
    // The skin engine's errors name what the skin lacks; the program goes on without a main
    // form rather than ending inside the start-up thread.
    try {
        m_main_form = std::make_unique<MainForm>(properties, std::move(services));
    } catch (...) {
        log() << "MainForm: " << zentra::current_skin_error() << "\n";
    }
    return m_main_form.get();
}

ApplicationListener* ProgramStartup::listener() {
    return m_main_form.get();
}

GameBase::MessageHandler ProgramStartup::connect_store(platform::WindowHandle window) {
    ContactSource* store = m_document->store();
    if (store == nullptr) {
        return {};
    }
    // A file that is not a contact database is never touched; the user is told which one it
    // is, or the book would only look empty.
    if (!store->initialise(window) && m_store != nullptr && m_store->session() == nullptr) {
        m_store_error = m_store->open_error();
    }
    return [store](uint32_t message, uintptr_t wparam, intptr_t lparam) {
        store->on_window_message(message, wparam, lparam);
    };
}

void ProgramStartup::load_contacts() {
    m_document->load();
    // After the first load: what the pass changes then arrives as notices the Document follows.
    if (m_sync) {
        m_sync->start();
    }
}

std::vector<StartupWork::Notice> ProgramStartup::notices() const {
    if (m_store_error.empty()) {
        return {};
    }
    return {Notice{u"ContactsUnreadable", platform::from_utf8(m_store_error)}};
}

StartupWorkFactory program_startup() {
    return [] { return std::make_unique<ProgramStartup>(); };
}

}  // namespace velvane
