#pragma once
// A message box with one OK button and the application's name as its caption: the display
// back end's where there is one, else the log and standard error.

#include "platform/ustring.h"

namespace velvane {

class Application;

void show_message_box(const Application& application, platform::WStringView text);

// The user's choice of a file that could not be used: the explanation, then the name chosen
// and the name used instead.
void show_replaced_choice(const Application& application, platform::WStringView text,
                          platform::WStringView chosen, platform::WStringView used);

}  // namespace velvane
