#include "app/skin_rebind.h"

#include <exception>
#include <utility>

#include "app/application.h"
#include "app/languages.h"
#include "app/message_box.h"
#include "app/skins.h"
#include "core/log.h"
#include "skin/skin_error.h"

namespace velvane {

namespace {

// Runs bind; a skin error it raises is logged with the skin it came from and kept in error.
bool bound(const zentra::Properties& properties, WStringView screen,
           const std::function<void()>& bind, std::exception_ptr& error) {
    try {
        bind();
        return true;
    } catch (...) {
        const WString why = zentra::current_skin_error();
        log() << screen << u": the skin " << properties.skin_path() << u" cannot be used, " << why
              << u"\n";
        error = std::current_exception();
        return false;
    }
}

zentra::ScreenMetrics current_metrics() {
    const Application* application = Application::get_instance();
    return application != nullptr ? application->screen_metrics() : zentra::ScreenMetrics{};
}

WString application_name() {
    const Application* application = Application::get_instance();
    return application != nullptr ? application->name() : WString(u"Velvane");
}

// Set while every screen binds to the previous skin again, so a failure then cannot start
// another round.
bool g_restoring = false;

}  // namespace

void bind_with_fallback(zentra::Properties& properties, WStringView screen,
                        const std::function<void()>& bind) {
    std::exception_ptr first;
    if (bound(properties, screen, bind, first)) {
        return;
    }
    const WString failed = properties.skin_path();
    const zentra::ScreenMetrics metrics = current_metrics();
    for (const WString& path : skin_candidates(application_name())) {
        if (platform::equals_ignore_ascii_case(path, failed) ||
            !properties.load_skin(path, metrics)) {
            continue;
        }
        std::exception_ptr ignored;
        if (bound(properties, screen, bind, ignored)) {
            log() << screen << u": using the skin " << path << u"\n";
            return;
        }
    }
    std::rethrow_exception(first);
}

bool rebind_after_reload(zentra::Properties& properties, WStringView screen,
                         const std::function<void()>& bind) {
    std::exception_ptr error;
    if (bound(properties, screen, bind, error)) {
        return true;
    }
    if (g_restoring) {
        log() << screen << u": the previous skin cannot be used either\n";
        return false;
    }
    if (!restore_previous_skin(properties, current_metrics())) {
        log() << screen << u": no previous skin to go back to\n";
        return false;
    }
    g_restoring = true;
    try {
        properties.send_reload_skin();
    } catch (...) {
        g_restoring = false;
        throw;
    }
    g_restoring = false;
    if (const Application* application = Application::get_instance()) {
        show_message_box(*application, text(properties, u"SkinFailed"));
    }
    return false;
}

}  // namespace velvane
