// Lookup through the shell: keys, parameters and texts converted at its edge, the handler's
// arguments, and the out-parameter that may be the key itself. The lookup rules are the core's
// and tested there (tests/core/i18n).
#include "i18n/Babelfish2000.h"
#include "tests/i18n/load_support.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kDictionary = "[Exit]=Ende|$$\r\n"
                               "[Range]=<%1%> of <%2%>|$$\r\n"
                               "[\xDC" "ber]=\xDC" "ber \x80|$$\r\n";

TEST(Lookup, KeysParametersAndTextsCrossTheEdgeInTheCodePage)
{
    TBabelfish2000 engine(QString{});
    Load(engine, kDictionary);
    const struct
    {
        QString key;
        QStringList params;
        QString expected;
    } rows[] = {
        {u"\u00DC" "BER"_s, {}, u"\u00DC" "ber \u20AC"_s},
        {u"\u00FC" "ber"_s, {}, u"\u00FC" "ber"_s}, // only 'A' to 'Z' fold
        {u"Range"_s, {u"\u00B5s"_s, u"\u20AC"_s}, u"\u00B5s of \u20AC"_s},
        {u"Range"_s, {u"\u0101"_s}, u"? of <%2%>"_s}, // a character the code page lacks
        {u"Exit\u0101"_s, {}, u"Exit?"_s},
    };
    for (const auto& row : rows) {
        QString text = u"previous"_s;
        engine.Translate(row.key, row.params, text);
        EXPECT_EQ(text, row.expected) << row.key.toStdString();
        EXPECT_EQ(engine.Translate(row.key, row.params), row.expected) << row.key.toStdString();
    }
}

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
    EXPECT_EQ(engine.Translate(u"\u00DC" "BER"_s), u"\u00DC" "BER \u20AC"_s);
    EXPECT_EQ(engine.Translate(u"Missing"_s), u"Missing"_s);
    EXPECT_EQ(seen, (QStringList{u"EXIT"_s, u"Range"_s, u"\u00DC" "BER"_s}));
    engine.SetOnTextFound({});
    EXPECT_EQ(engine.Translate(u"EXIT"_s), u"Ende"_s);
}

TEST(MissedKeys, ReachTheTemplateInTheCodePage)
{
    TBabelfish2000 engine(QString{});
    Load(engine, kDictionary);
    engine.SetAutoCreateItlFile(true);
    engine.Translate(u"\u00E4x"_s);
    engine.Translate(u"\u00C4X"_s);
    engine.Translate(u"Value <%1%>"_s, {u"9"_s});
    EXPECT_EQ(engine.ItlOutput(), (QStringList{u"[\u00E4x]=\u00E4x|$$"_s, u"[\u00C4X]=\u00C4X|$$"_s,
                                               u"[Value <%1%>]=Value <%1%>|$$"_s}));
    engine.SetAutoCreateItlFile(false);
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
