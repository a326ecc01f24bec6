// The commands that read and edit single contacts: list, show, add, set, delete and the
// folder's categories.

#include <algorithm>
#include <cstdio>
#include <optional>

#include "core/registry.h"
#include "contacts/collation.h"
#include "contacts/document.h"
#include "platform/case_map.h"
#include "platform/imaging.h"
#include "platform/pim_session.h"
#include "tools/pim/tool.h"

namespace pim_tool {

namespace pim = platform::pim;
using platform::from_utf8;
using platform::to_utf8;

namespace {

// Sets one property on a record; false for an unknown property or a bad value.
bool apply(Contact& contact, std::string_view property, std::string_view value) {
    const WString text = from_utf8(value);
    if (property == "first") {
        contact.first_name = text;
    } else if (property == "last") {
        contact.last_name = text;
    } else if (property == "company") {
        contact.company = text;
    } else {
        FieldKind kind;
        if (!kind_by_name(property, kind)) {
            std::fprintf(stderr, "velvane-pim: unknown property %.*s\n", static_cast<int>(property.size()),
                         property.data());
            return false;
        }
        WString stored = text;
        if (kind == FieldKind::Birthday && !text.empty()) {
            int64_t count = 0;
            if (!parse_date(value, count)) {
                std::fputs("velvane-pim: a birthday is written YYYY-MM-DD\n", stderr);
                return false;
            }
            stored = date_time_text(count);
        }
        if (ContactField* field = contact.find(kind)) {
            field->value = stored;
        } else {
            // An empty value for a missing field still goes out, as a deletion.
            contact.fields.emplace_back(kind, stored);
        }
    }
    return true;
}

// "none", or the picture's size in pixels and bytes; a stored picture the program cannot show
// says so, as the card would show no photo for it.
std::string photo_text(pim::PimSession& session, uint32_t id) {
    const std::string bytes = read_stored_picture(session, id);
    if (bytes.empty()) {
        return "none";
    }
    const std::string size = counted(bytes.size(), "byte");
    std::string error;
    const platform::RgbaImage image = platform::decode_image(
        reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), error);
    if (image.empty()) {
        return size + ", cannot be shown (" + (error.empty() ? "it does not decode" : error) + ")";
    }
    return std::to_string(image.width) + "x" + std::to_string(image.height) + " pixels, " + size;
}

// Whether the record holds anything a person could find it by: a name, a company or a field
// with a value, blanks not counted. A blank one would top the list as an empty row.
bool has_content(const Contact& contact) {
    const auto filled = [](const WString& text) {
        return text.find_first_not_of(u" \t") != WString::npos;
    };
    if (filled(contact.first_name) || filled(contact.last_name) || filled(contact.company)) {
        return true;
    }
    return std::any_of(contact.fields.begin(), contact.fields.end(),
                       [&](const ContactField& field) { return filled(field.value); });
}

struct Keys {
    WString first, last, company;
    const Contact* contact;
};

// The Document's sort keys: missing names fall back on the others.
Keys keys_of(const Contact& c) {
    Keys k{{}, {}, {}, &c};
    if (!c.first_name.empty()) {
        k.first = platform::to_lower(c.first_name);
        k.last = platform::to_lower(c.last_name);
        k.company = platform::to_lower(c.company);
    } else if (!c.last_name.empty()) {
        k.first = platform::to_lower(c.last_name);
        k.last = k.first;
        k.company = platform::to_lower(c.company);
    } else if (!c.company.empty()) {
        k.first = k.last = k.company = platform::to_lower(c.company);
        return k;
    } else {
        return k;
    }
    if (c.last_name.empty()) {
        k.last = k.first;
    }
    if (c.company.empty()) {
        k.company = k.first + k.last;
    }
    return k;
}

int list(ContactManagerImpl2& store, int order) {
    std::vector<Contact> contacts;
    store.load_all(contacts);
    std::vector<Keys> keys;
    for (const Contact& c : contacts) {
        if (c.object_id != 0) {
            keys.push_back(keys_of(c));
        }
    }
    std::stable_sort(keys.begin(), keys.end(), [order](const Keys& a, const Keys& b) {
        const WString Keys::*sequence[3][3] = {{&Keys::first, &Keys::last, &Keys::company},
                                               {&Keys::last, &Keys::first, &Keys::company},
                                               {&Keys::company, &Keys::last, &Keys::first}};
        for (const WString Keys::*key : sequence[order]) {
            if (const int c = collate(a.*key, b.*key); c != 0) {
                return c < 0;
            }
        }
        return a.contact->object_id < b.contact->object_id;
    });
    for (const Keys& k : keys) {
        print(contact_row(*k.contact));
    }
    return 0;
}

int show(ContactManagerImpl2& store, uint32_t id) {
    const std::optional<Contact> contact = store.read_one(id);
    if (!contact) {
        std::fprintf(stderr, "velvane-pim: no contact %u\n", id);
        return kFailure;
    }
    print("id: " + std::to_string(contact->object_id) + "\n");
    print("first: " + to_utf8(contact->first_name) + "\n");
    print("last: " + to_utf8(contact->last_name) + "\n");
    print("company: " + to_utf8(contact->company) + "\n");
    for (const ContactField& field : contact->fields) {
        const int kind = static_cast<int>(field.kind);
        if (kind < 0 || kind >= kStoredKindCount) {
            continue;
        }
        std::string value = to_utf8(field.value);
        int64_t count = 0;
        if (field.kind == FieldKind::Birthday && parse_date_time(field.value, count)) {
            value = civil_text(count);
        }
        print(std::string(kind_label(field.kind)) + ": " + value + "\n");
    }
    print("photo: " + photo_text(*store.session(), id) + "\n");
    return 0;
}

}  // namespace

