#include "Babelfish2000.h"
#include "load_support.h"
#include "cp1252.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

namespace {

struct LoadCase
{
    const char* name;
    QByteArray file;
    QStringList keys;
    QStringList texts;
};

void PrintTo(const LoadCase& c, std::ostream* os)
{
    *os << c.name;
}

class LoadingTest : public ::testing::TestWithParam<LoadCase>
{
};

TEST_P(LoadingTest, YieldsTheEntriesOfTheFile)
{
    const LoadCase& c = GetParam();
    TBabelfish2000 engine(QStringLiteral("DSCDMA"));
    Load(engine, c.file);
    EXPECT_EQ(engine.Keys(), c.keys);
    EXPECT_EQ(engine.Texts(), c.texts);
}

using namespace Qt::Literals::StringLiterals;

INSTANTIATE_TEST_SUITE_P(
    Entries, LoadingTest,
    ::testing::Values(
        LoadCase{"plain", "[Exit]=Ende|$$", {u"exit"_s}, {u"Ende"_s}},
        LoadCase{"lineBreaksAndCommentsBetween",
                 "; language file\r\n[a]=x|$$\r\n\r\n// second one:\r\n[b]=y|$$\r\n",
                 {u"a"_s, u"b"_s}, {u"x"_s, u"y"_s}},
        LoadCase{"withoutBracketTakesKeyFromFirstCharacter", "Key One]=v|$$\r\nTwo]=w|$$",
                 {u"key one"_s, u"two"_s}, {u"v"_s, u"w"_s}},
        LoadCase{"withoutAssignmentHasEmptyKeyAndTextFromSecondCharacter", "[abc|$$xyz|$$",
                 {u""_s, u""_s}, {u"abc"_s, u"yz"_s}},
        LoadCase{"assignmentBeforeBracketGivesEmptyKey", "a]=b[c|$$", {u""_s}, {u"b[c"_s}},
        LoadCase{"textMayHoldBracketsAndAssignments", "[k]=a[b]=c]=|$$", {u"k"_s}, {u"a[b]=c]="_s}},
        LoadCase{"onlyTheFirstBracketOpensTheKey", "x[y[z]=t|$$", {u"y[z"_s}, {u"t"_s}},
        LoadCase{"trailingRemainderIsIgnored", "[a]=x|$$[b]=y|$", {u"a"_s}, {u"x"_s}},
        LoadCase{"crLfInsideTextGivesTwoSpaces", "[a]=one\r\ntwo\nthree|$$", {u"a"_s},
                 {u"one  two three"_s}},
        LoadCase{"backslashNIsALineFeedOnlyInLowerCase", "[a]=x\\ny\\Nz\\\\n|$$", {u"a"_s},
                 {u"x\ny\\Nz\\\n"_s}},
        LoadCase{"duplicatesAreKept", "[Key]=1|$$[KEY]=2|$$", {u"key"_s, u"key"_s}, {u"1"_s, u"2"_s}},
        LoadCase{"keyWhitespaceIsNormalised", "[ \t Channel  \t\r\n Number  ]=v|$$",
                 {u"channel number "_s}, {u"v"_s}},
        LoadCase{"blankKeyBecomesEmpty", "[ \t ]=v|$$", {u""_s}, {u"v"_s}},
        LoadCase{"textIsNotTrimmed", "[a]=  v  |$$", {u"a"_s}, {u"  v  "_s}},
        LoadCase{"bareDelimiter", "|$$|$$", {u""_s, u""_s}, {u""_s, u""_s}},
        LoadCase{"onlyNoise", "no entry here, [x]=y and | $ $", {}, {}},
        LoadCase{"empty", "", {}, {}},
        LoadCase{"nulBytesAreCharacters", QByteArray("[a\0b]=x\0y|$$", 13),
                 {QString(u"a\0b"_s)}, {QString(u"x\0y"_s)}},
        LoadCase{"windows1252", "[Gr\xDC\xDF" "E]=\x80 5 \xB5s f\xFCr \x93x\x94|$$",
                 {u"gr\u00DC\u00DF" "e"_s}, {u"\u20AC 5 \u00B5s f\u00FCr \u201Cx\u201D"_s}},
        LoadCase{"appNameInAnyCase", "[a]=<%APPNAME%>, <%AppName%>, <%appname%|$$", {u"a"_s},
                 {u"DSCDMA, DSCDMA, <%appname%"_s}}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

// Entries whose delimiter falls on, before and across the boundaries of the reader's blocks.
TEST(Loading, FindsDelimitersAcrossBlockBoundaries)
{
    const qsizetype block = 256; // what the engine reads at a time
    for (qsizetype delimiterAt = block - 4; delimiterAt <= 2 * block + 1; ++delimiterAt) {
        const qsizetype textLength = delimiterAt - 4; // "[k]=" comes first
        const QByteArray first = "[k]=" + QByteArray(textLength, 'x') + "|$$";
        const QByteArray second = "[m]=y|$$";
        TBabelfish2000 engine(QString{});
        Load(engine, first + second);
        ASSERT_EQ(engine.Keys(), (QStringList{u"k"_s, u"m"_s})) << "delimiter at " << delimiterAt;
        EXPECT_EQ(engine.Texts()[0], QString(textLength, u'x'));
        EXPECT_EQ(engine.Texts()[1], u"y"_s);
    }
}

TEST(Loading, ReadsAnEntryOfMegabytes)
{
    const QByteArray text(3 * 1024 * 1024 + 17, 'a');
    TBabelfish2000 engine(QString{});
    Load(engine, "[big]=" + text + "|$$[small]=s|$$");
    ASSERT_EQ(engine.Keys().size(), 2);
    EXPECT_EQ(engine.Texts()[0].size(), text.size());
    EXPECT_EQ(engine.Texts()[1], u"s"_s);
}

TEST(Loading, DropsAFileOfMegabytesWithoutDelimiter)
{
    TBabelfish2000 engine(QString{});
    Load(engine, "[a]=x|$$" + QByteArray(2 * 1024 * 1024, '['));
    EXPECT_EQ(engine.Keys(), QStringList{u"a"_s});
}

TEST(Loading, ReadsFromTheStartWhateverThePosition)
{
    QBuffer buffer;
    buffer.setData("[a]=x|$$[b]=y|$$");
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(10);
    TBabelfish2000 engine(QString{});
    engine.LoadFromStream(buffer);
    EXPECT_EQ(engine.Keys(), (QStringList{u"a"_s, u"b"_s}));
}

// A pipe-like stream that hands out a few bytes per read.
class TrickleDevice : public QIODevice
{
public:
    explicit TrickleDevice(QByteArray data)
        : data(std::move(data))
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min<qint64>({max, 7, data.size() - pos});
        std::copy_n(data.constData() + pos, n, out);
        pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data;
    qint64 pos = 0;
};

TEST(Loading, ReadsAStreamThatDeliversShortReads)
{
    TrickleDevice device("[a]=" + QByteArray(600, 'x') + "|$$[b]=y|$$rest");
    TBabelfish2000 engine(QString{});
    engine.LoadFromStream(device);
    EXPECT_EQ(engine.Keys(), (QStringList{u"a"_s, u"b"_s}));
    EXPECT_EQ(engine.Texts()[0].size(), 600);
}

TEST(Loading, ASecondLoadReplacesTheDictionaryButKeepsTheTemplateLines)
{
    TBabelfish2000 engine(QString{});
    engine.SetAutoCreateItlFile(true);
    Load(engine, "[a]=x|$$");
    EXPECT_EQ(engine.Translate(u"Missing"_s), u"Missing"_s);
    Load(engine, "[b]=y|$$");
    EXPECT_EQ(engine.Keys(), QStringList{u"b"_s});
    EXPECT_EQ(engine.Translate(u"a"_s), u"a"_s);
    EXPECT_EQ(engine.Translate(u"b"_s), u"y"_s);
    EXPECT_EQ(engine.ItlOutput(), (QStringList{u"[Missing]=Missing|$$"_s, u"[a]=a|$$"_s}));
    engine.SetAutoCreateItlFile(false);
}

TEST(Loading, AClosedStreamLeavesAnEmptyDictionary)
{
    TBabelfish2000 engine(QString{});
    Load(engine, "[a]=x|$$");
    QBuffer closed;
    engine.LoadFromStream(closed);
    EXPECT_TRUE(engine.Keys().isEmpty());
    EXPECT_TRUE(engine.Texts().isEmpty());
}

TEST(Loading, InsertedApplicationNameIsNotSearchedAgain)
{
    TBabelfish2000 engine(u"<%APPNAME%>\\n"_s);
    Load(engine, "[a]=<%appname%>!|$$");
    EXPECT_EQ(engine.Texts(), QStringList{u"<%APPNAME%>\\n!"_s});
}

TEST(Windows1252, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString decoded = cp1252::Decode(all);
    ASSERT_EQ(decoded.size(), 256);
    EXPECT_EQ(cp1252::Encode(decoded), all);
}

TEST(Windows1252, DecodesTheCharactersOfTheCodePage)
{
    const struct
    {
        unsigned char byte;
        char16_t ch;
    } rows[] = {{'A', u'A'}, {0x80, u'\u20AC'}, {0x81, u'\u0081'}, {0x8A, u'\u0160'},
                {0x8D, u'\u008D'}, {0x96, u'\u2013'}, {0x9F, u'\u0178'}, {0xA0, u'\u00A0'},
                {0xB5, u'\u00B5'}, {0xDF, u'\u00DF'}, {0xFC, u'\u00FC'}, {0xFF, u'\u00FF'}};
    for (const auto& row : rows) {
        const QString decoded = cp1252::Decode(QByteArray(1, static_cast<char>(row.byte)));
        EXPECT_EQ(decoded, QString(QChar(row.ch))) << int(row.byte);
    }
}

TEST(Windows1252, WritesAQuestionMarkForEachCharacterItCannotHold)
{
    EXPECT_EQ(cp1252::Encode(u"a\u0101b\U0001F600c\u20AC"), QByteArray("a?b?c\x80"));
    EXPECT_EQ(cp1252::Encode(QString(QChar(0xD800)) + u'x'), QByteArray("?x"));
}

} // namespace
