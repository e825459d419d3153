// The language-file format in bytes: entries, keys and texts, the reader that takes a stream in
// pieces, and Windows-1252.
#include "core/i18n/dictionary.h"
#include "core/i18n/itlfile.h"
#include "core/i18n/windows1252.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

struct LoadCase
{
    const char* name;
    std::string file;
    Strings keys;
    Strings texts;
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
    Dictionary dictionary("DSCDMA");
    dictionary.Load(c.file);
    EXPECT_EQ(dictionary.Keys(), c.keys);
    EXPECT_EQ(dictionary.Texts(), c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, LoadingTest,
    ::testing::Values(
        LoadCase{"plain", "[Exit]=Ende|$$", {"exit"}, {"Ende"}},
        LoadCase{"lineBreaksAndCommentsBetween", "; language file\r\n[a]=x|$$\r\n\r\n// second one:\r\n[b]=y|$$\r\n",
                 {"a", "b"}, {"x", "y"}},
        LoadCase{"withoutBracketTakesKeyFromFirstCharacter", "Key One]=v|$$\r\nTwo]=w|$$", {"key one", "two"}, {"v", "w"}},
        LoadCase{"withoutAssignmentHasEmptyKeyAndTextFromSecondCharacter", "[abc|$$xyz|$$", {"", ""}, {"abc", "yz"}},
        LoadCase{"assignmentBeforeBracketGivesEmptyKey", "a]=b[c|$$", {""}, {"b[c"}},
        LoadCase{"textMayHoldBracketsAndAssignments", "[k]=a[b]=c]=|$$", {"k"}, {"a[b]=c]="}},
        LoadCase{"onlyTheFirstBracketOpensTheKey", "x[y[z]=t|$$", {"y[z"}, {"t"}},
        LoadCase{"trailingRemainderIsIgnored", "[a]=x|$$[b]=y|$", {"a"}, {"x"}},
        LoadCase{"crLfInsideTextGivesTwoSpaces", "[a]=one\r\ntwo\nthree|$$", {"a"}, {"one  two three"}},
        LoadCase{"backslashNIsALineFeedOnlyInLowerCase", "[a]=x\\ny\\Nz\\\\n|$$", {"a"}, {"x\ny\\Nz\\\n"}},
        LoadCase{"duplicatesAreKept", "[Key]=1|$$[KEY]=2|$$", {"key", "key"}, {"1", "2"}},
        LoadCase{"keyWhitespaceIsNormalised", "[ \t Channel  \t\r\n Number  ]=v|$$", {"channel number "}, {"v"}},
        LoadCase{"blankKeyBecomesEmpty", "[ \t ]=v|$$", {""}, {"v"}},
        LoadCase{"textIsNotTrimmed", "[a]=  v  |$$", {"a"}, {"  v  "}},
        LoadCase{"bareDelimiter", "|$$|$$", {"", ""}, {"", ""}},
        LoadCase{"onlyNoise", "no entry here, [x]=y and | $ $", {}, {}},
        LoadCase{"empty", "", {}, {}},
        LoadCase{"nulBytesAreCharacters", std::string("[a\0b]=x\0y|$$", 13), {std::string("a\0b", 3)}, {std::string("x\0y", 3)}},
        // bytes stay bytes; only 'A'..'Z' are folded
        LoadCase{"windows1252", "[Gr\xDC\xDF" "E]=\x80 5 \xB5s f\xFCr \x93x\x94|$$", {"gr\xDC\xDF" "e"},
                 {"\x80 5 \xB5s f\xFCr \x93x\x94"}},
        LoadCase{"appNameInAnyCase", "[a]=<%APPNAME%>, <%AppName%>, <%appname%|$$", {"a"}, {"DSCDMA, DSCDMA, <%appname%"}}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

// A stream handed over in pieces of every size finds the same entries, whatever piece a
// delimiter is cut across.
TEST(EntryReader, FindsDelimitersAcrossThePiecesOfAStream)
{
    const std::string file = "[k]=" + std::string(300, 'x') + "|$$[m]=y|$$[n]=z|$" + "$tail";
    const Strings whole = itl::SplitEntries(file);
    ASSERT_EQ(whole.size(), 3u);
    EXPECT_EQ(whole[2], "[n]=z|$$");
    for (std::size_t piece = 1; piece <= 9; ++piece) {
        itl::EntryReader reader;
        Strings entries;
        for (std::size_t at = 0; at < file.size(); at += piece) {
            reader.Feed(std::string_view(file).substr(at, piece));
            while (auto entry = reader.Next())
                entries.push_back(*entry);
        }
        EXPECT_EQ(entries, whole) << "pieces of " << piece;
    }
}

TEST(EntryReader, ADelimiterOfLettersIsFoundInAnyCase)
{
    itl::EntryReader reader("<END>");
    reader.Feed("a<en");
    EXPECT_FALSE(reader.Next());
    reader.Feed("d>b<End>");
    EXPECT_EQ(reader.Next(), "a<end>");
    EXPECT_EQ(reader.Next(), "b<End>");
    EXPECT_FALSE(reader.Next());
}

TEST(Loading, ReadsAnEntryOfMegabytesAndDropsATailWithoutDelimiter)
{
    const std::string text(3 * 1024 * 1024 + 17, 'a');
    Dictionary dictionary;
    dictionary.Load("[big]=" + text + "|$$[small]=s|$$" + std::string(2 * 1024 * 1024, '['));
    ASSERT_EQ(dictionary.Keys().size(), 2u);
    EXPECT_EQ(dictionary.Texts()[0].size(), text.size());
    EXPECT_EQ(dictionary.Texts()[1], "s");
}

TEST(Loading, ASecondLoadReplacesTheDictionaryButKeepsTheTemplateLines)
{
    Dictionary dictionary;
    dictionary.SetAutoCreateItlFile(true);
    dictionary.Load("[a]=x|$$");
    EXPECT_EQ(dictionary.Translate("Missing"), "Missing");
    dictionary.Load("[b]=y|$$");
    EXPECT_EQ(dictionary.Keys(), Strings{"b"});
    EXPECT_EQ(dictionary.Translate("a"), "a");
    EXPECT_EQ(dictionary.Translate("b"), "y");
    EXPECT_EQ(dictionary.ItlOutput(), (Strings{"[Missing]=Missing|$$", "[a]=a|$$"}));
}

TEST(Loading, AnUnfinishedFileLeavesNoHalfEntryForTheNext)
{
    Dictionary dictionary;
    dictionary.Clear();
    dictionary.Feed("[a]=x|$$[b]=half");
    dictionary.Finish();
    dictionary.Feed("|$$[c]=z|$$");
    dictionary.Finish();
    EXPECT_EQ(dictionary.Keys(), (Strings{"a", "", "c"}));
    EXPECT_EQ(dictionary.Texts(), (Strings{"x", "", "z"}));
}

TEST(Loading, InsertedApplicationNameIsNotSearchedAgain)
{
    Dictionary dictionary("<%APPNAME%>\\n");
    dictionary.Load("[a]=<%appname%>!|$$");
    EXPECT_EQ(dictionary.Texts(), Strings{"<%APPNAME%>\\n!"});
}

TEST(KeyNormalisation, FoldsOnlyAsciiLetters)
{
    EXPECT_EQ(itl::NormalizeKey("\xC4" "BC\xC9xYZ"), "\xC4" "bc\xC9xyz");
    EXPECT_EQ(itl::AsciiLower("K\xD6LN \xDD"), "k\xD6ln \xDD");
    EXPECT_TRUE(itl::EqualsIgnoringAsciiCase("AbC", "aBc"));
    EXPECT_FALSE(itl::EqualsIgnoringAsciiCase("\xC4", "\xE4"));
    EXPECT_FALSE(itl::EqualsIgnoringAsciiCase("ab", "abc"));
}

TEST(Windows1252, EveryByteRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::u16string decoded = windows1252::Decode(all);
    ASSERT_EQ(decoded.size(), 256u);
    EXPECT_EQ(windows1252::Encode(decoded), all);
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
    for (const auto& row : rows)
        EXPECT_EQ(windows1252::ToUnicode(row.byte), row.ch) << int(row.byte);
}

TEST(Windows1252, WritesAQuestionMarkForEachCharacterItCannotHold)
{
    EXPECT_EQ(windows1252::Encode(u"a\u0101b\U0001F600c\u20AC"), "a?b?c\x80");
    EXPECT_EQ(windows1252::Encode(std::u16string(1, char16_t(0xD800)) + u"x"), "?x");
    EXPECT_EQ(windows1252::Encode(u"x" + std::u16string(1, char16_t(0xDC00))), "x?");
}

} // namespace
