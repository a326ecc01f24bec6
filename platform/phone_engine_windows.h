#pragma once
// What the shell knows of top-level windows beyond window.h: whether they show, whether they
// take input, their menu bar, and the image of the process that made them. The stock phone
// program's call windows live here, and the synthesised key presses that reach it.

#include <cstdint>

#include "platform/ustring.h"
#include "platform/window.h"

namespace platform {

inline constexpr WStringView kStockPhoneImage = u"\\Windows\\cprog.exe";
inline constexpr WStringView kStockDialogClass = u"Dialog";
// The call windows' titles: the incoming one is the longer.
inline constexpr WStringView kStockIncomingTitle = u"Phone - Incoming";
inline constexpr WStringView kStockOutgoingTitle = u"Phone";
inline constexpr WStringView kMenuBarClass = u"menu_worker";

inline constexpr uint8_t VK_TTALK = 0x72;
inline constexpr uint8_t VK_TEND = 0x73;
inline constexpr uint32_t KEYEVENTF_KEYUP = 0x0002;

// Show commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;

// Windows show and take input unless told otherwise. SW_HIDE hides, SW_MINIMIZE and
// SW_SHOWMINIMIZED minimise (a minimised window does not show), every other command shows
// and restores. False for an invalid window. Gives whether the window showed before, as the
// handheld did, through was_visible when given.
bool show_window(WindowHandle window, int command, bool* was_visible = nullptr);
bool is_window_visible(WindowHandle window);
bool is_window_minimized(WindowHandle window);
bool enable_window(WindowHandle window, bool enable);
bool is_window_enabled(WindowHandle window);

// The menu bar of a top-level window (a child window of class "menu_worker"), or null.
WindowHandle find_menu_bar(WindowHandle window);

// The image of the process that made a window ("\Windows\cprog.exe"); empty for a window of
// no known program. The program's own windows have no entry.
WString window_image_path(WindowHandle window);
void set_window_image_path(WindowHandle window, WStringView image);

// A synthesised key press, as the handheld's keybd_event: flags 0 for down,
// KEYEVENTF_KEYUP for up. The phone program's keys go to the current phone engine.
void keybd_event(uint8_t virtual_key, uint32_t flags);

// The stock phone program's two call windows, made on the calling thread (which owns them)
// hidden, each with a menu bar, and removed with this object.
class StockPhoneWindows {
public:
    StockPhoneWindows();
    ~StockPhoneWindows();
    StockPhoneWindows(const StockPhoneWindows&) = delete;
    StockPhoneWindows& operator=(const StockPhoneWindows&) = delete;

    WindowHandle incoming() const { return m_incoming; }
    WindowHandle outgoing() const { return m_outgoing; }

    // What the phone program shows for a call: the incoming window while one rings, the
    // call window while one is dialled or talked on, nothing otherwise. Each with its menu
    // bar.
    void show_incoming(bool show);
    void show_outgoing(bool show);

private:
    WindowHandle m_incoming;
    WindowHandle m_outgoing;
    ThreadId m_owner = 0;
};

}  // namespace platform
