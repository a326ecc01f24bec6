#pragma once
// MenuElement: one row of a menu, loaded from its item's row style (with "Disabled" appended
// for a disabled item) and showing the item's label, separator and check mark.

#include "platform/ustring.h"
#include "skin/vlist_adapter.h"

namespace zentra {

class Menu;
struct MenuItem;

class MenuElement : public VListElement {
public:
    explicit MenuElement(Menu& menu) : m_menu(menu) {}

    // Reloads the row for item index; raises NodeNotFoundInSkin naming the missing
    // definition.
    void bind(VList& list, int flags, int index) override;

    // The definition a row for item is loaded from.
    static platform::WString row_definition(const Menu& menu, const MenuItem& item);

    int index() const { return m_index; }

protected:
    Menu& menu() const { return m_menu; }

private:
    Menu& m_menu;
    int m_index = -1;
};

}  // namespace zentra
