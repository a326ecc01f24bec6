#pragma once
// What a scrolling list asks of its owner: rows (elements) made on demand for the items in
// view, and the clicks on them.

#include <memory>

#include "skin/node.h"

namespace zentra {

class VList;

// A row of a list. Any node type can be one; it shows the data of the item it is bound to.
class VListElement : public Node {
public:
    // flags: kBindNew on the first bind after creation, kBindAgain when the item changed.
    static constexpr int kBindNew = 1;
    static constexpr int kBindAgain = 2;
    virtual void bind(VList& list, int flags, int index) = 0;
};

// The owner's side; the list does not own it.
class VListAdapter {
public:
    virtual ~VListAdapter() = default;
    virtual void on_item_click(VList& list, int index) = 0;
    // A new row for item index, owned by the list from then on. Null means the item is gone;
    // the list then treats it as removed.
    virtual std::unique_ptr<VListElement> create_element(VList& list, int index) = 0;
};

}  // namespace zentra
