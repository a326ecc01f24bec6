#pragma once
// A signal any thread may raise as often as it likes: the UI thread runs the handler once for
// all the raises since its last run, never inside raise. A worker says "something changed"
// without waiting; the UI thread reads what changed when it gets there.

#include <atomic>
#include <functional>

#include "core/active.h"

namespace velvane {

class ActiveSignal : private CActive {
public:
    // Needs the CActiveScheduler, from here until the signal goes.
    explicit ActiveSignal(std::function<void()> handler);
    // Whoever raises must have stopped; a raise not yet run is dropped.
    ~ActiveSignal() override;
    ActiveSignal(const ActiveSignal&) = delete;
    ActiveSignal& operator=(const ActiveSignal&) = delete;

    // Any thread.
    void raise();

private:
    void run() override;
    void do_cancel() override { raise(); }

    CActiveScheduler& m_scheduler;
    std::function<void()> m_handler;
    // From the first raise until the run: the scheduler takes one notification per wait.
    std::atomic<bool> m_raised{false};
};

}  // namespace velvane
