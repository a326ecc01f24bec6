#include "screens/contact_rows.h"

#include <algorithm>

namespace velvane {

void sort_fields_by_kind(std::vector<ContactField>& fields) {
    std::stable_sort(fields.begin(), fields.end(), [](const ContactField& a, const ContactField& b) {
        return static_cast<int32_t>(a.kind) < static_cast<int32_t>(b.kind);
    });
}

bool is_address_group(FieldGroup group) {
    return group == FieldGroup::WorkAddressGroup || group == FieldGroup::HomeAddressGroup;
}

bool merges_into_previous(const ContactField& a, const ContactField& b) {
    return group_of(a.kind) == group_of(b.kind) && is_address_group(group_of(b.kind));
}

std::vector<int32_t> build_contact_rows(const std::vector<ContactField>& fields, bool edit) {
    std::vector<int32_t> rows{kCardHead};
    for (size_t d = 0; d < fields.size(); ++d) {
        if (d == 0) {
            rows.push_back(kCardGroupSeparator);
            rows.push_back(0);
            continue;
        }
        const bool same_group = group_of(fields[d].kind) == group_of(fields[d - 1].kind);
        rows.push_back(same_group ? kCardSeparator : kCardGroupSeparator);
        if (!merges_into_previous(fields[d - 1], fields[d])) {
            rows.push_back(static_cast<int32_t>(d));
        }
    }
    if (edit) {
        rows.push_back(kCardGroupSeparator);
        rows.push_back(kCardEditButtons);
    }
    return rows;
}

WString joined_address(const std::vector<ContactField>& fields, size_t first) {
    WString text;
    if (first >= fields.size()) {
        return text;
    }
    text = fields[first].value;
    for (size_t i = first + 1; i < fields.size() && merges_into_previous(fields[i - 1], fields[i]);
         ++i) {
        text += u", ";
        text += fields[i].value;
    }
    return text;
}

FieldRowLook field_row_look(FieldKind kind, bool edit) {
    const bool phone = group_of(kind) == FieldGroup::PhoneGroup;
    FieldRowLook look;
    look.remove = edit && kind != FieldKind::Categories;
    look.icons = !edit || kind == FieldKind::Categories;
    look.sms = !edit && phone;
    look.favorite = phone;
    return look;
}

namespace {

void diff(const int32_t* o, size_t on, const int32_t* n, size_t nn, int at,
          std::vector<RowStep>& steps) {
    // The end first: of two equal separators around a removed row, the one in front goes.
    while (on > 0 && nn > 0 && o[on - 1] == n[nn - 1]) {
        --on;
        --nn;
    }
    while (on > 0 && nn > 0 && *o == *n) {
        ++o;
        ++n;
        --on;
        --nn;
        ++at;
    }
    if (on == 0 && nn == 0) {
        return;
    }
    const size_t fo = static_cast<size_t>(std::find_if(o, o + on, [](int32_t v) { return v >= 0; }) - o);
    const size_t fn = static_cast<size_t>(std::find_if(n, n + nn, [](int32_t v) { return v >= 0; }) - n);
    if (fo < on && fn < nn) {
        diff(o, fo, n, fn, at, steps);
        at += static_cast<int>(fn);
        if (o[fo] != n[fn]) {
            steps.push_back({RowStep::Change, at, n[fn]});
        }
        diff(o + fo + 1, on - fo - 1, n + fn + 1, nn - fn - 1, at + 1, steps);
        return;
    }
    for (size_t i = 0; i < on; ++i) {
        steps.push_back({RowStep::Remove, at, o[i]});
    }
    for (size_t i = 0; i < nn; ++i) {
        steps.push_back({RowStep::Insert, at + static_cast<int>(i), n[i]});
    }
}

}  // namespace

std::vector<RowStep> row_steps(const std::vector<int32_t>& from, const std::vector<int32_t>& to) {
    std::vector<RowStep> steps;
    diff(from.data(), from.size(), to.data(), to.size(), 0, steps);
    return steps;
}

std::vector<int32_t> shift_for_insert(std::vector<int32_t> rows, int32_t at) {
    for (int32_t& value : rows) {
        if (value >= at) {
            ++value;
        }
    }
    return rows;
}

std::vector<int32_t> shift_for_erase(std::vector<int32_t> rows, int32_t at) {
    for (int32_t& value : rows) {
        if (value == at) {
            value = kErasedField;
        } else if (value > at) {
            --value;
        }
    }
    return rows;
}

FieldKind first_address_kind(FieldGroup group) {
    return group == FieldGroup::HomeAddressGroup ? FieldKind::HomeStreet : FieldKind::WorkStreet;
}

size_t complete_address(std::vector<ContactField>& fields, FieldGroup group) {
    const int32_t first = static_cast<int32_t>(first_address_kind(group));
    for (int32_t kind = first; kind < first + 5; ++kind) {
        const auto has = std::find_if(fields.begin(), fields.end(), [&](const ContactField& f) {
            return static_cast<int32_t>(f.kind) == kind;
        });
        if (has != fields.end()) {
            continue;
        }
        // After every field of a lower kind: the new part's place in kind order.
        auto place = std::find_if(fields.begin(), fields.end(), [&](const ContactField& f) {
            return static_cast<int32_t>(f.kind) > kind;
        });
        fields.insert(place, ContactField(static_cast<FieldKind>(kind), u""));
    }
    const auto start = std::find_if(fields.begin(), fields.end(), [&](const ContactField& f) {
        return static_cast<int32_t>(f.kind) == first;
    });
    return static_cast<size_t>(start - fields.begin());
}

}  // namespace velvane
