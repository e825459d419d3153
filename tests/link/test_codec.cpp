#include "link/tutorixcodec.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (const int v : values)
        bytes += char(v);
    return bytes;
}

struct EncodingCase
{
    const char* name;
    std::function<void(TByteStream&)> write;
    QByteArray bytes;
    std::function<void(TByteStream&)> readBack; // asserts what reading the bytes gives
};

void PrintTo(const EncodingCase& c, std::ostream* os)
{
    *os << c.name;
}

class ContentEncoding : public ::testing::TestWithParam<EncodingCase>
{
};

TEST_P(ContentEncoding, WritesTheseBytesAndReadsThemBack)
{
    const EncodingCase& c = GetParam();
    TByteStream written;
    c.write(written);
    EXPECT_EQ(written.Data().toHex(' '), c.bytes.toHex(' '));

    TByteStream read;
    read.SetData(c.bytes);
    c.readBack(read);
    EXPECT_EQ(read.Remaining(), 0) << "every byte is consumed";
}

const TEntityRecord kRecord{0xA1B2C3D4u, 7, "/opt/x", "X"};

INSTANTIATE_TEST_SUITE_P(
    EveryContentType, ContentEncoding,
    ::testing::Values(
        EncodingCase{"int32Positive", [](TByteStream& s) { s.WriteInt32(0x01020304); }, Bytes({4, 3, 2, 1}),
                     [](TByteStream& s) { EXPECT_EQ(s.ReadInt32(), 0x01020304); }},
        EncodingCase{"int32Negative", [](TByteStream& s) { s.WriteInt32(-2); }, Bytes({0xFE, 0xFF, 0xFF, 0xFF}),
                     [](TByteStream& s) { EXPECT_EQ(s.ReadInt32(), -2); }},
        EncodingCase{"byte", [](TByteStream& s) { s.WriteByte(0xC8); }, Bytes({0xC8}),
                     [](TByteStream& s) { EXPECT_EQ(s.ReadByte(), 0xC8); }},
        EncodingCase{"boolTrueIsOne", [](TByteStream& s) { s.WriteBool(true); }, Bytes({1}),
                     [](TByteStream& s) { EXPECT_TRUE(s.ReadBool()); }},
        EncodingCase{"boolFalseIsZero", [](TByteStream& s) { s.WriteBool(false); }, Bytes({0}),
                     [](TByteStream& s) { EXPECT_FALSE(s.ReadBool()); }},
        EncodingCase{"anyNonZeroByteIsTrue", [](TByteStream& s) { s.WriteByte(2); }, Bytes({2}),
                     [](TByteStream& s) { EXPECT_TRUE(s.ReadBool()); }},
        EncodingCase{"string", [](TByteStream& s) { s.WriteString("ab\xE4"); }, Bytes({3, 0, 0, 0, 'a', 'b', 0xE4}),
                     [](TByteStream& s) { EXPECT_EQ(s.ReadString(), QByteArray("ab\xE4")); }},
        EncodingCase{"emptyString", [](TByteStream& s) { s.WriteString(""); }, Bytes({0, 0, 0, 0}),
                     [](TByteStream& s) { EXPECT_EQ(s.ReadString(), QByteArray()); }},
        EncodingCase{"stringWithZeroAndLineBreaks", [](TByteStream& s) { s.WriteString(QByteArray("a\0\r\n", 4)); },
                     Bytes({4, 0, 0, 0, 'a', 0, '\r', '\n'}),
                     [](TByteStream& s) { EXPECT_EQ(s.ReadString(), QByteArray("a\0\r\n", 4)); }},
        EncodingCase{"entityRecord", [](TByteStream& s) { WriteEntityRecord(s, kRecord); },
                     Bytes({0xD4, 0xC3, 0xB2, 0xA1, 7, 0, 0, 0, 6, 0, 0, 0, '/', 'o', 'p', 't', '/', 'x', 1, 0, 0, 0, 'X'}),
                     [](TByteStream& s) { EXPECT_EQ(ReadEntityRecord(s), kRecord); }}),
    [](const ::testing::TestParamInfo<EncodingCase>& info) { return std::string(info.param.name); });

