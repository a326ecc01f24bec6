#pragma once
// The people, places and firms the demo book is made of, by country: names in their own
// script with their accents, streets, cities and the shape of local phone numbers.

#include <span>
#include <string_view>

namespace pim_tool::demo {

struct City {
    std::u16string_view name;
    std::u16string_view postal_code;
    // The area code of landlines, without the trunk prefix.
    std::string_view area;
};

struct Country {
    std::u16string_view name;
    // "+49"
    std::string_view calling_code;
    // Mobile numbers after the calling code: '#' is a random digit ("15# ########").
    std::string_view mobile_pattern;
    // Landline subscriber numbers after the area code.
    std::string_view line_pattern;
    std::span<const std::u16string_view> male_first;
    std::span<const std::u16string_view> female_first;
    // "male|female" where the family name changes with the person, else one form.
    std::span<const std::u16string_view> last;
    std::span<const std::u16string_view> streets;
    std::span<const City> cities;
    std::span<const std::u16string_view> companies;
    std::span<const std::u16string_view> job_titles;
    std::span<const std::u16string_view> departments;
    // "male|female".
    std::span<const std::u16string_view> nicknames;
    std::string_view mail_domain;
    // Whether the house number goes before the street name.
    bool number_first = false;
};

std::span<const Country> countries();
// The folder's category names.
std::span<const std::u16string_view> category_names();
// Free-mail domains for private addresses.
std::span<const std::string_view> mail_domains();

}  // namespace pim_tool::demo
