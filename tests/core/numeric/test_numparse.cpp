#include "core/numeric/numparse.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr double Bound = static_cast<double>(NumClampBound);

struct Row
{
    std::string text;
    TInFormat format;
    TDecPSep sep;
    bool valid;
    double value;
};

std::ostream& operator<<(std::ostream& os, const Row& r)
{
    return os << '"' << (r.text.size() > 40 ? r.text.substr(0, 40) + "..." : r.text) << "\" format "
              << int(r.format) << " sep " << int(r.sep);
}

class ParseTextTable : public ::testing::TestWithParam<Row> {};

TEST_P(ParseTextTable, ReadsValidityAndValue)
{
    const Row& r = GetParam();
    const ParsedNumber n = ParseText(r.text, r.format, r.sep);
    EXPECT_EQ(n.valid, r.valid);
    EXPECT_EQ(n.value, r.value);
}

const std::string zeros4000(4000, '0');

INSTANTIATE_TEST_SUITE_P(Dynamic, ParseTextTable, ::testing::Values(
    Row{"", itDynamic, dsDot, true, 0},
    Row{"$ff", itDynamic, dsDot, true, 255},
    Row{"$FF", itDynamic, dsDot, true, 255},
    Row{"$$ff", itDynamic, dsDot, true, 255},
    Row{"%101", itDynamic, dsDot, true, 5},
    Row{"&17", itDynamic, dsDot, true, 15},
    Row{"2.5e3", itDynamic, dsDot, true, 2500},
    Row{"$", itDynamic, dsDot, true, 0},
    Row{"1E5", itDynamic, dsDot, true, 100000},
    Row{"  12", itDynamic, dsDot, true, 12},
    Row{"12 ", itDynamic, dsDot, false, 0},
    Row{"1 2", itDynamic, dsDot, false, 0},
    Row{"1e", itDynamic, dsDot, true, 1},
    Row{"1e-", itDynamic, dsDot, true, 1},
    Row{"1e+", itDynamic, dsDot, true, 1},
    Row{"-", itDynamic, dsDot, true, 0},
    Row{"+", itDynamic, dsDot, true, 0},
    Row{"-23", itDynamic, dsDot, true, -23},
    Row{".5", itDynamic, dsDot, true, 0.5},
    Row{"5.", itDynamic, dsDot, true, 5},
    Row{".", itDynamic, dsDot, true, 0},
    Row{"1.e2", itDynamic, dsDot, true, 100},
    Row{"1e5000", itDynamic, dsDot, true, Bound},
    Row{"-1e400", itDynamic, dsDot, true, -Bound},
    Row{"1.7976931348623157e308", itDynamic, dsDot, true, Bound},
    Row{"1e-5000", itDynamic, dsDot, true, 0},
    Row{"1ee", itDynamic, dsDot, false, 0},
    Row{"1e5e", itDynamic, dsDot, false, 0},
    Row{"1e+x", itDynamic, dsDot, false, 0},
    Row{"e5", itDynamic, dsDot, false, 0},
    Row{"1.5.2", itDynamic, dsDot, false, 0},
    Row{"--1", itDynamic, dsDot, false, 0},
    Row{"1-", itDynamic, dsDot, false, 0},
    Row{"abc", itDynamic, dsDot, false, 0},
    Row{"-$ff", itDynamic, dsDot, false, 0},
    Row{"$fg", itDynamic, dsDot, false, 0},
    Row{"%102", itDynamic, dsDot, false, 0},
    Row{"&18", itDynamic, dsDot, false, 0},
    Row{"$ffffffff", itDynamic, dsDot, true, -1},
    Row{"1\xC3\xA9", itDynamic, dsDot, false, 0},
    Row{std::string("1\0", 2), itDynamic, dsDot, false, 0}));

// The exponent digits stop counting at 4200: beyond it they are dropped, not rejected.
INSTANTIATE_TEST_SUITE_P(ExponentCap, ParseTextTable, ::testing::Values(
    Row{"1" + zeros4000 + "e-4200", itExp, dsDot, true, 1e-200},
    Row{"1" + zeros4000 + "e-4201", itExp, dsDot, true, Bound}, // read as e-420
    Row{"0." + zeros4000 + "1e4100", itExp, dsDot, true, 1e99},
    Row{"0." + zeros4000 + "1e42000", itExp, dsDot, true, 1e199}, // read as e4200
    Row{"1e0000000000000000000002", itExp, dsDot, true, 100},
    Row{"1" + zeros4000 + "0000000000e9", itExp, dsDot, true, Bound}));

