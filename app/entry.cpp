#include "app/entry.h"

#include "app/application.h"
#include "core/log.h"
#include "core/paths.h"
#include "app/game_base.h"
#include "app/handovers.h"
#include "app/languages.h"
#include "app/message_box.h"
#include "app/single_instance.h"
#include "app/splash_form.h"
#include "platform/clock.h"
#include "skin/node_factory.h"
#include "skin/properties.h"
#include "skin/spinner.h"

namespace velvane {

namespace {

constexpr platform::WStringView kNoLanguages =
    u"No languages, please reinstall\n"
    u"Не найдены языковые файлы, нужна переустановка\n";

void log_step(const char* step) {
    log() << platform::tick_count() << step;
}

// Everything between the application and the loop's end: steps 4 to 10 of the start.
void run_application(Application& application, platform::WStringView command_line,
                     const StartupWorkFactory& make_work) {
    GameBase& platform = *application.platform();
    platform.set_input_captured(false);
    platform.set_windowed(false);
    platform.set_fullscreen(platform.backend().screen().orientation);
    log_step(" start: 3\n");

    zentra::Properties main_properties;
    WString missing_language;
    if (!choose_language(main_properties, kApplicationName, kProgramFolder, &missing_language)) {
        show_message_box(application, kNoLanguages);
        return;
    }
    if (!missing_language.empty()) {
        show_replaced_choice(application, text(main_properties, u"LanguageMissing"),
                             missing_language, title_on_disk(loaded_language_path()));
    }
    log_step(" start: 5\n");
    zentra::Properties splash_properties;
    if (!splash_properties.load_skin(expand_path(u"%app_path%/skins/bin/splash.skin"),
                                     application.screen_metrics())) {
        show_message_box(application, text(main_properties, u"NoSkins"));
        return;
    }
    // Every hand-over that brings another program up pauses the frames until it has gone.
    const std::function<void()> previous_rest =
        set_rest_frames_hook([&platform] { platform.rest_frames(); });
    auto splash = std::make_unique<SplashForm>(application, splash_properties, main_properties,
                                               command_line, make_work ? make_work() : nullptr);
    log_step(" start: 6\n");
    platform.run_message_loop();
    set_rest_frames_hook(previous_rest);
    log().flush();
    // The splash owns the main form and the document; the stack must not point at them.
    while (zentra::Form* form = application.top_form()) {
        application.remove_modal_form(*form, false);
    }
    application.set_listener(nullptr);
    splash.reset();
}

}  // namespace

int win_main(platform::WStringView command_line, const BackendFactory& make_backend,
             const StartupWorkFactory& make_work) {
    log_step(" start: 1\n");
    zentra::NodeFactory::register_type(u"spinner", zentra::create_node<zentra::SpinnerNode>);
    int result = 0;
    if (!show_running_instance_open_bracket(command_line, kApplicationName)) {
        log_step(" start: 2\n");
        std::unique_ptr<display::Backend> backend = make_backend();
        if (!backend) {
            result = kExitNoDisplay;
        } else {
            Application application(kApplicationName, backend.get());
            if (application.platform()->main_window()) {
                run_application(application, command_line, make_work);
            }
        }
    }
    zentra::NodeFactory::unregister_type(u"spinner");
    return result;
}

}  // namespace velvane
