#pragma once
// The main skin: the user's choice at start-up with its fallbacks, and the skin menu. Skins are
// the "*.skin" files in "skins/bin" under the program folder, less the splash and today skins.

#include <vector>

#include "platform/ustring.h"
#include "skin/menu.h"
#include "skin/properties.h"
#include "skin/screen_metrics.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

// Paths of the skins offered as the main skin in base + "/skins/bin", in the order of the file
// search; base empty means the program folder.
std::vector<WString> list_skins(WStringView base = {});
bool skin_choice_available(WStringView base = {});

// The skins start-up tries, in order: the registry's Skin, "default", then every listed skin;
// each path once.
std::vector<WString> skin_candidates(WStringView app_name, WStringView base = {});

// Start-up: the first of the candidates that loads wins. When the registry's Skin names a skin
// that cannot be loaded, the skin used instead is stored in its place (a line in the log says
// so) and missing_choice, when given, gets the name that failed; otherwise nothing is written.
bool choose_skin(zentra::Properties& properties, WStringView app_name, WStringView base,
                 const zentra::ScreenMetrics& metrics, WString* missing_choice = nullptr);

// "Skin" fills menu with one item per skin and a Cancel item; "Skin#<title>" loads that skin
// and stores it as the user's choice, true when it replaced the one loaded. The skin and the
// choice it replaced are kept for restore_previous_skin.
bool skin_menu(zentra::Properties& properties, WStringView app_name, WStringView item_key,
               std::vector<zentra::MenuItem>& menu, WStringView element_name,
               const zentra::ScreenMetrics& metrics, WStringView base = {});

// Undoes the last switch of skin_menu: loads the skin it replaced and puts the registry's Skin
// back as it was. False when there is no switch to undo or that skin no longer loads.
bool restore_previous_skin(zentra::Properties& properties, const zentra::ScreenMetrics& metrics);

}  // namespace velvane
