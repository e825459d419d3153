#include "Babelfish2000.h"
#include "load_support.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <ostream>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kDictionary = "[Channel  Number]=Kanalnummer|$$\r\n"
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
    QString key;
    QStringList params;
    QString expected;
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
    TBabelfish2000 engine(QString{});
    Load(engine, kDictionary);
    QString text = u"previous"_s;
    engine.Translate(c.key, c.params, text);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dictionary, LookupTest,
    ::testing::Values(
        LookupCase{"lowerCaseKey", u"channel number"_s, {}, u"Kanalnummer"_s},
        LookupCase{"upperCaseKey", u"CHANNEL NUMBER"_s, {}, u"Kanalnummer"_s},
        LookupCase{"lookupIsNotNormalised", u"Channel  Number"_s, {}, u"Channel  Number"_s},
        LookupCase{"firstDuplicateWins", u"EXIT"_s, {}, u"Ende"_s},
        LookupCase{"missingKeyStandsForItself", u"$dlglanguage$"_s, {}, u"$dlglanguage$"_s},
        LookupCase{"missingKeyKeepsItsCase", u"HomePageURL"_s, {}, u"HomePageURL"_s},
        LookupCase{"nonAsciiLettersAreNotFolded", u"\u00FC" "ber"_s, {}, u"\u00FC" "ber"_s},
        LookupCase{"nonAsciiKeyInItsOwnCase", u"\u00DC" "BER"_s, {}, u"About"_s},
        LookupCase{"tabInLookupKeyIsNotASpace", u"tab\tkey"_s, {}, u"tab\tkey"_s},
        LookupCase{"tabInFileKeyIsASpace", u"TAB KEY"_s, {}, u"tabbed"_s},
        LookupCase{"twoParameters", u"Range"_s, {u"3"_s, u"7"_s}, u"3 of 7"_s},
        LookupCase{"unfilledPlaceholderStays", u"Range"_s, {u"3"_s}, u"3 of <%2%>"_s},
        LookupCase{"noParameters", u"Range"_s, {}, u"<%1%> of <%2%>"_s},
        LookupCase{"extraParametersAreIgnored", u"Plain"_s, {u"1"_s, u"2"_s}, u"No placeholder"_s},
        LookupCase{"everyOccurrenceIsFilled", u"Twice"_s, {u"2"_s, u"4"_s}, u"2+2=4"_s},
        LookupCase{"insertedTextIsNotSearchedAgain", u"Range"_s, {u"<%2%>"_s, u"x"_s},
                   u"<%2%> of x"_s},
        LookupCase{"missingKeyGetsItsPlaceholdersFilled", u"Value <%1%> <%2%>"_s, {u"5"_s},
                   u"Value 5 <%2%>"_s}),
    [](const ::testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

TEST(Lookup, TextFoundHandlerSeesTheKeyAsPassedAndMayChangeTheText)
{
    TBabelfish2000 engine(QString{});
    Load(engine, kDictionary);
    QStringList seen;
    engine.SetOnTextFound([&](TBabelfish2000& sender, const QString& key, QString& text) {
        EXPECT_EQ(&sender, &engine);
        seen << key;
        text = text.toUpper();
    });
    EXPECT_EQ(engine.Translate(u"EXIT"_s), u"ENDE"_s);
    EXPECT_EQ(engine.Translate(u"Range"_s, {u"a"_s}), u"A OF <%2%>"_s);
    EXPECT_EQ(engine.Translate(u"Missing"_s), u"Missing"_s);
    EXPECT_EQ(seen, (QStringList{u"EXIT"_s, u"Range"_s}));
}

TEST(MissedKeys, AreRecordedOnceRegardlessOfCase)
{
    TBabelfish2000 engine(QString{});
    Load(engine, kDictionary);
    engine.SetAutoCreateItlFile(true);
    engine.Translate(u"Quit"_s);
    engine.Translate(u"Quit"_s);
    engine.Translate(u"QUIT"_s);
    engine.Translate(u"Exit"_s);
    engine.Translate(u"\u00DC" "ber"_s);
    engine.Translate(u"\u00FC" "ber"_s);
    engine.Translate(u"Value <%1%>"_s, {u"9"_s});
    engine.Translate(u"\u00E4x"_s);
    engine.Translate(u"\u00C4X"_s);
    EXPECT_EQ(engine.ItlOutput(), (QStringList{u"[Quit]=Quit|$$"_s, u"[\u00FC" "ber]=\u00FC" "ber|$$"_s,
                                               u"[Value <%1%>]=Value <%1%>|$$"_s,
                                               u"[\u00E4x]=\u00E4x|$$"_s, u"[\u00C4X]=\u00C4X|$$"_s}));
    engine.SetAutoCreateItlFile(false);
}

TEST(MissedKeys, AreNotRecordedWithoutTheTemplate)
{
    TBabelfish2000 engine(QString{});
    engine.Translate(u"Quit"_s);
    EXPECT_TRUE(engine.ItlOutput().isEmpty());
}

TEST(MissedKeys, AreRecordedWhenKeyAndTextAreOneString)
{
    TBabelfish2000 engine(QString{});
    engine.SetAutoCreateItlFile(true);
    QString s = u"Size <%1%>"_s;
    engine.Translate(s, {u"4"_s}, s);
    EXPECT_EQ(s, u"Size 4"_s);
    EXPECT_EQ(engine.ItlOutput(), QStringList{u"[Size <%1%>]=Size <%1%>|$$"_s});
    engine.SetAutoCreateItlFile(false);
}

} // namespace
