#include "app/splash_form.h"

#include "app/application.h"
#include "core/log.h"
#include "app/game_base.h"
#include "app/languages.h"
#include "app/message_box.h"
#include "app/skins.h"

#include <algorithm>
#include "platform/clock.h"
#include "platform/messages.h"

#include <chrono>
#include <thread>

namespace velvane {

SplashForm::SplashForm(Application& application, zentra::Properties& splash_properties,
                       zentra::Properties& main_properties, platform::WStringView command_line,
                       std::unique_ptr<StartupWork> work)
    : m_application(application),
      m_main_properties(main_properties),
      m_work(std::move(work)),
      m_name(application.name()),
      m_metrics(application.screen_metrics()),
      m_command_line(command_line) {
    load_definition(splash_properties, u"FormSplash");
    m_progress_bar = dynamic_cast<zentra::ProgressNode*>(find_descendant(u"load_progress"));
    m_application.add_modal_form(*this, true, true);
    if (GameBase* platform = m_application.platform()) {
        m_window = platform->main_window();
        platform->hold_document_messages();
    }
    m_thread.start();
}

SplashForm::~SplashForm() {
    // Closed during the splash: what the thread builds must not go while it builds it, and
    // nothing that waited for it may reach it afterwards.
    m_thread.join();
    if (!m_handed_over) {
        if (GameBase* platform = m_application.platform()) {
            platform->discard_document_messages();
        }
    }
    m_command_line.clear();
    m_work.reset();
}

void SplashForm::run() {
    platform::sleep_ms(kFirstSleepMs);
    if (m_work) {
        m_work->set_load_progress([this](int index, int total) { set_load_progress(index, total); });
        m_work->create_document();
    }
    if (!choose_skin(m_main_properties, m_name, {}, m_metrics, &m_missing_skin)) {
        m_no_skin = true;
        return;
    }
    log() << platform::tick_count() << " start: run: 2\n";
    if (m_work) {
        m_main_form = m_work->create_main_form(m_main_properties);
    }
    log() << platform::tick_count() << " start: run: 3\n";
    if (!m_work || m_main_form == nullptr) {
        return;
    }
    m_listener = m_work->listener();
    // Logged on before the load, so no change made meanwhile is missed: its notice waits.
    if (m_window) {
        m_message_handler = m_work->connect_store(m_window);
    }
    log() << platform::tick_count() << " start: run: 4\n";
    m_work->load_contacts();
    log() << platform::tick_count() << " start: run: 5\n";
}

void SplashForm::set_load_progress(int index, int total) {
    if (total > 0 && index >= 0) {
        m_load_progress = (int64_t{std::min(index, total)} << 32) | static_cast<uint32_t>(total);
    }
}

void SplashForm::advance(double seconds) {
    if (const int64_t progress = m_load_progress.exchange(-1); progress >= 0 && m_progress_bar) {
        const auto total = static_cast<uint32_t>(progress & 0xFFFFFFFF);
        m_progress_bar->set_fraction(static_cast<double>(progress >> 32) / total);
    }
    Form::advance(seconds);
    m_run_time += seconds;
    if (m_thread.is_running()) {
        if (m_run_time > kYieldAfterSeconds) {
            yield_to_start_up();
        }
        return;
    }
    if (!m_handed_over) {
        m_handed_over = true;
        hand_over();
    }
}

void SplashForm::yield_to_start_up() {
    if (!platform::virtual_clock_in_use()) {
        platform::sleep_ms(kYieldMs);
        return;
    }
    // Under the virtual clock program time stands still while the start-up works, so every
    // run sees the same frames however fast the machine is. Calls the worker sends to this
    // thread are still served meanwhile, and what arrives for the Document is taken to wait.
    GameBase* platform = m_application.platform();
    const auto give_up = std::chrono::steady_clock::now() + kVirtualYieldLimit;
    while (m_thread.is_running() && std::chrono::steady_clock::now() < give_up) {
        if (platform != nullptr) {
            platform->dispatch_waiting_messages();
        } else {
            platform::Message message;
            platform::peek_message(message, {}, 0, 0, false);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void SplashForm::hand_over() {
    log() << platform::tick_count() << " WinMain 10\n";
    GameBase* platform = m_application.platform();
    if (m_no_skin) {
        show_message_box(m_application, text(m_main_properties, u"NoSkins"));
    }
    if (!m_missing_skin.empty()) {
        show_replaced_choice(m_application, text(m_main_properties, u"SkinMissing"),
                             m_missing_skin, title_on_disk(m_main_properties.skin_path()));
    }
    if (m_main_form != nullptr) {
        m_application.set_listener(m_listener);
        if (m_listener != nullptr) {
            m_listener->on_resolution_changed();
        }
        m_application.add_modal_form(*m_main_form, false, true);
        if (!m_command_line.empty() && m_listener != nullptr) {
            m_listener->on_command_line(m_command_line);
        }
    }
    // What arrived during the load follows the start's own command line, in arrival order.
    if (platform != nullptr) {
        platform->release_document_messages(std::move(m_message_handler));
    }
    if (m_main_form != nullptr && platform != nullptr) {
        platform->bring_to_front();
    }
    if (m_work) {
        for (const StartupWork::Notice& notice : m_work->notices()) {
            show_message_box(m_application,
                             text(m_main_properties, notice.key) + u"\n" + notice.detail);
        }
    }
    m_application.remove_modal_form(*this, true);
}

}  // namespace velvane
