#pragma once
// EditDateForm: a date field (the birthday) on the date and time chooser.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "screens/contact_editor_form.h"
#include "skin/date_chooser.h"

namespace velvane {

class EditDateForm : public ContactCopyEditor {
public:
    // Binds `EditDateForm` with the chooser in `date`; raises the skin engine's errors for
    // missing nodes.
    explicit EditDateForm(zentra::Properties& properties);
    ~EditDateForm() override;

    // The chooser shows the field's date-time count, or now when the field has none. An index
    // the copy lacks opens nothing.
    void open(const Contact& copy, size_t field_index);

    size_t field_index() const { return m_field; }
    zentra::DateChooser& chooser() const { return *m_chooser; }
    // Where "now" comes from (the platform clock unless replaced).
    void set_clock(std::function<int64_t()> clock) { m_clock = std::move(clock); }

protected:
    void bind_nodes() override;
    void unbind_nodes() override;
    void on_stored_contact(const Contact&) override {}
    bool write_back() override;

private:
    void make_chooser(const zentra::ChosenDate& date);

    std::unique_ptr<zentra::DateChooser> m_chooser;
    size_t m_field = 0;
    // What the chooser showed last, for a new skin.
    zentra::ChosenDate m_shown;
    std::function<int64_t()> m_clock;
};

}  // namespace velvane
