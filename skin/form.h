#pragma once
// Form: a screen. A node subtree that fills itself from a named skin definition and is shown
// by putting it on the application's modal stack (FormHost).

#include "platform/ustring.h"
#include "skin/color.h"
#include "skin/node.h"

namespace zentra {

class Form : public Node {
public:
    Form() = default;

    // The node's load, then the form's own outside_color.
    void load(const Properties& properties, SkinRecord record) override;

    // Kept with the form for screens that want it; the stack's drawing does not read it.
    Color outside_color() const { return m_outside_color; }

protected:
    // Refills the form from the named definition (construction and skin reload); raises
    // NodeNotFoundInSkin when the skin has no such definition. Screens look up their named
    // nodes again afterwards.
    void load_definition(const Properties& properties, platform::WStringView definition);

private:
    Color m_outside_color{0, 0, 0, 255};
};

}  // namespace zentra
