#pragma once
// One running copy of the program: a second start hands its command line to the first and
// ends. The named mutex is a lock file; finding the running copy's main window and sending it
// the command line go through a socket that the main window listens on.

#include "platform/ustring.h"
#include "platform/window.h"

namespace velvane {

// True when another copy was found and took the command line (an empty one travels as
// "%CommandLineEmpty%"). Otherwise this copy holds the mutex until the main window exists.
bool show_running_instance_open_bracket(platform::WStringView command_line,
                                        platform::WStringView name);

// Makes window findable by later starts; the class name is the mutex's name.
bool publish_main_window(platform::WStringView class_name, platform::WindowHandle window);
// Stops listening; called before the main window goes.
void withdraw_main_window();

// Releases and closes the mutex; does nothing when it is not held.
void release_single_instance_mutex();

}  // namespace velvane
