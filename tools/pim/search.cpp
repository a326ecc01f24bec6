// search: the contact list's own filter on the user's book, for trying words and keypad
// digits from a terminal. The Document is loaded as the program loads it, so the order, the
// keypad map and the match lengths are the program's.

#include <optional>

#include "core/registry.h"
#include "contacts/document.h"
#include "tools/pim/tool.h"

namespace pim_tool {

using platform::from_utf8;
using platform::to_utf8;

namespace {

// Putting back the stored order: the Document stores every order it sorts by, and a search
// in another order must not change the program's.
class SortingKeeper {
public:
    SortingKeeper() { m_had = read_dword(Document::kRegistryPath, u"Sorting", m_value); }
    ~SortingKeeper() {
        uint32_t now = 0;
        const bool has = read_dword(Document::kRegistryPath, u"Sorting", now);
        if (m_had && (!has || now != m_value)) {
            write_dword(Document::kRegistryPath, u"Sorting", m_value);
        } else if (!m_had && has) {
            delete_value(Document::kRegistryPath, u"Sorting");
        }
    }

private:
    bool m_had = false;
    uint32_t m_value = 0;
};

}  // namespace

int run_search(const Args& args) {
    std::optional<int> order;
    WString text;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--order") {
            int value = 0;
            if (i + 1 >= args.size() || !parse_order(args[i + 1], value)) {
                return usage();
            }
            order = value;
            ++i;
            continue;
        }
        if (!text.empty()) {
            text += u' ';
        }
        text += from_utf8(args[i]);
    }
    if (text.find_first_not_of(u' ') == WString::npos) {
        return usage();
    }

    const SortingKeeper keeper;
    DocumentServices services;
    ContactManagerImpl2* store = nullptr;
    services.make_store = [&store](Document& document) {
        auto made = ContactManagerImpl2::for_document(document);
        store = made.get();
        return made;
    };
    Document document(std::move(services));
    if (store == nullptr || open_session(*store) == nullptr) {
        return kFailure;
    }
    document.load();
    if (order) {
        document.set_sorting(*order);
    }
    document.set_filter_string(text);

    for (const ContactEntry* entry : document.filtered_list()) {
        MatchLengths lengths;
        document.matches(*entry, &lengths);
        const Contact& c = entry->contact;
        std::string number;
        if (lengths.phone_field >= 0 && static_cast<size_t>(lengths.phone_field) < c.fields.size()) {
            const ContactField& field = c.fields[static_cast<size_t>(lengths.phone_field)];
            number = std::string(kind_label(field.kind)) + " " + marked(field.value, lengths.phone);
        }
        print(contact_row(entry->contact, &lengths, number));
    }
    if (document.filtered_list().empty()) {
        fail_line("no contact matches");
    }
    return 0;
}

}  // namespace pim_tool