// Beyond even an extended long double: the conversion reports the range, the sign stays.
TEST(ParseText, ValuesBeyondTheConversionRangeKeepTheirSign)
{
    const std::string zeros800(800, '0');
    struct Case { std::string text; double value; bool negative; };
    const Case cases[] = {
        {"1" + zeros800 + "e4200", Bound, false},
        {"-1" + zeros800 + "e4200", -Bound, true},
        {"+1" + zeros800 + "e4200", Bound, false},
        {"0." + zeros800 + "1e-4200", 0.0, false},
        {"-0." + zeros800 + "1e-4200", 0.0, true},
        {"+.5", 0.5, false},
    };
    for (const Case& c : cases) {
        const ParsedNumber n = ParseText(c.text, itExp, dsDot);
        ASSERT_TRUE(n.valid) << c.text.substr(0, 12);
        EXPECT_EQ(n.value, c.value) << c.text.substr(0, 12);
        EXPECT_EQ(std::signbit(n.value), c.negative) << c.text.substr(0, 12);
    }
}

INSTANTIATE_TEST_SUITE_P(FloatAndFixPoint, ParseTextTable, ::testing::Values(
    Row{"1e", itFloat, dsDot, false, 0},
    Row{"1e-", itFloat, dsDot, false, 0},
    Row{"1e5", itFloat, dsDot, false, 0},
    Row{"1e", itExp, dsDot, true, 1},
    Row{"-2.25", itFloat, dsDot, true, -2.25},
    Row{"3.14", itFixPoint, dsDot, true, 3.14},
    Row{"3.", itFixPoint, dsDot, true, 3},
    Row{"3.1e2", itFixPoint, dsDot, false, 0},
    Row{"$ff", itFloat, dsDot, false, 0},
    Row{"$ff", itExp, dsDot, false, 0}));

INSTANTIATE_TEST_SUITE_P(Integers, ParseTextTable, ::testing::Values(
    Row{"4294967296", itInt, dsDot, true, 0},
    Row{"2147483648", itInt, dsDot, true, -2147483648.0},
    Row{"-2147483649", itInt, dsDot, true, 2147483647},
    Row{"-5", itInt, dsDot, true, -5},
    Row{"+7", itInt, dsDot, true, 7},
    Row{"-", itInt, dsDot, true, 0},
    Row{"1.5", itInt, dsDot, false, 0},
    Row{"12a", itInt, dsDot, false, 0},
    Row{"1e3", itInt, dsDot, false, 0},
    Row{"ff", itHex, dsDot, true, 255},
    Row{"$ff", itHex, dsDot, true, 255},
    Row{"$$ff", itHex, dsDot, true, 255},
    Row{"$$$ff", itHex, dsDot, false, 0},
    Row{"FFFFFFFF", itHex, dsDot, true, -1},
    Row{"100000000", itHex, dsDot, true, 0},
    Row{"-1", itHex, dsDot, false, 0},
    Row{"%1", itHex, dsDot, false, 0},
    Row{"17", itOct, dsDot, true, 15},
    Row{"&17", itOct, dsDot, true, 15},
    Row{"&&17", itOct, dsDot, false, 0},
    Row{"8", itOct, dsDot, false, 0},
    Row{"37777777777", itOct, dsDot, true, -1},
    Row{"101", itBin, dsDot, true, 5},
    Row{"%101", itBin, dsDot, true, 5},
    Row{"2", itBin, dsDot, false, 0},
    Row{std::string(33, '1'), itBin, dsDot, true, -1}));

INSTANTIATE_TEST_SUITE_P(Separators, ParseTextTable, ::testing::Values(
    Row{"1,5", itDynamic, dsDot, false, 0},
    Row{"1.5", itDynamic, dsComma, false, 0},
    Row{"1,5", itDynamic, dsComma, true, 1.5},
    Row{",5", itFloat, dsComma, true, 0.5},
    Row{"1,5", itDynamic, dsBoth, true, 1.5},
    Row{"1.5", itDynamic, dsBoth, true, 1.5},
    Row{"1.5,3", itDynamic, dsBoth, false, 0},
    Row{"1.5.3", itDynamic, dsBoth, false, 0},
    Row{"1,,5", itDynamic, dsBoth, false, 0},
    Row{"1,5", itDynamic, dsSystem, false, 0}, // this machine's separator passed as '.'
    Row{"1,5", itInt, dsComma, false, 0}));

