#include "core/DaysSinceDateString.h"

namespace {

constexpr char kMonthNames[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Month names match exactly, upper-case first letter included.
int32_t MonthIndex(const gCString& date)
{
    for (int32_t month = 0; month < 12; ++month) {
        const char* name = kMonthNames[month];
        if (date[0] == char16_t(name[0]) && date[1] == char16_t(name[1]) && date[2] == char16_t(name[2]))
            return month;
    }
    return -1;
}

} // namespace

int32_t DaysSinceDateStringAt(const gCString& date, std::time_t now)
{
    if (date.GetLength() < 11)
        return 0;
    int32_t month = MonthIndex(date);
    if (month < 0)
        return 0;
    int32_t day = date.Mid(4, 2).ParseInteger();
    int32_t year = date.Mid(7, 4).ParseInteger();

    // Noon keeps the date well away from midnight. Whether daylight saving applies is left to the
    // calendar: forcing standard time would move noon to 13:00 in summer, and in the hour after
    // midnight today's own date would then count as a day in the future.
    std::tm moment{};
    moment.tm_year = year - 1900;
    moment.tm_mon = month;
    moment.tm_mday = day;
    moment.tm_hour = 12;
    moment.tm_isdst = -1;
    std::time_t then = std::mktime(&moment);
    if (then == std::time_t(-1))
        return 0;

    double days = std::difftime(now, then) / 60 / 60 / 24;
    days = days > 0 ? days + 0.5 : days - 0.5;
    if (days >= 2147483647.0 || days <= -2147483648.0)
        return 0;
    return int32_t(days);
}

int32_t DaysSinceDateString(const gCString& date) { return DaysSinceDateStringAt(date, std::time(nullptr)); }