TEST(StringLength, ZeroOrNegativeReadsAsEmptyAndConsumesOnlyTheLength)
{
    for (const int length : {0, -1, -2147483647 - 1}) {
        TByteStream s;
        s.WriteInt32(length);
        s.Write("xyz");
        s.SetPosition(0);
        EXPECT_EQ(s.ReadString(), QByteArray()) << length;
        EXPECT_EQ(s.Position(), 4) << length;
    }
}

TEST(ShortReads, RaiseTheStreamReadErrorWithoutReadingPastTheEnd)
{
    const struct
    {
        const char* name;
        QByteArray bytes;
        std::function<void(TByteStream&)> read;
    } cases[] = {
        {"int32 of three bytes", Bytes({1, 2, 3}), [](TByteStream& s) { s.ReadInt32(); }},
        {"byte of none", {}, [](TByteStream& s) { s.ReadByte(); }},
        {"string shorter than its length", Bytes({5, 0, 0, 0, 'a', 'b'}), [](TByteStream& s) { s.ReadString(); }},
        {"string announcing 2 GiB", Bytes({0xFF, 0xFF, 0xFF, 0x7F, 'a'}), [](TByteStream& s) { s.ReadString(); }},
        {"record without title", Bytes({1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}),
         [](TByteStream& s) { ReadEntityRecord(s); }},
        {"read of a negative count", Bytes({1}), [](TByteStream& s) { s.Read(-1); }},
    };
    for (const auto& c : cases) {
        TByteStream s;
        s.SetData(c.bytes);
        try {
            c.read(s);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const EStreamReadError& e) {
            EXPECT_STREQ(e.what(), "Stream read error") << c.name;
        }
    }
}

TEST(ByteStream, WritingInsideOverwritesAndWritingAtTheEndGrows)
{
    TByteStream s;
    s.Write("abcdef");
    s.SetPosition(2);
    s.Write("XY");
    EXPECT_EQ(s.Data(), QByteArray("abXYef"));
    s.SetPosition(5);
    s.Write("123");
    EXPECT_EQ(s.Data(), QByteArray("abXYe123"));
    s.SetPosition(100);
    EXPECT_EQ(s.Position(), 8);
}

TEST(ByteStream, TakingTheRestLeavesTheStreamEmptyAndSharedContentIntact)
{
    TByteStream s;
    s.Write("\1payload");
    const QByteArray shared = s.Data();
    s.SetPosition(0);
    s.ReadByte();
    EXPECT_EQ(s.TakeRest(), QByteArray("payload"));
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(shared, QByteArray("\1payload"));
}

TEST(ParamText, EntriesEndWithCrLf)
{
    EXPECT_EQ(EncodeParamText({"a", "", "b c"}), QByteArray("a\r\n\r\nb c\r\n"));
    EXPECT_EQ(EncodeParamText({}), QByteArray());
}

