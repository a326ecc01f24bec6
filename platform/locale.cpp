#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

WString number(int value, int digits) {
    WString text = to_wstring(value);
    if (static_cast<int>(text.size()) < digits) {
        text.insert(0, digits - text.size(), u'0');
    }
    return text;
}

WString from_codeset(const char* text, bool utf8) {
    return utf8 ? from_utf8(text) : widen(text);
}

const char* environment_locale_name() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return "C";
}

}  // namespace

DateLocale::DateLocale(std::string short_format, std::array<WString, 12> months,
                       std::array<WString, 12> abbreviated_months)
    : m_short_format(std::move(short_format)),
      m_months(std::move(months)),
      m_abbreviated_months(std::move(abbreviated_months)) {}

DateLocale DateLocale::from_environment() {
    return named(environment_locale_name());
}

DateLocale DateLocale::named(const std::string& name) {
    locale_t locale = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, name.c_str(), locale_t(0));
    if (locale == locale_t(0)) {
        locale = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "C", locale_t(0));
    }
    const bool utf8 = std::strcmp(nl_langinfo_l(CODESET, locale), "UTF-8") == 0;
    std::array<WString, 12> months;
    std::array<WString, 12> abbreviated;
    for (int i = 0; i < 12; ++i) {
        months[i] = from_codeset(nl_langinfo_l(MON_1 + i, locale), utf8);
        abbreviated[i] = from_codeset(nl_langinfo_l(ABMON_1 + i, locale), utf8);
    }
    std::string short_format = nl_langinfo_l(D_FMT, locale);
    freelocale(locale);
    return DateLocale(std::move(short_format), std::move(months), std::move(abbreviated));
}

// The locale's own pieces are formatted here rather than by strftime, which would need the
// process-wide locale switched; a date format uses only these few conversions.
WString DateLocale::short_date(const CalendarDate& date) const {
    WString text;
    const std::string& format = m_short_format;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            text += static_cast<char16_t>(static_cast<unsigned char>(format[i]));
            continue;
        }
        char conversion = format[++i];
        // Modifiers of the alternative digits and era forms change nothing here.
        if ((conversion == 'E' || conversion == 'O') && i + 1 < format.size()) {
            conversion = format[++i];
        }
        switch (conversion) {
            case 'd': text += number(date.day, 2); break;
            case 'e': text += date.day < 10 ? u" " + number(date.day, 1) : number(date.day, 2); break;
            case 'm': text += number(date.month, 2); break;
            case 'y': text += number(date.year % 100, 2); break;
            case 'Y': text += number(date.year, 1); break;
            case 'b':
            case 'h': text += month_name(date.month, false); break;
            case 'B': text += month_name(date.month, true); break;
            case 'D': text += format_picture(date, u"MM/dd/yy"); break;
            case 'F': text += format_picture(date, u"yyyy-MM-dd"); break;
            case '%': text += u'%'; break;
            default:
                text += u'%';
                text += static_cast<char16_t>(static_cast<unsigned char>(conversion));
        }
    }
    return text;
}

WString DateLocale::long_date(const CalendarDate& date) const {
    return format_picture(date, month_first() ? u"MMMM d, yyyy" : u"d MMMM yyyy");
}

WString DateLocale::year_month(const CalendarDate& date) const {
    return format_picture(date, u"MMMM yyyy");
}

const WString& DateLocale::month_name(int month, bool full) const {
    const int index = (month - 1 + 12 * 100) % 12;
    return full ? m_months[index] : m_abbreviated_months[index];
}

bool DateLocale::month_first() const {
    const WString text = short_date(CalendarDate{2000, 11, 22});
    const size_t month = text.find(u"11");
    const size_t day = text.find(u"22");
    return month != WString::npos && (day == WString::npos || month < day);
}

WString DateLocale::format_picture(const CalendarDate& date, WStringView picture) const {
    WString text;
    for (size_t i = 0; i < picture.size();) {
        const char16_t letter = picture[i];
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == letter) {
            ++run;
        }
        if (letter == u'd') {
            text += number(date.day, run >= 2 ? 2 : 1);
        } else if (letter == u'M') {
            text += run >= 4   ? month_name(date.month, true)
                    : run == 3 ? month_name(date.month, false)
                               : number(date.month, static_cast<int>(run));
        } else if (letter == u'y') {
            text += run >= 4 ? number(date.year, 4) : number(date.year % 100, 2);
        } else {
            text.append(run, letter);
        }
        i += run;
    }
    return text;
}

}  // namespace platform
