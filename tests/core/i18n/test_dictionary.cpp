// Lookup in the dictionary, placeholders, missed keys and the template language file.
#include "core/i18n/dictionary.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

const std::string kDictionary = "[Channel  Number]=Kanalnummer|$$\r\n"
                                "[Exit]=Ende|$$\r\n"
                                "[exit]=Beenden|$$\r\n"
                                "[Range]=<%1%> of <%2%>|$$\r\n"
                                "[Twice]=<%1%>+<%1%>=<%2%>|$$\r\n"
                                "[Plain]=No placeholder|$$\r\n"
                                "[\xDC" "ber]=About|$$\r\n"
                                "[Tab\tKey]=tabbed|$$\r\n";

struct LookupCase
{
    const char* name;
    std::string key;
    Strings params;
    std::string expected;
};

void PrintTo(const LookupCase& c, std::ostream* os)
{
    *os << c.name;
}

class LookupTest : public ::testing::TestWithParam<LookupCase>
{
};

TEST_P(LookupTest, GivesTheExpectedText)
{
    const LookupCase& c = GetParam();
    Dictionary dictionary;
    dictionary.Load(kDictionary);
    EXPECT_EQ(dictionary.Translate(c.key, c.params), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LookupTest,
    ::testing::Values(
        LookupCase{"lowerCaseKey", "channel number", {}, "Kanalnummer"},
        LookupCase{"upperCaseKey", "CHANNEL NUMBER", {}, "Kanalnummer"},
        LookupCase{"lookupIsNotNormalised", "Channel  Number", {}, "Channel  Number"},
        LookupCase{"firstDuplicateWins", "EXIT", {}, "Ende"},
        LookupCase{"missingKeyStandsForItself", "$dlglanguage$", {}, "$dlglanguage$"},
        LookupCase{"missingKeyKeepsItsCase", "HomePageURL", {}, "HomePageURL"},
        LookupCase{"nonAsciiLettersAreNotFolded", "\xFC" "ber", {}, "\xFC" "ber"},
        LookupCase{"nonAsciiKeyInItsOwnCase", "\xDC" "BER", {}, "About"},
        LookupCase{"tabInLookupKeyIsNotASpace", "tab\tkey", {}, "tab\tkey"},
        LookupCase{"tabInFileKeyIsASpace", "TAB KEY", {}, "tabbed"},
        LookupCase{"twoParameters", "Range", {"3", "7"}, "3 of 7"},
        LookupCase{"unfilledPlaceholderStays", "Range", {"3"}, "3 of <%2%>"},
        LookupCase{"noParameters", "Range", {}, "<%1%> of <%2%>"},
        LookupCase{"extraParametersAreIgnored", "Plain", {"1", "2"}, "No placeholder"},
        LookupCase{"everyOccurrenceIsFilled", "Twice", {"2", "4"}, "2+2=4"},
        LookupCase{"insertedTextIsNotSearchedAgain", "Range", {"<%2%>", "x"}, "<%2%> of x"},
        LookupCase{"missingKeyGetsItsPlaceholdersFilled", "Value <%1%> <%2%>", {"5"}, "Value 5 <%2%>"}),
    [](const ::testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

TEST(Placeholders, FillOnlyWellFormedNumbersWithinTheParameters)
{
    Strings ten;
    for (int i = 1; i <= 10; ++i)
        ten.push_back(std::to_string(i * 11));
    const struct
    {
        std::string text;
        std::string expected;
    } rows[] = {
        {"<%10%>", "110"},
        {"<%11%>", "<%11%>"},
        {"<%01%>", "<%01%>"},
        {"<%0%>", "<%0%>"},
        {"<%<%1%>%>", "<%11%>"},
        {"<%1%<%2%>", "<%1%22"},
        {"<%1", "<%1"},
        {"<%", "<%"},
        {"<%99999999999999999999999%>", "<%99999999999999999999999%>"},
        {"<%\xB9%>", "<%\xB9%>"}, // a superscript one is no digit
        {"%>%><%2%><%", "%>%>22<%"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(itl::FillPlaceholders(row.text, ten), row.expected) << row.text;
}

TEST(Lookup, TextFoundHandlerSeesTheKeyAsPassedAndMayChangeTheText)
{
    Dictionary dictionary;
    dictionary.Load(kDictionary);
    Strings seen;
    dictionary.SetOnTextFound([&](std::string_view key, std::string& text) {
        seen.emplace_back(key);
        text += "!";
    });
    EXPECT_EQ(dictionary.Translate("EXIT"), "Ende!");
    EXPECT_EQ(dictionary.Translate("Range", {"a"}), "a of <%2%>!");
    EXPECT_EQ(dictionary.Translate("Missing"), "Missing");
    EXPECT_EQ(seen, (Strings{"EXIT", "Range"}));
    EXPECT_TRUE(dictionary.Contains("range"));
    EXPECT_FALSE(dictionary.Contains("Missing"));
}

TEST(Lookup, OnlyTextsWithTheExactPrefixAreKeys)
{
    Dictionary dictionary;
    dictionary.Load(kDictionary);
    std::string keyed = "BF_Exit", lower = "bf_Exit", bare = "Exit", prefixOnly = "BF_";
    EXPECT_TRUE(dictionary.TranslateKeyed(keyed));
    EXPECT_EQ(keyed, "Ende");
    EXPECT_FALSE(dictionary.TranslateKeyed(lower));
    EXPECT_EQ(lower, "bf_Exit");
    EXPECT_FALSE(dictionary.TranslateKeyed(bare));
    EXPECT_TRUE(dictionary.TranslateKeyed(prefixOnly)); // the empty key stands for itself
    EXPECT_EQ(prefixOnly, "");
    dictionary.SetKeyPrefix("bf_");
    EXPECT_TRUE(dictionary.TranslateKeyed(lower));
    EXPECT_EQ(lower, "Ende");
}

TEST(MissedKeys, AreRecordedOnceRegardlessOfCaseAndOnlyWithTheTemplate)
{
    Dictionary dictionary;
    dictionary.Load(kDictionary);
    dictionary.Translate("Quit");
    EXPECT_TRUE(dictionary.ItlOutput().empty());
    dictionary.SetAutoCreateItlFile(true);
    for (const char* key : {"Quit", "Quit", "QUIT", "Exit", "\xDC" "ber", "\xFC" "ber", "\xE4x", "\xC4X"})
        dictionary.Translate(key);
    dictionary.Translate("Value <%1%>", {"9"});
    EXPECT_EQ(dictionary.ItlOutput(), (Strings{"[Quit]=Quit|$$", "[\xFC" "ber]=\xFC" "ber|$$", "[\xE4x]=\xE4x|$$",
                                               "[\xC4X]=\xC4X|$$", "[Value <%1%>]=Value <%1%>|$$"}));
}

TEST(TemplateContent, IsTheMissedKeysThenTheDictionaryWithCrLf)
{
    Dictionary dictionary;
    dictionary.Load("[One]=Eins\\nZwei|$$[\xC4]=\x80|$$");
    dictionary.SetAutoCreateItlFile(true);
    dictionary.Translate("Quit");
    EXPECT_EQ(dictionary.ItlFileContent(), "[Quit]=Quit|$$\r\n[one]=Eins\\nZwei|$$\r\n[\xC4]=\x80|$$\r\n");
    Dictionary reloaded;
    reloaded.Load(dictionary.ItlFileContent());
    EXPECT_EQ(reloaded.Keys(), (Strings{"quit", "one", "\xC4"}));
    EXPECT_EQ(reloaded.Texts(), (Strings{"Quit", "Eins\nZwei", "\x80"}));
    EXPECT_EQ(Dictionary().ItlFileContent(), "");
}

// The application's name is in the template as it was inserted, so that a program of another
// name reads the same texts from it.
TEST(TemplateContent, LoadsBackToTheSameDictionaryUnderAnotherName)
{
    Dictionary original("DS");
    original.Load("[Gr\xFC\xDF" "e]=Sch\xF6ne Gr\xFC\xDF" "e: \x80 \xB5s\\nZeile 2 <%APPNAME%>|$$\r\n"
                  "[Exit]=Ende|$$\r\n[EXIT]=Quit|$$\r\n");
    ASSERT_EQ(original.Texts()[0], "Sch\xF6ne Gr\xFC\xDF" "e: \x80 \xB5s\nZeile 2 DS");
    Dictionary reloaded("other");
    reloaded.Load(original.ItlFileContent());
    EXPECT_EQ(reloaded.Keys(), original.Keys());
    EXPECT_EQ(reloaded.Texts(), original.Texts());
}

TEST(TemplateName, IsTheFilePartOfTheProgramStemWithItl)
{
    const struct
    {
        const char* program;
        const char* name;
    } rows[] = {{"/usr/bin/dscdma", "dscdma.itl"},
                {"/opt/dscdma/dscdma", "dscdma.itl"},
                {"X.EXE", "X.itl"},
                {"/opt/sim/X.EXE", "X.itl"},
                {"/opt/sim/dscdma.bin", "dscdma.itl"},
                {"/opt/a.b/prog.bin", "prog.itl"},
                {"/opt/sim.d/prog", "prog.itl"}, // a point in a folder's name is no extension
                {"/opt/sim/archive.tar.gz", "archive.tar.itl"}, // only the last extension goes
                {"/opt/sim/p.", "p.itl"},
                {"/tmp/.hidden", ".hidden.itl"},
                {"/opt/sim/.hidden", ".hidden.itl"},
                {"plain", "plain.itl"},
                {"ab", "ab.itl"},
                {"/dir/", ".itl"}};
    for (const auto& row : rows)
        EXPECT_EQ(Dictionary::ItlFileName(row.program), row.name) << row.program;
}

} // namespace
