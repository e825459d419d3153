// The server's standard input cut into command lines, with the length limit on both sides.
#include "tools/commandlines.h"

#include <QByteArrayList>

#include <gtest/gtest.h>

namespace {

struct LinesCase
{
    const char* name;
    QByteArrayList pieces; // as the reads deliver them
    QByteArrayList lines;  // handed to the handler
    int refusals;
};

void PrintTo(const LinesCase& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLines : public ::testing::TestWithParam<LinesCase>
{
};

constexpr qsizetype kLimit = 8;
const QByteArray kRefusal = "error command line longer than 8 bytes: dropped up to its end";

TEST_P(CommandLines, AreCutAtLineEndsAndRefusedBeyondTheLimit)
{
    const LinesCase& c = GetParam();
    QByteArrayList lines;
    QByteArrayList reports;
    TCommandLines reader([&](const QByteArray& line) { lines << line; return true; },
                         [&](const QByteArray& line) { reports << line; }, kLimit);
    for (const QByteArray& piece : c.pieces)
        EXPECT_TRUE(reader.Feed(piece));
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(reports, QByteArrayList(c.refusals, kRefusal));
}

INSTANTIATE_TEST_SUITE_P(
    Limit, CommandLines,
    ::testing::Values(
        LinesCase{"oneLine", {"list\n"}, {"list"}, 0},
        LinesCase{"splitAcrossReads", {"li", "s", "t\nex", "it\n"}, {"list", "exit"}, 0},
        LinesCase{"severalInOneRead", {"a\nb\n\nc\n"}, {"a", "b", "", "c"}, 0},
        LinesCase{"unendedLineWaits", {"list"}, {}, 0},
        LinesCase{"exactlyTheLimit", {"12345678\n"}, {"12345678"}, 0},
        LinesCase{"exactlyTheLimitInPieces", {"1234", "5678", "\n"}, {"12345678"}, 0},
        LinesCase{"oneByteBeyond", {"123456789\nok\n"}, {"ok"}, 1},
        LinesCase{"oneByteBeyondInPieces", {"12345678", "9", "more", "\nok\n"}, {"ok"}, 1},
        LinesCase{"refusedBeforeItsEnd", {"123456789"}, {}, 1},
        LinesCase{"eachTooLongLineOnce", {"123456789\n", "abcdefghi\n", "x\n"}, {"x"}, 2},
        LinesCase{"aCarriageReturnCounts", {"1234567\r\n", "12345678\r\n"}, {"1234567\r"}, 1}),
    [](const ::testing::TestParamInfo<LinesCase>& info) { return std::string(info.param.name); });

TEST(CommandLinesStop, NothingAfterTheLineThatStopsIsHandled)
{
    QByteArrayList lines;
    TCommandLines reader([&](const QByteArray& line) { lines << line; return line != "exit"; }, {}, kLimit);
    EXPECT_FALSE(reader.Feed("a\nexit\nb\n"));
    EXPECT_EQ(lines, (QByteArrayList{"a", "exit"}));
}

TEST(CommandLinesStop, ARefusedLineKeepsNoBytes)
{
    TCommandLines reader([](const QByteArray&) { return true; }, {}, kLimit);
    reader.Feed("1234567");
    EXPECT_EQ(reader.Pending(), 7);
    reader.Feed(QByteArray(1000, 'x'));
    EXPECT_EQ(reader.Pending(), 0);
}

} // namespace
