#pragma once
// Anchor modes: how a node is sized and placed along one axis inside its parent.

#include "platform/ustring.h"

namespace zentra {

// The values are the ones skins and layout share; the *NoSize modes do not count toward the
// parent's measured size.
enum class AnchorMode : int {
    MinSide = 0,
    BothSide = 1,
    MaxSide = 2,
    Ratio = 3,
    Center = 4,
    MinSideNoSize = 5,
    MaxSideNoSize = 6,
    BothSideNoSize = 7,
    CenterNoSize = 8,
};

// Parses "MIN_SIDE" ... "CENTER_NO_SIZE" exactly (case-sensitive); anything else, the empty
// text included, is BothSide.
AnchorMode parse_anchor_mode(platform::WStringView text);

// The skin name of a mode ("BOTH_SIDE" for a value outside the table).
platform::WStringView anchor_mode_name(AnchorMode mode);

}  // namespace zentra
