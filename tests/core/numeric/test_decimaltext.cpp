// Decimal texts both ways in the classic notation, as the C library's printf and strtod give them
// in the "C" locale, on every platform and in the web module alike.
#include "core/numeric/decimaltext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

namespace {

struct Written
{
    double value;
    std::chars_format format;
    int precision;
    const char* text;
};

void PrintTo(const Written& w, std::ostream* os)
{
    *os << w.value << " at " << w.precision << " -> " << w.text;
}

class DecimalTexts : public ::testing::TestWithParam<Written>
{
};

TEST_P(DecimalTexts, AreThoseOfPrintfInTheClassicLocale)
{
    const Written& w = GetParam();
    EXPECT_EQ(DecimalText(w.value, w.format, w.precision), w.text);
}

constexpr auto Fixed = std::chars_format::fixed;
constexpr auto Sci = std::chars_format::scientific;
constexpr auto General = std::chars_format::general;

INSTANTIATE_TEST_SUITE_P(Notations, DecimalTexts, ::testing::Values(
    Written{2.5, Fixed, 0, "2"},          // halves to even, from the exact binary value
    Written{3.5, Fixed, 0, "4"},
    Written{0.125, Fixed, 2, "0.12"},
    Written{0.375, Fixed, 2, "0.38"},
    Written{1.005, Fixed, 2, "1.00"},     // 1.00499999999999989...
    Written{-0.0, Fixed, 2, "-0.00"},
    Written{-1234.5678, Fixed, 3, "-1234.568"},
    Written{1e21, Fixed, 0, "1000000000000000000000"},
    Written{1.7976931348623157e308, Fixed, 0,
            "1797693134862315708145274237317043567980705675258449965989174768031572607800285387605895586327668781715"
            "4045895351438246423432132688946418276846754670353751698604991057655128207624549009038932894407586850845"
            "5133942304583236903222948165808559332123348274797826204144723168738177180919299881250404026184124858368"},
    Written{0.1, Fixed, 20, "0.10000000000000000555"},
    Written{-1, Fixed, -3, "-1"},           // a negative precision is none
    Written{123456, Sci, 2, "1.23e+05"},
    Written{-0.000123456, Sci, 2, "-1.23e-04"},
    Written{1e-300, Sci, 2, "1.00e-300"},
    Written{0.0, Sci, 0, "0e+00"},
    Written{std::numeric_limits<double>::infinity(), Fixed, 2, "inf"},
    Written{-std::numeric_limits<double>::infinity(), Sci, 2, "-inf"},
    Written{0.0001, General, 3, "0.0001"},
    Written{0.00001, General, 3, "1e-05"},
    Written{123456, General, 6, "123456"},
    Written{1234567, General, 6, "1.23457e+06"},
    Written{100, General, 0, "1e+02"}));

struct Read
{
    const char* text;
    bool taken;
    double value; // when taken
};

void PrintTo(const Read& r, std::ostream* os)
{
    *os << '"' << r.text << '"';
}

class DecimalReading : public ::testing::TestWithParam<Read>
{
};

TEST_P(DecimalReading, TakesTheNotationAndNothingBeyondDoublesRange)
{
    const Read& r = GetParam();
    double value = 42.0;
    EXPECT_EQ(ReadDecimal(r.text, value), r.taken);
    if (r.taken) {
        EXPECT_EQ(value, r.value);
        EXPECT_EQ(std::signbit(value), std::signbit(r.value));
    } else {
        EXPECT_EQ(value, 42.0) << "a refused text leaves the value";
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, DecimalReading, ::testing::Values(
    Read{"7", true, 7},
    Read{"+.5", true, 0.5},
    Read{"-12.5E-3", true, -0.0125},
    Read{"5.", true, 5},
    Read{"-0", true, -0.0},
    Read{"0.1", true, 0.1},
    Read{"1e3", true, 1000},
    Read{"1.7976931348623157E308", true, 1.7976931348623157e308},
    Read{"1E308", true, 1e308},
    Read{"1E309", false, 0},               // beyond the range, on either side of its limit
    Read{"-1E400", false, 0},
    Read{"4.9E-324", true, 4.9e-324},      // the smallest subnormal is still a value
    Read{"1E-400", false, 0},              // read as zero: beyond
    Read{"", false, 0},
    Read{"-", false, 0},
    Read{"+-1", false, 0},
    Read{" 5", false, 0},
    Read{"5 ", false, 0},
    Read{"5E", false, 0},
    Read{"1,5", false, 0},
    Read{"inf", false, 0},
    Read{"nan", false, 0},
    Read{"0x10", false, 0}));

} // namespace
