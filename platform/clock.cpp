#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace platform {

namespace {
std::atomic<bool> g_virtual{false};
std::atomic<uint32_t> g_virtual_now{0};
std::atomic<std::thread::id> g_driver{};
std::atomic<int64_t> g_calendar_start{0};

int64_t system_calendar_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The pinned start when the variable holds plain seconds in a sane range, else the real now.
int64_t virtual_calendar_start() {
    const char* text = std::getenv(kCalendarStartVariable);
    constexpr int64_t kLatest = 253402300799;  // 9999-12-31
    int64_t seconds = 0;
    bool valid = text != nullptr && *text != '\0';
    for (const char* c = text; valid && *c != '\0'; ++c) {
        valid = *c >= '0' && *c <= '9' && seconds <= kLatest;
        seconds = seconds * 10 + (*c - '0');
    }
    return valid && seconds <= kLatest ? seconds * 1000 : system_calendar_ms();
}

// A thread that does not drive the virtual clock waits for the driver to move it past the
// deadline, so a worker's sleep lasts the same number of frames in every run. The real-time
// cap keeps a driver that waits for this very thread from waiting forever.
void wait_for_virtual_clock(uint32_t ms) {
    const uint32_t deadline = g_virtual_now.load(std::memory_order_acquire) + ms;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (g_virtual.load(std::memory_order_acquire) &&
           ticks_until(deadline, g_virtual_now.load(std::memory_order_acquire)) > 0 &&
           std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
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

int64_t calendar_now_ms() {
    if (g_virtual.load(std::memory_order_acquire)) {
        return g_calendar_start.load(std::memory_order_acquire) +
               g_virtual_now.load(std::memory_order_acquire);
    }
    return system_calendar_ms();
}

void sleep_ms(uint32_t ms) {
    if (g_virtual.load(std::memory_order_acquire)) {
        const std::thread::id driver = g_driver.load(std::memory_order_acquire);
        if (driver != std::thread::id{} && driver != std::this_thread::get_id()) {
            wait_for_virtual_clock(ms);
            return;
        }
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
        g_calendar_start.store(virtual_calendar_start(), std::memory_order_release);
    }
    g_virtual.store(on, std::memory_order_release);
}

void drive_virtual_clock_from_this_thread(bool on) {
    g_driver.store(on ? std::this_thread::get_id() : std::thread::id{}, std::memory_order_release);
}
bool virtual_clock_driven() {
    return g_virtual.load(std::memory_order_acquire) &&
           g_driver.load(std::memory_order_acquire) != std::thread::id{};
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
