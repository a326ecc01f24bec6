#include "app/message_box.h"

#include <cstdio>

#include "app/application.h"
#include "core/log.h"
#include "app/game_base.h"

namespace velvane {

void show_message_box(const Application& application, platform::WStringView text) {
    if (GameBase* platform = application.platform()) {
        platform->backend().message_box(application.name(), text);
        return;
    }
    log() << application.name() << ": " << text << "\n";
    std::fprintf(stderr, "%s: %s\n", platform::to_utf8(application.name()).c_str(),
                 platform::to_utf8(text).c_str());
}

void show_replaced_choice(const Application& application, platform::WStringView text,
                          platform::WStringView chosen, platform::WStringView used) {
    platform::WString message(text);
    message += u"\n";
    message += chosen;
    message += u" \u2192 ";
    message += used;
    show_message_box(application, message);
}

}  // namespace velvane
