#pragma once
// `color`: fills its rectangle with one colour, copied as it is (the key colour included).

#include "skin/color.h"
#include "skin/node.h"

namespace zentra {

class ColorNode : public Node {
public:
    void load(const Properties& properties, SkinRecord record) override;
    void draw(RenderSurface& target, Point origin) override;

    Color color() const { return m_color; }
    void set_color(Color color);

private:
    Color m_color{0, 0, 0, 255};
};

}  // namespace zentra
