#include "core/DaysSinceDateString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Runs a test in a time zone with daylight saving, restoring the previous zone afterwards.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone)
    {
        const char* previous = std::getenv("TZ");
        mHadZone = previous != nullptr;
        if (mHadZone)
            mPrevious = previous;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (mHadZone)
            setenv("TZ", mPrevious.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool mHadZone = false;
    std::string mPrevious;
};

constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

std::time_t LocalTime(int year, int month, int day, int hour, int minute)
{
    std::tm moment{};
    moment.tm_year = year - 1900;
    moment.tm_mon = month - 1;
    moment.tm_mday = day;
    moment.tm_hour = hour;
    moment.tm_min = minute;
    moment.tm_isdst = -1;
    return std::mktime(&moment);
}

std::string DateText(const std::tm& moment, int yearOffset)
{
    char text[32];
    std::tm shifted = moment;
    shifted.tm_year += yearOffset;
    std::strftime(text, sizeof text, "%b %e %Y", &shifted);
    return text;
}

} // namespace

TEST(DaysSinceDateString, TextThatIsNotADateGivesZero)
{
    ZoneGuard zone(kCentralEurope);
    std::time_t now = LocalTime(2024, 7, 15, 9, 0);
    for (const char* text : {"", "Jul 15 202", "jul 15 2024", "JUL 15 2024", "Foo 15 2024", "15 Jul 2024"})
        EXPECT_EQ(DaysSinceDateStringAt(gCString(text), now), 0) << text;
}

TEST(DaysSinceDateString, CountsWholeDaysEitherWay)
{
    ZoneGuard zone(kCentralEurope);
    struct Case {
        const char* text;
        std::time_t now;
        int32_t expected;
    };
    const Case cases[] = {
        // Today's date is 0 from just after midnight to the end of the day, summer and winter.
        {"Jul 15 2024", LocalTime(2024, 7, 15, 0, 30), 0},
        {"Jul 15 2024", LocalTime(2024, 7, 15, 23, 59), 0},
        {"Jan 15 2024", LocalTime(2024, 1, 15, 0, 1), 0},
        {"Jul 14 2024", LocalTime(2024, 7, 15, 0, 30), 1},
        {"Jul 16 2024", LocalTime(2024, 7, 15, 23, 0), -1},
        {"Jan  5 2024", LocalTime(2024, 1, 15, 12, 0), 10}, // single-digit day padded with a space
        {"Dec 25 2023", LocalTime(2024, 1, 1, 12, 0), 7},
        {"Jul 15 2023", LocalTime(2024, 7, 15, 12, 0), 366},
        {"Jul 15 2022", LocalTime(2023, 7, 15, 12, 0), 365},
        {"Mar 31 2024", LocalTime(2024, 3, 30, 12, 0), -1}, // across the change to summer time
    };
    for (const Case& c : cases)
        EXPECT_EQ(DaysSinceDateStringAt(gCString(c.text), c.now), c.expected) << c.text;
}

TEST(DaysSinceDateString, MeasuresFromTheCurrentTime)
{
    std::time_t now = std::time(nullptr);
    std::tm today = *std::localtime(&now);
    EXPECT_EQ(DaysSinceDateString(gCString(DateText(today, 0).c_str())), 0);
    int32_t yearAgo = DaysSinceDateString(gCString(DateText(today, -1).c_str()));
    EXPECT_TRUE(yearAgo == 365 || yearAgo == 366) << yearAgo;
}
