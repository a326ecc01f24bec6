#include "screens/edit_date_form.h"

#include "core/log.h"
#include "platform/locale.h"
#include "screens/date_time_count.h"
#include "skin/spinner.h"

namespace velvane {

namespace {

// One value of a date spinner, from `SpinnerElementDate`: the year, the month's name, the
// day, or the hour and minute on two digits.
class SpinnerElementDate : public zentra::SpinnerElement {
public:
    explicit SpinnerElementDate(const zentra::Properties& properties) {
        if (!zentra::load_from_skin(*this, properties, u"SpinnerElementDate")) {
            throw zentra::NodeNotFoundInSkin{u"SpinnerElementDate"};
        }
    }

    void bind(zentra::SpinnerNode& spinner, int value) override {
        set_text(u"#text", value_text(spinner.name(), value));
    }

private:
    static WString value_text(WStringView spinner, int value) {
        if (spinner == u"year") {
            return platform::to_wstring(value);
        }
        if (spinner == u"month") {
            static const platform::DateLocale locale = platform::DateLocale::from_environment();
            return locale.month_name(value % 12 + 1, true);
        }
        if (spinner == u"day") {
            return platform::to_wstring(value + 1);
        }
        WString text = platform::to_wstring(value);
        return text.size() < 2 ? u"0" + text : text;
    }
};

}  // namespace

EditDateForm::EditDateForm(zentra::Properties& properties)
    : ContactCopyEditor(properties, u"EditDateForm"), m_clock(current_date_time_count) {
    bind();
}

EditDateForm::~EditDateForm() {
    // The chooser lets go of the spinners before they go with the form.
    m_chooser.reset();
}

void EditDateForm::bind_nodes() {
    // A new skin: the chooser was reset before the spinners were rebuilt and comes back
    // showing what it showed.
    make_chooser(m_shown);
}

void EditDateForm::unbind_nodes() {
    if (m_chooser) {
        m_shown = m_chooser->date();
        m_chooser.reset();
    }
}

void EditDateForm::make_chooser(const zentra::ChosenDate& date) {
    m_chooser.reset();
    const zentra::Properties& skin = properties();
    m_chooser = std::make_unique<zentra::DateChooser>(
        find(u"date"), date,
        [&skin](zentra::SpinnerNode&, int) { return std::make_unique<SpinnerElementDate>(skin); });
}

void EditDateForm::open(const Contact& copy, size_t field_index) {
    if (field_index >= copy.fields.size()) {
        log() << "EditDateForm::open() no field " << field_index << "\n";
        return;
    }
    m_field = field_index;
    const std::optional<int64_t> count = parse_date_time_count(copy.fields[field_index].value);
    m_shown = date_of_count(count ? *count : m_clock());
    m_chooser->set_date(m_shown);
    open_copy(copy);
}

bool EditDateForm::write_back() {
    if (m_field >= m_contact.fields.size()) {
        return false;
    }
    m_shown = m_chooser->date();
    m_contact.fields[m_field].value = date_time_text(count_of_date(m_shown));
    return true;
}

}  // namespace velvane
