// The texts of the numeric label without a label: every notation, its rounding and its limits.
#include "core/numeric/valuetext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>
#include <optional>
#include <ostream>
#include <string>

namespace {

using N = ValueNotation;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const std::string Degree = "\xB0";
const std::nullopt_t None = std::nullopt;

struct Row
{
    ValueNotation notation;
    double value;
    int precision;
    std::optional<std::string> text; // none: the label shows its indicator
};

void PrintTo(const Row& r, std::ostream* os)
{
    *os << "notation " << int(r.notation) << " value " << r.value << " precision " << r.precision;
}

class ValueText : public ::testing::TestWithParam<Row>
{
};

TEST_P(ValueText, IsTheNotationsTextOrNoneOutsideItsRange)
{
    const Row& r = GetParam();
    EXPECT_EQ(FormatValueText(r.value, r.notation, r.precision, {}), r.text);
}

INSTANTIATE_TEST_SUITE_P(Integers, ValueText, ::testing::Values(
    Row{N::Int, 8, 2, "8"},
    Row{N::Int, 2.5, 2, "2"}, // halves go to the even neighbour
    Row{N::Int, 3.5, 2, "4"},
    Row{N::Int, -2.5, 2, "-2"},
    Row{N::Int, -7.6, 2, "-8"},
    Row{N::Int, 0, 2, "0"},
    Row{N::Int, 1e15 + 0.5, 0, "1000000000000000"},
    Row{N::Int, -9223372036854775808.0, 0, "-9223372036854775808"}, // the lowest 64-bit value
    Row{N::Int, 9223372036854775808.0, 0, None},                     // one past the highest
    Row{N::Int, 1e19, 2, None},
    Row{N::Int, NaN, 2, None},
    Row{N::ZeroInt, 7, 3, "007"},
    Row{N::ZeroInt, -7, 3, "-007"},
    Row{N::ZeroInt, 12345, 3, "12345"},
    Row{N::ZeroInt, 2147483647, 0, "2147483647"},
    Row{N::ZeroInt, 2147483648.0, 3, None},
    Row{N::ZeroInt, -2147483648.0, 0, "-2147483648"},
    Row{N::ZeroInt, -2147483649.0, 3, None},
    Row{N::Hex, 256, 2, "00"},
    Row{N::Hex, 255, 4, "00FF"},
    Row{N::Hex, -1, 8, "FFFFFFFF"},
    Row{N::Hex, 4294967295.0, 15, "FFFFFFFF"},
    Row{N::Hex, 4294967296.0, 8, None},
    Row{N::Hex, -2147483648.0, 8, "80000000"},
    Row{N::Hex, -2147483649.0, 8, None},
    Row{N::Hex, 255, 0, ""},
    Row{N::Bin, 5, 4, "0101"},
    Row{N::Bin, 5, 0, ""},
    Row{N::Bin, -1, 15, "111111111111111"},
    Row{N::Bin, 4294967296.0, 4, None},
    Row{N::Oct, 8, 3, "010"},
    Row{N::Oct, -1, 15, "37777777777"},
    Row{N::Oct, 8, 0, ""}));

INSTANTIATE_TEST_SUITE_P(Decimals, ValueText, ::testing::Values(
    Row{N::FixP, 3.14159, 2, "3.14"},
    Row{N::FixP, -2, 0, "-2"},
    Row{N::FixP, 2.5, 0, "2"}, // the exact half goes to even, as printf does
    Row{N::Exp, 1234.5, 2, "1.2e+03"}, // Precision counts digits, not decimals
    Row{N::Exp, 3.14159, 2, "3.1e+00"},
    Row{N::Exp, -0.000123456, 4, "-1.235e-04"},
    Row{N::Exp, 1e300, 15, "1.00000000000000e+300"},
    Row{N::Exp, 1234.5, 1, "1e+03"},
    Row{N::Exp, 1234.5, 0, "1e+03"},
    Row{N::Float, 0.5, 3, "0.5"},
    Row{N::Float, 1234567, 3, "1.23e+06"},
    Row{N::Float, 1234.5, 0, "1e+03"},
    Row{N::Deg, 12.5, 1, "12.5" + Degree},
    Row{N::Deg, 12.5, 12, "12.50000000" + Degree},
    Row{N::DegMin, 12.5, 2, "12" + Degree + " 30.00'"},
    Row{N::DegMin, 12.1, 0, "12" + Degree + "   6'"},
    Row{N::DegMin, -0.5, 2, "-0" + Degree + " 30.00'"},
    Row{N::DegMinSec, 12.5125, 1, "12" + Degree + " 30' 45.0\""},
    // Rounding carries into minutes and degrees instead of showing 60.
    Row{N::DegMinSec, 1.0 + 5.0 / 60, 0, "1" + Degree + "  5'   0\""},
    Row{N::DegMinSec, -(2.0 - 0.01 / 3600), 1, "-2" + Degree + "  0'  0.0\""},
    Row{N::DegMin, 0.999999, 2, "1" + Degree + "  0.00'"},
    Row{N::DegMin, 1152921504606846976.0, 0, "1152921504606846976" + Degree + "   0'"}));

// The label keeps precisions from 0 to 15; a caller that passes others gets the nearest of them.
INSTANTIATE_TEST_SUITE_P(PrecisionLimits, ValueText, ::testing::Values(
    Row{N::FixP, 1.0 / 3, 15, "0.333333333333333"},
    Row{N::FixP, 1.0 / 3, 16, "0.333333333333333"},
    Row{N::FixP, 1.0 / 3, 0, "0"},
    Row{N::FixP, 1.0 / 3, -1, "0"},
    Row{N::ZeroInt, 7, 15, "000000000000007"},
    Row{N::ZeroInt, 7, 16, "000000000000007"}));

TEST(ValueTextDates, FollowThePatternAndEndWithTheCalendar)
{
    EXPECT_EQ(FormatValueText(45000.5, N::DateTime, 2, "yyyy-mm-dd hh:nn"), "2023-03-15 12:00");
    EXPECT_EQ(FormatValueText(45000, N::DateTime, 2, ""), "");
    EXPECT_EQ(FormatValueText(2958466, N::DateTime, 2, "yyyy"), None);
    // Other notations do not read the pattern.
    EXPECT_EQ(FormatValueText(3.14159, N::FixP, 2, "yyyy"), "3.14");
}

// A process that adopts a locale with a decimal comma and digit groups, as a desktop may, still
// gets the same texts.
TEST(ValueTextLocale, IsTheSameWhateverTheProcessLocale)
{
    struct CommaPoint : std::numpunct<char>
    {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    const std::optional<std::string> texts[] = {
        FormatValueText(1234567.25, N::FixP, 2, {}),
        FormatValueText(1234567.25, N::Exp, 3, {}),
        FormatValueText(1234567.25, N::Float, 9, {}),
        FormatValueText(12.5, N::DegMinSec, 1, {}),
    };
    std::locale::global(previous);
    EXPECT_EQ(texts[0], "1234567.25");
    EXPECT_EQ(texts[1], "1.23e+06");
    EXPECT_EQ(texts[2], "1234567.25");
    EXPECT_EQ(texts[3], "12" + Degree + " 30'  0.0\"");
}

} // namespace
