#include "skin/anchor.h"

namespace zentra {

AnchorMode parse_anchor_mode(platform::WStringView text) {
    // Skins are read at every screen build, so the length picks the candidates before any
    // text is compared.
    switch (text.size()) {
        case 5:
            if (text == u"RATIO")
                return AnchorMode::Ratio;
            break;
        case 6:
            if (text == u"CENTER")
                return AnchorMode::Center;
            break;
        case 8:
            if (text == u"MIN_SIDE")
                return AnchorMode::MinSide;
            if (text == u"MAX_SIDE")
                return AnchorMode::MaxSide;
            break;
        case 9:
            if (text == u"BOTH_SIDE")
                return AnchorMode::BothSide;
            break;
        case 14:
            if (text == u"CENTER_NO_SIZE")
                return AnchorMode::CenterNoSize;
            break;
        case 16:
            if (text == u"MIN_SIDE_NO_SIZE")
                return AnchorMode::MinSideNoSize;
            if (text == u"MAX_SIDE_NO_SIZE")
                return AnchorMode::MaxSideNoSize;
            break;
        case 17:
            if (text == u"BOTH_SIDE_NO_SIZE")
                return AnchorMode::BothSideNoSize;
            break;
        default:
            break;
    }
    return AnchorMode::BothSide;
}

platform::WStringView anchor_mode_name(AnchorMode mode) {
    switch (mode) {
        case AnchorMode::MinSide:
            return u"MIN_SIDE";
        case AnchorMode::BothSide:
            return u"BOTH_SIDE";
        case AnchorMode::MaxSide:
            return u"MAX_SIDE";
        case AnchorMode::Ratio:
            return u"RATIO";
        case AnchorMode::Center:
            return u"CENTER";
        case AnchorMode::MinSideNoSize:
            return u"MIN_SIDE_NO_SIZE";
        case AnchorMode::MaxSideNoSize:
            return u"MAX_SIDE_NO_SIZE";
        case AnchorMode::BothSideNoSize:
            return u"BOTH_SIDE_NO_SIZE";
        case AnchorMode::CenterNoSize:
            return u"CENTER_NO_SIZE";
    }
    return u"BOTH_SIDE";
}

}  // namespace zentra