int run_book_command(std::string_view command, const Args& args) {
    QuietListener listener;
    ContactManagerImpl2 store(listener);
    const auto open = [&]() -> bool {
        if (store.session() == nullptr) {
            std::fprintf(stderr, "velvane-pim: %s\n", store.open_error().c_str());
            return false;
        }
        return true;
    };

    if (command == "list") {
        uint32_t order = SortByLastname;
        read_dword(Document::kRegistryPath, u"Sorting", order);
        if (args.size() == 3 && args[1] == "--order") {
            if (args[2] == "first") {
                order = SortByFirstname;
            } else if (args[2] == "last") {
                order = SortByLastname;
            } else if (args[2] == "company") {
                order = SortByCompany;
            } else {
                return usage();
            }
        } else if (args.size() != 1) {
            return usage();
        }
        return open() ? list(store, order <= 2 ? static_cast<int>(order) : SortByLastname) : kFailure;
    }
    if (command == "show" || command == "delete") {
        uint32_t id = 0;
        if (args.size() != 2 || !parse_id(args[1], id)) {
            return usage();
        }
        if (!open()) {
            return kFailure;
        }
        if (command == "show") {
            return show(store, id);
        }
        if (!store.remove(id)) {
            std::fprintf(stderr, "velvane-pim: no contact %u\n", id);
            return kFailure;
        }
        return 0;
    }
    if (command == "add") {
        Contact contact;
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string_view arg = args[i];
            if (arg == "--first" || arg == "--last" || arg == "--company") {
                if (i + 1 >= args.size()) {
                    return usage();
                }
                if (!apply(contact, arg.substr(2), args[++i])) {
                    return kUsageError;
                }
                continue;
            }
            const size_t equals = arg.find('=');
            if (equals == std::string_view::npos || equals == 0) {
                return usage();
            }
            const std::string_view kind = arg.substr(0, equals);
            if (kind == "first" || kind == "last" || kind == "company") {
                return usage();
            }
            if (!apply(contact, kind, arg.substr(equals + 1))) {
                return kUsageError;
            }
        }
        if (!has_content(contact)) {
            fail_line("a contact needs a name, a company or a field with a value");
            return kUsageError;
        }
        if (!open()) {
            return kFailure;
        }
        if (!store.create(contact)) {
            std::fputs("velvane-pim: the contact could not be stored\n", stderr);
            return kFailure;
        }
        print(std::to_string(contact.object_id) + "\n");
        return 0;
    }
    if (command == "set") {
        uint32_t id = 0;
        if (args.size() != 4 || !parse_id(args[1], id)) {
            return usage();
        }
        if (!open()) {
            return kFailure;
        }
        std::optional<Contact> contact = store.read_one(id);
        if (!contact) {
            std::fprintf(stderr, "velvane-pim: no contact %u\n", id);
            return kFailure;
        }
        if (!apply(*contact, args[2], args[3])) {
            return kUsageError;
        }
        if (!store.save(*contact)) {
            std::fputs("velvane-pim: the contact could not be stored\n", stderr);
            return kFailure;
        }
        return 0;
    }
    if (command == "categories") {
        const bool get = args.size() == 1 || (args.size() == 2 && args[1] == "get");
        const bool set = args.size() == 3 && args[1] == "set";
        if (!get && !set) {
            return usage();
        }
        if (!open()) {
            return kFailure;
        }
        std::unique_ptr<pim::PimFolder> folder;
        if (store.session()->default_folder(pim::kFolderContacts, folder) != pim::kOk) {
            return kFailure;
        }
        if (set) {
            const pim::PropValue value =
                pim::PropValue::of_text(property::kFolderCategories, from_utf8(args[2]));
            if (folder->set_props({&value, 1}) != pim::kOk) {
                std::fprintf(stderr, "velvane-pim: %s\n", store.session()->last_error().c_str());
                return kFailure;
            }
            return 0;
        }
        const uint32_t id = property::kFolderCategories;
        std::vector<pim::PropValue> values;
        if (folder->get_props({&id, 1}, values) != pim::kOk) {
            std::fprintf(stderr, "velvane-pim: %s\n", store.session()->last_error().c_str());
            return kFailure;
        }
        if (!values[0].missing()) {
            print(to_utf8(values[0].text) + "\n");
        }
        return 0;
    }
    return usage();
}

}  // namespace pim_tool
