#include "skin/skin_error.h"

#include <exception>

#include "skin/exceptions.h"

namespace zentra {

platform::WString current_skin_error() {
    try {
        throw;
    } catch (const NodeNotFoundInSkin& missing) {
        return u"the skin has no definition " + missing.name;
    } catch (const NodeNotFound& missing) {
        return u"the skin has no node " + missing.name + u" in " + missing.parent_name;
    } catch (const NodeNotRegistered& missing) {
        return u"the skin names an unknown node type \"" + missing.type + u"\"";
    }
}

}  // namespace zentra
