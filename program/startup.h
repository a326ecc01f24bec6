#pragma once
// The program's start-up work behind the splash: the phone engine (simulated or SIP), the Document with its
// contact store, call log and Telephone, the main form on the main skin, the store logged on
// with the main window, and the first load of the contacts.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/startup_work.h"

namespace velvane {

class ContactManagerImpl2;
namespace sync {
class BackgroundSync;
}

class ActiveSignal;
class Document;
class MainForm;
class PhoneManager;

class ProgramStartup : public StartupWork {
public:
    // On the UI thread: the phone engine's windows belong to the thread that makes them.
    ProgramStartup();
    ~ProgramStartup() override;

    void set_load_progress(std::function<void(int index, int total)> progress) override;
    void create_document() override;
    zentra::Form* create_main_form(zentra::Properties& properties) override;
    ApplicationListener* listener() override;
    GameBase::MessageHandler connect_store(platform::WindowHandle window) override;
    void load_contacts() override;
    std::vector<Notice> notices() const override;

    Document* document() const { return m_document.get(); }
    MainForm* main_form() const { return m_main_form.get(); }

private:
    // Whether this start made the engine, which it then also stops.
    bool m_phone_started = false;
    // Set by the start-up thread; read once it has ended.
    ContactManagerImpl2* m_store = nullptr;
    std::string m_store_error;
    std::function<void(int, int)> m_load_progress;
    std::unique_ptr<Document> m_document;
    std::unique_ptr<PhoneManager> m_phone;
    std::unique_ptr<MainForm> m_main_form;
    // Made when the book has a sync account; its thread ends before the form and the Document go.
    std::unique_ptr<sync::BackgroundSync> m_sync;
    // Brings the sync's news to the main form; it goes after the sync's thread has ended.
    std::unique_ptr<ActiveSignal> m_sync_signal;
};

// What the program's main hands to the entry.
StartupWorkFactory program_startup();

}  // namespace velvane
