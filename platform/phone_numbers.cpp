#include "platform/phone_numbers.h"

#include <phonenumbers/phonenumberutil.h>

#include <string>

namespace platform {

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

// The region that owns a country code; empty for none and for the codes that belong to no
// country (international freephone, satellite networks), where nothing is dialled nationally.
std::string region_of(const PhoneNumberUtil& util, int country_code) {
    std::string region;
    util.GetRegionCodeForCountryCode(country_code, &region);
    if (region == "ZZ" || region == "001") {
        return {};
    }
    return region;
}

WString ascii(const std::string& digits) {
    return WString(digits.begin(), digits.end());
}

// What the full parser makes of the number: it reads extensions, other scripts' digits and a
// trunk prefix written after the country code ("+49 (0)30 ...").
std::optional<NationalNumber> parsed_national_number(const PhoneNumberUtil& util,
                                                     WStringView number) {
    PhoneNumber parsed;
    if (util.Parse(to_utf8(number), "ZZ", &parsed) != PhoneNumberUtil::NO_PARSING_ERROR) {
        return std::nullopt;
    }
    const std::string region = region_of(util, parsed.country_code());
    if (region.empty()) {
        return std::nullopt;
    }
    std::string trunk;
    std::string national;
    util.GetNddPrefixForRegion(region, true, &trunk);
    util.GetNationalSignificantNumber(parsed, &national);
    if (national.empty()) {
        return std::nullopt;
    }
    return NationalNumber{ascii(trunk), ascii(national)};
}

}  // namespace

bool is_number_separator(char16_t c) {
    // Dashes and the typographic spaces come as ranges.
    constexpr WStringView kSeparators =
        u" \t-./()[]\u00A0\u2212\u202F\u3000\uFF08\uFF09\uFF0D\uFF0E\uFF0F";
    return kSeparators.find(c) != WStringView::npos || (c >= u'\u2010' && c <= u'\u2015') ||
           (c >= u'\u2000' && c <= u'\u200B');
}

WString compact_number(WStringView number) {
    WString out;
    out.reserve(number.size());
    for (char16_t c : number) {
        if (!is_number_separator(c)) {
            out.push_back(c);
        }
    }
    return out;
}

std::optional<NationalNumber> national_number(WStringView number) {
    size_t start = 0;
    while (start < number.size() && is_number_separator(number[start])) {
        ++start;
    }
    if (start >= number.size() || number[start] != u'+') {
        return std::nullopt;
    }
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    // The parser costs some microseconds a number, too much for a book of a hundred thousand
    // numbers at start-up; plain digits and separators are split here with its own tables.
    std::string digits;
    for (char16_t c : number.substr(start + 1)) {
        if (c >= u'0' && c <= u'9') {
            digits.push_back(static_cast<char>(c));
        } else if (!is_number_separator(c)) {
            return parsed_national_number(util, number);
        }
    }
    // Country codes are one to three digits and none is the start of another.
    for (size_t length = 1; length <= 3 && length < digits.size(); ++length) {
        const std::string region = region_of(util, std::stoi(digits.substr(0, length)));
        if (region.empty()) {
            continue;
        }
        std::string trunk;
        util.GetNddPrefixForRegion(region, true, &trunk);
        const std::string national = digits.substr(length);
        if (!trunk.empty() && national.compare(0, trunk.size(), trunk) == 0) {
            // Whether "+49 030" carries a written trunk prefix is the parser's to say.
            return parsed_national_number(util, number);
        }
        return NationalNumber{ascii(trunk), ascii(national)};
    }
    return std::nullopt;
}

}  // namespace platform
