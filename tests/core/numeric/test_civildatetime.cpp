// Days since 1899-12-30 as a calendar date and clock time, written by a pattern. Expected dates
// are the proleptic Gregorian calendar's, as Python's datetime gives them.
#include "core/numeric/civildatetime.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <string>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

struct Row
{
    double days;
    std::string pattern;
    std::optional<std::string> text; // none: no date for these days
};

void PrintTo(const Row& r, std::ostream* os)
{
    *os << r.days << " by \"" << r.pattern << '"';
}

std::optional<std::string> written(double days, std::string_view pattern)
{
    const std::optional<CivilDateTime> t = DecodeDateTime(days);
    if (!t)
        return std::nullopt;
    return FormatDateTime(*t, pattern);
}

class DatePattern : public ::testing::TestWithParam<Row>
{
};

TEST_P(DatePattern, WritesTheDateAndTimeOfTheDays)
{
    EXPECT_EQ(written(GetParam().days, GetParam().pattern), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Fields, DatePattern, ::testing::Values(
    Row{0, "mmm-dd, yyyy", "Dec-30, 1899"},
    Row{45000, "mmm-dd, yyyy", "Mar-15, 2023"},
    Row{45000.5, "yyyy-mm-dd hh:nn:ss", "2023-03-15 12:00:00"},
    Row{45000.75, "dddd d/m/yy h:mm am/pm", "Wednesday 15/3/23 6:00 pm"},
    Row{45000.75, "ddd mmmm H:MM A/P", "Wed March 6:00 P"},
    Row{45000.25, "h AM/PM", "6 AM"},
    Row{45000, "h a/p hh", "12 a 12"}, // midnight is 12 on a twelve-hour clock
    Row{45000 + 1.5 / 86400, "hh:mm:ss.zzz", "00:00:01.500"},
    Row{45000 + 0.05 / 86400, "z zz", "50 050"},
    Row{45000 + 3723.0 / 86400, "mm:ss m", "02:03 3"}, // minutes before seconds; a month after them
    Row{45000, "y yyy", "23 2023"},
    Row{45000, "mm/dd/yyyy", "03/15/2023"},
    Row{60, "'day' d \"of\" mmmm", "day 28 of February"},
    Row{60, "\"unclosed d", "unclosed d"},
    Row{45000, "Gr\xFC\xDF" "e d", "Gr\xFC\xDF" "e 15"}, // bytes of the code page stand for themselves
    Row{45000.999999999, "yyyy-mm-dd hh:nn", "2023-03-16 00:00"},
    Row{-1.25, "yyyy-mm-dd hh:nn", "1899-12-29 06:00"}));

// The years 1 to 9999 and nothing beyond, on both sides of each end.
INSTANTIATE_TEST_SUITE_P(Limits, DatePattern, ::testing::Values(
    Row{2958465, "yyyy-mm-dd", "9999-12-31"},
    Row{2958465.9999, "yyyy-mm-dd hh:nn", "9999-12-31 23:59"},
    Row{2958466, "yyyy-mm-dd", std::nullopt},
    Row{-693593, "dddd yyyy-mm-dd", "Monday 0001-01-01"},
    Row{-693593.75, "yyyy-mm-dd hh:nn", "0001-01-01 18:00"},
    Row{-693594, "yyyy-mm-dd", std::nullopt},
    Row{-693595, "yyyy-mm-dd", std::nullopt},
    Row{NaN, "yyyy", std::nullopt},
    Row{std::numeric_limits<double>::infinity(), "yyyy", std::nullopt}));

TEST(CivilDateTime, ATimeThatRoundsToMidnightIsTheNextDay)
{
    const std::optional<CivilDateTime> t = DecodeDateTime(45000.9999999999);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->day, 16);
    EXPECT_EQ(t->weekday, 4); // Thursday
    EXPECT_EQ(t->hour, 0);
    EXPECT_EQ(t->millisecond, 0);
}

} // namespace
