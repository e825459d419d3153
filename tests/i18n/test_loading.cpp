// The shell's reading of a language file: from a stream, in blocks, and the entries as QString.
// The entry format itself is the core's and tested there (tests/core/i18n).
#include "core/i18n/windows1252.h"
#include "i18n/Babelfish2000.h"
#include "i18n/cp1252.h"
#include "tests/i18n/load_support.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

// Keys, texts and the application name cross the edge in the code page, NUL bytes included.
TEST(Loading, GivesKeysAndTextsAsTheCodePageDecodesThem)
{
    const char file[] = "[Gr\xDC\xDF" "E]=\x80 5 \xB5s f\xFCr \x93x\x94 <%APPNAME%>|$$[a\0b]=x\0y|$$";
    TBabelfish2000 engine(u"Gr\u00FC\u00DFe \u20AC"_s);
    Load(engine, QByteArray(file, sizeof file - 1));
    EXPECT_EQ(engine.Keys(), (QStringList{u"gr\u00DC\u00DF" "e"_s, QString(u"a\0b"_s)}));
    EXPECT_EQ(engine.Texts(), (QStringList{u"\u20AC 5 \u00B5s f\u00FCr \u201Cx\u201D Gr\u00FC\u00DFe \u20AC"_s,
                                           QString(u"x\0y"_s)}));
}

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

TEST(Loading, AClosedStreamLeavesAnEmptyDictionary)
{
    TBabelfish2000 engine(QString{});
    Load(engine, "[a]=x|$$");
    QBuffer closed;
    engine.LoadFromStream(closed);
    EXPECT_TRUE(engine.Keys().isEmpty());
    EXPECT_TRUE(engine.Texts().isEmpty());
}

// cp1252 is the core's code page behind Qt's types: every byte decodes to the core's character
// and back, and a character the code page lacks, a pair or a lone half of one, is one '?'.
TEST(Windows1252, QtTextsConvertAsTheCoreCodePage)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString decoded = cp1252::Decode(all);
    ASSERT_EQ(decoded.size(), 256);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(decoded[b].unicode(), windows1252::ToUnicode(static_cast<unsigned char>(b))) << b;
    EXPECT_EQ(cp1252::Encode(decoded), all);
    EXPECT_EQ(cp1252::Encode(u"a\u0101b\U0001F600c\u20AC"), QByteArray("a?b?c\x80"));
    EXPECT_EQ(cp1252::Encode(QString(QChar(0xD800)) + u'x'), QByteArray("?x"));
}

} // namespace