TEST(ParamText, SplitsAtCrLfAndCrLfAndStopsAtAZeroByte)
{
    const struct
    {
        QByteArray text;
        QList<QByteArray> entries;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"", {}},
        {QByteArray("a\r\nb\0c\r\nd", 9), {"a", "b"}},
        {QByteArray("\0a", 2), {}},
        {"single", {"single"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeParamText(c.text), c.entries) << c.text.toHex(' ').constData();
}

// A list of 4096 entries of 1 MiB together is the largest one taken; one entry or one byte more
// is refused whole, however the bytes are spread.
TEST(ParamText, TakesAtMostTheLargestListAndRefusesAnythingBeyond)
{
    const QByteArray megabyte(MaxParamBytes, 'p');
    const struct
    {
        const char* what;
        QByteArray text;
        std::optional<qsizetype> entries; // none: refused
    } cases[] = {
        {"4096 empty entries", QByteArray(MaxParamEntries, '\n'), MaxParamEntries},
        {"4097 empty entries", QByteArray(MaxParamEntries + 1, '\n'), std::nullopt},
        {"4096 entries, the last without line end", QByteArray(MaxParamEntries - 1, '\n') + "x", MaxParamEntries},
        {"4097 entries, the last without line end", QByteArray(MaxParamEntries, '\n') + "x", std::nullopt},
        {"1 MiB in one entry", megabyte, 1},
        {"1 MiB and a byte in one entry", megabyte + "p", std::nullopt},
        {"1 MiB over two entries, line ends not counted", megabyte.first(10) + "\r\n" + megabyte.sliced(10) + "\r\n", 2},
        {"1 MiB and a byte over two entries", megabyte + "\r\np", std::nullopt},
        {"64 MiB of line feeds", QByteArray(MaxFramePayload, '\n'), std::nullopt},
        {"beyond, but after a zero byte", QByteArray("a\0", 2) + QByteArray(MaxParamEntries + 1, '\n'), 1},
    };
    for (const auto& c : cases) {
        const std::optional<QList<QByteArray>> decoded = DecodeParamText(c.text);
        ASSERT_EQ(decoded.has_value(), c.entries.has_value()) << c.what;
        if (decoded) {
            EXPECT_EQ(decoded->size(), *c.entries) << c.what;
        }
    }
}

TEST(TimeStamps, CountMillisecondsSinceMidnightAndDaysFromTheYearOne)
{
    const struct
    {
        QDateTime time;
        qint32 millisecond;
        qint32 day;
    } cases[] = {
        {QDateTime(QDate(2000, 1, 1), QTime(0, 0)), 0, 730120},
        {QDateTime(QDate(1, 1, 1), QTime(0, 0)), 0, 1},
        {QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999)), 86399999, 730119},
        {QDateTime(QDate(2024, 2, 29), QTime(12, 0, 0, 5)), 43200005, 738945},
        {QDateTime(QDate(1900, 3, 1), QTime(0, 0, 1)), 1000, 693655},
    };
    for (const auto& c : cases) {
        const TTimeStamp stamp = TimeStampOf(c.time);
        EXPECT_EQ(stamp.Time, c.millisecond) << c.time.toString(Qt::ISODateWithMs).toStdString();
        EXPECT_EQ(stamp.Date, c.day) << c.time.toString(Qt::ISODateWithMs).toStdString();
        EXPECT_EQ(DateTimeOf(stamp), c.time);
    }
}

TEST(Payload, CarriesTheStampThenTheContentAndRefusesLessThanEightBytes)
{
    const QByteArray payload = EncodePayload({0x01020304, -1}, "hi");
    EXPECT_EQ(payload, Bytes({4, 3, 2, 1, 0xFF, 0xFF, 0xFF, 0xFF, 'h', 'i'}));
    TTimeStamp stamp;
    QByteArrayView content;
    ASSERT_TRUE(DecodePayload(payload, stamp, content));
    EXPECT_EQ(stamp, (TTimeStamp{0x01020304, -1}));
    EXPECT_EQ(content, "hi");

    EXPECT_EQ(EncodePayload({}, {}).size(), 8) << "an empty content travels as 8 bytes";
    for (int size = 0; size < 8; ++size)
        EXPECT_FALSE(DecodePayload(QByteArray(size, 'x'), stamp, content)) << size;
}

QByteArray Frame(quint32 message, quint32 wParam, quint32 code, QByteArray payload, qint64 announced = -1)
{
    const quint32 cb = announced < 0 ? quint32(payload.size()) : quint32(announced);
    return EncodeFrameHeader({message, wParam, code, cb}) + payload;
}

