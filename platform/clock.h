#pragma once
// Tick count and sleep, with a virtual clock for headless deterministic runs.
//
// The tick count is a 32-bit millisecond counter that wraps after about 49 days, as the
// handheld's did; compare ticks by their signed difference, never with < on the raw values.

#include <cstdint>

namespace platform {

// Milliseconds from an arbitrary start: the monotonic clock, or the virtual one while it is
// switched on.
uint32_t tick_count();

// Waits ms milliseconds; under the virtual clock it advances the clock by ms at once (but see
// drive_virtual_clock_from_this_thread).
void sleep_ms(uint32_t ms);

// Switches the virtual clock on or off. Switching it on starts it at tick 0; switching it on
// again while it is on keeps its time, so time never runs backwards under running timers.
void use_virtual_clock(bool on);
bool virtual_clock_in_use();

// Makes the calling thread the one that moves the virtual clock (a headless run's frame loop).
// Sleeps on other threads then wait for it to move the clock past their end, or for the same
// time of real time, whichever comes first. Without a driver every sleep moves the clock.
void drive_virtual_clock_from_this_thread(bool on);

// The virtual clock is on and one thread moves it: what is due at a tick is then best run by
// that thread, between its frames, not by another thread watching real time.
bool virtual_clock_driven();

// Moves the virtual clock forward by ms. Does nothing while the real clock is in use.
void advance_virtual_clock(uint32_t ms);

// Moves the virtual clock forward to tick unless it is already there or past it; the message
// wait uses it to jump to the next window timer instead of blocking.
void advance_virtual_clock_to(uint32_t tick);

// A run that must show the same dates every time pins its calendar's start with this
// variable (seconds since 1970, UTC); otherwise a virtual calendar starts at the real now, so a
// phone book's call times read as they were made.
inline constexpr const char* kCalendarStartVariable = "VELVANE_CALENDAR_START";

// Milliseconds since 1970-01-01 UTC: the system's calendar clock, or, while the virtual clock
// is in use, its start plus the virtual ticks. Everything the program shows or stores as the
// date and time of now (today's calls, the date editor's today, call times) reads this.
int64_t calendar_now_ms();

// Signed distance from now to a tick: negative or 0 when the tick has come.
inline int32_t ticks_until(uint32_t tick, uint32_t now) {
    return static_cast<int32_t>(tick - now);
}

}  // namespace platform
