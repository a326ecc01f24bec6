#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {

namespace {
std::atomic<bool> g_virtual{false};
std::atomic<uint32_t> g_virtual_now{0};
}  // namespace

uint32_t tick_count() {
    if (g_virtual.load(std::memory_order_acquire)) {
        return g_virtual_now.load(std::memory_order_acquire);
    }
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    // Truncation to 32 bits is the wrap the handheld's counter had.
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void sleep_ms(uint32_t ms) {
    if (g_virtual.load(std::memory_order_acquire)) {
        advance_virtual_clock(ms);
        // Let other threads run, as a real sleep would.
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void use_virtual_clock(bool on) {
    if (on && !g_virtual.load(std::memory_order_acquire)) {
        g_virtual_now.store(0, std::memory_order_release);
    }
    g_virtual.store(on, std::memory_order_release);
}

bool virtual_clock_in_use() {
    return g_virtual.load(std::memory_order_acquire);
}

void advance_virtual_clock(uint32_t ms) {
    if (!g_virtual.load(std::memory_order_acquire)) {
        return;
    }
    g_virtual_now.fetch_add(ms, std::memory_order_acq_rel);
}

void advance_virtual_clock_to(uint32_t tick) {
    if (!g_virtual.load(std::memory_order_acquire)) {
        return;
    }
    uint32_t now = g_virtual_now.load(std::memory_order_acquire);
    while (ticks_until(tick, now) > 0 &&
           !g_virtual_now.compare_exchange_weak(now, tick, std::memory_order_acq_rel)) {
    }
}

}  // namespace platform