TEST(ParseText, SystemSeparatorIsWhatTheCallerSays)
{
    EXPECT_EQ(ParseText("1,5", itFloat, dsSystem, ',').value, 1.5);
    EXPECT_FALSE(ParseText("1.5", itFloat, dsSystem, ',').valid);
    EXPECT_EQ(ParseText("1.5", itFloat, dsSystem, '.').value, 1.5);
}

TEST(ParseText, InvalidTextsReportZero)
{
    for (const char* text : {"12x", "1 2", "$1g", "1.2.3"}) {
        const ParsedNumber n = ParseText(text, itDynamic, dsDot);
        EXPECT_FALSE(n.valid) << text;
        EXPECT_EQ(n.value, 0.0) << text;
    }
}

// A German process locale uses ',' for the C library's conversions; the parser must not care.
TEST(ParseText, IgnoresTheProcessLocale)
{
    const auto dir = std::filesystem::temp_directory_path() / ("numparse-locale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string build = "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(build.c_str()) != 0 && !std::filesystem::exists(dir / "de_DE.UTF-8")) {
        std::filesystem::remove_all(dir);
        GTEST_SKIP() << "cannot build a de_DE locale here";
    }
    ::setenv("LOCPATH", dir.c_str(), 1);
    const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(std::strtod("1,5", nullptr), 1.5); // the locale really is in force

    EXPECT_EQ(ParseText("1.5", itDynamic, dsDot).value, 1.5);
    EXPECT_EQ(ParseText("2.5e3", itExp, dsDot).value, 2500);
    EXPECT_EQ(ParseText("1,5", itDynamic, dsComma).value, 1.5);
    EXPECT_EQ(FormatFixPoint(12.5, 2), "12.50");

    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    std::filesystem::remove_all(dir);
}

TEST(FormatFixPoint, WritesFixedDecimalsWithPointAndNoBlanks)
{
    EXPECT_EQ(FormatFixPoint(12.5, 2), "12.50");
    EXPECT_EQ(FormatFixPoint(-3, 2), "-3.00");
    EXPECT_EQ(FormatFixPoint(-0.0, 2), "0.00");
    EXPECT_EQ(FormatFixPoint(0.29, 2), "0.29");
    EXPECT_EQ(FormatFixPoint(7, 8), "7.00000000");
    const std::string big = FormatFixPoint(Bound, 2);
    EXPECT_EQ(big.size(), 309u + 3u);
    EXPECT_EQ(big.substr(0, 6), "169999"); // the double nearest to 1.7E308 lies just below it
    // What is shown reads back as the same number, so reformatting settles at once.
    EXPECT_EQ(ParseText(big, itFixPoint, dsDot).value, Bound);
}

// Random texts over the characters that matter: never a crash, never a value out of bounds.
TEST(ParseText, RandomTextsStayInBounds)
{
    long iterations = 20000;
    if (const char* env = std::getenv("NUMPARSE_FUZZ_ITERATIONS"))
        iterations = std::atol(env);
    static const char alphabet[] = " +-.,eE0123456789$%&abcdefABCDEFxz\x80\xff";
    std::mt19937_64 rng(20261208);
    std::uniform_int_distribution<int> pick(0, int(sizeof alphabet) - 2);
    std::uniform_int_distribution<int> length(0, 30);
    std::uniform_int_distribution<int> format(0, 7);
    std::uniform_int_distribution<int> sep(0, 3);
    long accepted = 0;
    for (long i = 0; i < iterations; ++i) {
        std::string text;
        const int n = length(rng);
        for (int k = 0; k < n; ++k)
            text.push_back(alphabet[pick(rng)]);
        if (i % 97 == 0) // now and then a long digit run with a huge exponent
            text = "9" + std::string(std::size_t(length(rng)) * 40, '9') + "e" + std::to_string(i * 7919);
        const ParsedNumber r = ParseText(text, TInFormat(format(rng)), TDecPSep(sep(rng)), i % 2 ? ',' : '.');
        ASSERT_FALSE(std::isnan(r.value)) << text;
        ASSERT_LE(r.value, Bound) << text;
        ASSERT_GE(r.value, -Bound) << text;
        if (!r.valid) {
            ASSERT_EQ(r.value, 0.0) << text;
        }
        accepted += r.valid;
    }
    EXPECT_GT(accepted, iterations / 50); // the alphabet produces enough numbers to matter
}

} // namespace
