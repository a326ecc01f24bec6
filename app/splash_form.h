#pragma once
// The splash: shown while the start-up thread builds the document, loads the main skin and
// builds the main form; when the thread has ended it puts the main form up and goes. It owns
// what the thread built for the whole run.
//
// The thread never reaches into the UI thread's objects: it works from copies taken here and
// leaves its results (the listener, the store's message handler) in the splash, which hands
// them over once it has seen the thread end. What arrives for the Document meanwhile waits in
// GameBase and follows in order.

#include <atomic>
#include <chrono>
#include <memory>

#include "core/thread.h"
#include "app/startup_work.h"
#include "app/game_base.h"
#include "platform/ustring.h"
#include "platform/window.h"
#include "skin/form.h"
#include "skin/progress_node.h"
#include "skin/screen_metrics.h"

namespace velvane {

class Application;

class SplashForm : public zentra::Form {
public:
    // The first stretch of the start-up thread, so the splash is seen.
    static constexpr uint32_t kFirstSleepMs = 500;
    // After this long the UI thread yields to the worker on every frame.
    static constexpr double kYieldAfterSeconds = 0.5;
    static constexpr uint32_t kYieldMs = 100;
    // Under the virtual clock the UI thread waits for the start-up, in real time, this long.
    static constexpr std::chrono::seconds kVirtualYieldLimit{60};

    // Builds itself from "FormSplash" of splash_properties, goes on the stack and starts the
    // start-up thread. work may be null: then nothing but the main skin is loaded.
    SplashForm(Application& application, zentra::Properties& splash_properties,
               zentra::Properties& main_properties, platform::WStringView command_line,
               std::unique_ptr<StartupWork> work);
    // Waits for the start-up thread before deleting what it builds.
    ~SplashForm() override;

    void advance(double seconds) override;

    zentra::Form* main_form() const { return m_main_form; }

    // From the start-up thread while the contacts load: the splash's "load_progress" bar
    // follows on the next frame (nodes belong to the UI thread, so only the numbers cross).
    void set_load_progress(int index, int total);
    bool starting() const { return m_thread.is_running(); }

private:
    class StartupThread : public Thread {
    public:
        explicit StartupThread(SplashForm& splash) : m_splash(splash) {}

    protected:
        void run() override { m_splash.run(); }

    private:
        SplashForm& m_splash;
    };

    // The start-up thread's work.
    void run();
    void yield_to_start_up();
    void hand_over();

    Application& m_application;
    StartupThread m_thread{*this};
    zentra::Properties& m_main_properties;
    std::unique_ptr<StartupWork> m_work;
    // What the thread works from, taken on the UI thread before it starts.
    platform::WString m_name;
    zentra::ScreenMetrics m_metrics;
    platform::WindowHandle m_window;
    // The thread's results: written by it, read on the UI thread only after it has ended.
    zentra::Form* m_main_form = nullptr;
    ApplicationListener* m_listener = nullptr;
    GameBase::MessageHandler m_message_handler;
    bool m_no_skin = false;
    // The registry's skin when it could not be loaded and another was taken.
    platform::WString m_missing_skin;
    double m_run_time = 0;
    platform::WString m_command_line;
    bool m_handed_over = false;
    // index and total of the load, packed so the two always travel together; -1 when none.
    std::atomic<int64_t> m_load_progress{-1};
    zentra::ProgressNode* m_progress_bar = nullptr;
};

}  // namespace velvane
