#pragma once
// The motion rules of a scrolling list, free of nodes so each can be checked on its own:
// rubber band while dragging past an end, friction and the pull back while flinging, spring
// back at rest and the braking keyboard cursor.

#include <functional>

namespace zentra {

namespace scroller {

inline constexpr double kMaxFling = 2000;          // pixels per second
inline constexpr double kSpringSpeed = 400;        // pixels per second
inline constexpr double kHeightSpeed = 200;        // pixels per second, animated row heights
inline constexpr double kCursorStep = 200;         // cursor speed added per key press
inline constexpr double kCursorFloor = 50;         // slowest braking cursor

// Where the content stands against its rest places: top = position - border min (positive
// when pulled down past the first item), bottom = (height - border max - total) - position
// (positive when pushed up past the last one). Each end only counts while its item is bound.
struct Overshoot {
    double top = 0;
    double bottom = 0;
    bool first_bound = false;
    bool last_bound = false;
};

// The finger's dy as it moves the content: halved at a quarter of the height past an end,
// stopped at half of it.
double rubber_band(double dy, const Overshoot& over, int height);

// One step of friction, and of the pull back when flinging out past an end.
// finger_braking: the finger rests on the list without holding a row.
double fling_step(double velocity, double dt, const Overshoot& over, bool finger_braking);

// from moved toward to by at most step, landing exactly on it.
double move_toward(double from, double to, double step);

// The keyboard cursor in item units with its speed in pixels per second. row_height gives the
// height of a row (a positive default for rows that are not bound).
struct Cursor {
    double position = -1;
    double speed = 0;
};
Cursor cursor_step(Cursor cursor, double dt, int count, const std::function<double(int)>& row_height);

}  // namespace scroller

}  // namespace zentra
