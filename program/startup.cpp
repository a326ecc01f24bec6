#include "program/startup.h"

#include <string>

#include "app/application.h"
#include "core/log.h"
#include "contacts/categories.h"
#include "contacts/contact_manager.h"
#include "contacts/document.h"
#include "contacts/favorites.h"
#include "contacts/recent_call.h"
#include "platform/phone_engine_sim.h"
#include "screens/main_form.h"
#include "skin/skin_error.h"
#include "sync/background_sync.h"
#include "telephony/phone_manager.h"
#include "telephony/telephone.h"

namespace velvane {

ProgramStartup::ProgramStartup() {
    if (!platform::current_phone_engine()) {
        std::string error;
        platform::start_simulated_phone(error);
        if (!error.empty()) {
            log() << "ProgramStartup phone control: " << platform::from_utf8(error) << "\n";
        }
        m_phone_started = true;
    }
}

ProgramStartup::~ProgramStartup() {
    m_sync.reset();
    m_main_form.reset();
    m_phone.reset();
    m_document.reset();
    if (m_phone_started) {
        platform::stop_simulated_phone();
    }
}

void ProgramStartup::set_load_progress(std::function<void(int index, int total)> progress) {
    m_load_progress = std::move(progress);
}

void ProgramStartup::create_document() {
    DocumentServices services;
    services.make_store = [](Document& document) {
        auto store = ContactManagerImpl2::for_document(document);
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
        services.sync_status = [this]() -> std::pair<WString, WString> {
            const sync::BackgroundSync::Status status = m_sync->status();
            if (status.running) {
                return {u"SyncRunning", status.total > 0
                                            ? platform::to_wstring(static_cast<long long>(status.done)) + u"/" +
                                                  platform::to_wstring(static_cast<long long>(status.total))
                                            : WString()};
            }
            if (!status.finished) {
                return {};
            }
            if (status.ok) {
                return {u"SyncDone", WString()};
            }
            return {u"SyncFailed", platform::from_utf8(status.result)};
        };
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
    store->initialise(window);
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

StartupWorkFactory program_startup() {
    return [] { return std::make_unique<ProgramStartup>(); };
}

}  // namespace velvane
