#pragma once
// `clip`: a container whose children cannot draw outside its rectangle.

#include "skin/node.h"

namespace zentra {

class ClipNode : public Node {
public:
    void draw(RenderSurface& target, Point origin) override;
};

}  // namespace zentra
