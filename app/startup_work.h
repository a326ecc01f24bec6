#pragma once
// The start-up seam: what the start-up thread builds behind the splash. The program's main
// supplies it, so the shell never knows the Document or the MainForm it builds.

#include <functional>
#include <memory>
#include <vector>

#include "app/application_listener.h"
#include "app/game_base.h"
#include "platform/ustring.h"
#include "platform/window.h"

namespace zentra {
class Form;
class Properties;
}  // namespace zentra

namespace velvane {

class StartupWork {
public:
    // Deletes the MainForm, then the Document.
    virtual ~StartupWork() = default;

    // Where the contact load reports its progress (index, total), on the start-up thread;
    // given before create_document.
    virtual void set_load_progress(std::function<void(int index, int total)> /*progress*/) {}

    // On the start-up thread, in this order.
    virtual void create_document() = 0;
    // The main form built on the main skin; owned by the work. Null when it cannot be built.
    virtual zentra::Form* create_main_form(zentra::Properties& properties) = 0;
    virtual ApplicationListener* listener() = 0;
    // Logs the contact store on with the main window. The handler is handed over on the UI
    // thread once this thread has ended; from then on it gets every message of that window.
    virtual GameBase::MessageHandler connect_store(platform::WindowHandle window) = 0;
    virtual void load_contacts() = 0;

    // What the user must be told once the start-up has ended, on the UI thread: a language
    // key for the explanation and the detail shown under it.
    struct Notice {
        platform::WString key;
        platform::WString detail;
    };
    virtual std::vector<Notice> notices() const { return {}; }
};

using StartupWorkFactory = std::function<std::unique_ptr<StartupWork>()>;

}  // namespace velvane
