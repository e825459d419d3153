#include "core/numeric/inputrow.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

// Both inputs tables read their whole numbers through this: the limit on digits is what keeps
// a long text from overflowing, so it is tested on both sides.
TEST(DecimalDigits, TakesDigitsAloneUpToTheirLimit)
{
    struct Case
    {
        std::string text;
        std::size_t limit;
        std::optional<std::uint64_t> value;
    };
    const Case cases[] = {
        {"0", 19, 0},
        {"007", 19, 7},
        {"123456789", 9, 123456789},
        {"1234567890", 9, std::nullopt},
        {"9999999999999999999", 19, 9999999999999999999ull},
        {"10000000000000000000", 19, std::nullopt},
        {"", 19, std::nullopt},
        {"+1", 19, std::nullopt},
        {"-1", 19, std::nullopt},
        {"1 ", 19, std::nullopt},
        {"1e3", 19, std::nullopt},
        {"12", 20, std::nullopt}, // more than 64 bits can hold is never asked for
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecimalDigits(c.text, c.limit), c.value) << '"' << c.text << "\" within " << c.limit;
}
