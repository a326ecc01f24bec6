#pragma once
// HTable (skin type "htable"): a table whose children are laid side by side, left to right.

#include "skin/table.h"

namespace zentra {

class HTable final : public Table {
public:
    HTable() : Table(Axis::Horizontal) {}
};

}  // namespace zentra
