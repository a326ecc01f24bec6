#include "app/single_instance.h"

#include <memory>

#include "core/log.h"
#include "platform/copy_data.h"
#include "platform/instance_lock.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

namespace {

constexpr WStringView kEmptyCommandLine = u"%CommandLineEmpty%";

// The process statics of the check.
struct InstanceState {
    WString name;
    WString class_name;
    WString command_line;
    bool found = false;
    std::unique_ptr<platform::InstanceMutex> mutex;
    std::unique_ptr<platform::CopyDataServer> server;
};

InstanceState& state() {
    static InstanceState instance;
    return instance;
}

}  // namespace

bool show_running_instance_open_bracket(WStringView command_line, WStringView name) {
    log() << "Application::show_running_instance_open_bracket cmd_line=" << command_line << "\n";
    InstanceState& s = state();
    s.name = WString(name);
    s.class_name = u"FacettaClass_" + WString(name);
    s.command_line = WString(command_line);
    s.found = false;

    s.mutex = std::make_unique<platform::InstanceMutex>();
    if (!s.mutex->open(s.class_name)) {
        log() << "Application::show_running_instance_open_bracket mutex==0\n";
        s.mutex.reset();
        return false;
    }
    // Held from here until our main window can be found, so two copies starting together
    // never both miss each other.
    s.mutex->wait();

    const WStringView payload = command_line.empty() ? kEmptyCommandLine : command_line;
    if (platform::send_copy_data(s.class_name, 0, payload.data(),
                                 static_cast<uint32_t>(payload.size() * 2))) {
        log() << "Application::EnumProc window found 2\n";
        s.found = true;
    }
    // Found: the mutex stays held until this process ends.
    return s.found;
}

bool publish_main_window(WStringView class_name, platform::WindowHandle window) {
    InstanceState& s = state();
    s.server = std::make_unique<platform::CopyDataServer>();
    if (!s.server->start(class_name, window)) {
        log() << "Application::publish_main_window " << platform::from_utf8(s.server->error())
              << "\n";
        s.server.reset();
        return false;
    }
    return true;
}

void withdraw_main_window() {
    state().server.reset();
}

void release_single_instance_mutex() {
    state().mutex.reset();
}

}  // namespace velvane