TEST(FrameHeader, IsFourLittleEndianWords)
{
    EXPECT_EQ(EncodeFrameHeader({0x4A, 0x11223344, 4106, 9}),
              Bytes({0x4A, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 0x0A, 0x10, 0, 0, 9, 0, 0, 0}));
    const QByteArray bytes = EncodeFrameHeader({1, 2, 3, 4});
    const TFrameHeader h = DecodeFrameHeader(bytes.constData());
    EXPECT_EQ(h.Message, 1u);
    EXPECT_EQ(h.WParam, 2u);
    EXPECT_EQ(h.DwData, 3u);
    EXPECT_EQ(h.CbData, 4u);
}

TEST(FrameReader, AssemblesAFrameFromPiecesOfAnySize)
{
    const QByteArray payload = EncodePayload({5, 6}, QByteArray(200000, 'p'));
    const QByteArray frame = Frame(WM_COPYDATA, 0xABCD, msgGetFile, payload);
    for (const qsizetype piece : {qsizetype(1), qsizetype(7), qsizetype(16), qsizetype(65536), frame.size()}) {
        TFrameReader reader;
        EXPECT_TRUE(reader.Empty());
        for (qsizetype at = 0; at < frame.size(); at += piece)
            reader.Feed(QByteArrayView(frame).sliced(at, std::min(piece, frame.size() - at)));
        ASSERT_EQ(reader.Status(), TFrameReader::State::Complete) << piece;
        EXPECT_EQ(reader.Header().WParam, 0xABCDu);
        EXPECT_EQ(reader.Header().DwData, msgGetFile);
        EXPECT_EQ(reader.TakePayload(), payload) << piece;
    }
}

TEST(FrameReader, TakesNothingAfterItsFrame)
{
    TFrameReader reader;
    const QByteArray frame = Frame(WM_COPYDATA, 1, 2, "12345678");
    EXPECT_EQ(reader.Feed(frame + "trailing"), frame.size());
    EXPECT_EQ(reader.Status(), TFrameReader::State::Complete);
    EXPECT_EQ(reader.Wanted(), 0);
}

TEST(FrameReader, StopsWithAHeaderShorterThanSixteenBytes)
{
    TFrameReader reader;
    reader.Feed(Bytes({0x4A, 0, 0, 0, 1, 2, 3}));
    EXPECT_EQ(reader.Status(), TFrameReader::State::Header);
    EXPECT_EQ(reader.Wanted(), 9);
    EXPECT_FALSE(reader.Empty());
}

TEST(FrameReader, RefusesAFrameAnnouncingMoreThanItsLimitBeforeAnyPayload)
{
    TFrameReader reader;
    EXPECT_EQ(reader.Feed(Frame(WM_COPYDATA, 0, 0, {}, MaxFramePayload + 1)), FrameHeaderSize);
    EXPECT_EQ(reader.Status(), TFrameReader::State::TooLarge);
    EXPECT_EQ(reader.Wanted(), 0);

    TFrameReader atLimit;
    atLimit.Feed(Frame(WM_COPYDATA, 0, 0, {}, MaxFramePayload));
    EXPECT_EQ(atLimit.Status(), TFrameReader::State::Payload);

    TFrameReader small(10);
    small.Feed(Frame(WM_COPYDATA, 0, 0, {}, 11));
    EXPECT_EQ(small.Status(), TFrameReader::State::TooLarge);
}

TEST(FrameReader, GrowsItsBufferWithWhatArrivedNotWithWhatWasAnnounced)
{
    TFrameReader reader;
    reader.Feed(Frame(WM_COPYDATA, 0, 0, "abc", MaxFramePayload));
    qint64 room = 0;
    ASSERT_NE(reader.Space(MaxFramePayload, room), nullptr);
    EXPECT_LE(room, 64 * 1024) << "room offered for the next read";
}

TEST(FrameReader, CountsButDropsThePayloadOfOtherMessages)
{
    TFrameReader reader;
    reader.Feed(Frame(0x0010, 0, 0, QByteArray(100000, 'z')));
    EXPECT_EQ(reader.Status(), TFrameReader::State::Complete);
    EXPECT_EQ(reader.Header().Message, 0x0010u);
    EXPECT_TRUE(reader.TakePayload().isEmpty());
}

} // namespace
