#pragma once
// Asks the user for a picture file: a desktop file chooser when one is installed (zenity or
// kdialog, started directly, never through a shell), or a scripted answer in headless runs.

#include <optional>
#include <string>

#include "platform/ustring.h"

namespace platform {

enum class ChooserKind { none, scripted, zenity, kdialog };

struct PictureRequest {
    WString title;
    WString filter_name;  // shown beside the pattern
    WString pattern;      // "*.*" means every file, as on the handheld
};

// Which chooser answers. The desktop is looked at once (a chooser on PATH and a display to
// show it on) and the answer is kept for the rest of the run.
ChooserKind picture_chooser_kind();

// The chosen file, or nothing when the user cancelled or no chooser is there. Blocks until
// the chooser closes.
std::optional<WString> choose_picture_file(const PictureRequest& request);

// Headless runs answer the chooser themselves: from now on no desktop chooser is started,
// and the next question is answered with path (nothing: cancelled).
void set_scripted_choice(std::optional<WString> path);
// Back to the desktop chooser, looked at again on the next use.
void reset_picture_chooser();

}  // namespace platform
