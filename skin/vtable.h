#pragma once
// VTable (skin type "vtable"): a table whose children are stacked, top to bottom.

#include "skin/table.h"

namespace zentra {

class VTable final : public Table {
public:
    VTable() : Table(Axis::Vertical) {}
};

}  // namespace zentra
