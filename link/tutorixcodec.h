#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>

#include <cstdint>
#include <optional>
#include <stdexcept>

// The bytes the teaching server and the program exchange, free of sockets and windows: message
// codes, the growable byte stream with its content encodings, time stamps, parameter text and
// the transport's frames. Little-endian throughout; 8-bit strings are carried as bytes.

// The teaching server's window: its class and its window name, each followed by the
// server-handle text. And the class of a program's own hidden window.
inline constexpr char ServerWindowClass[] = "ThisIsTheTutorixServerComponentWindowClass";
inline constexpr char ServerWindowName[] = "ThisIsTheTutorixServerComponentWindow";
inline constexpr char ClientWindowClass[] = "ThisIsTheTutorixClientComponentWindowClass";

// Message codes of the server protocol.
inline constexpr quint32 msgQuit = 4096;
inline constexpr quint32 msgReply = 4097;
inline constexpr quint32 msgRegister = 4098;
inline constexpr quint32 msgUnregister = 4099;
inline constexpr quint32 msgFindEntity = 4100;
inline constexpr quint32 msgParams = 4101;
inline constexpr quint32 msgExecute = 4102;
inline constexpr quint32 msgGetFile = 4103;
inline constexpr quint32 msgMapFileName = 4104;
inline constexpr quint32 msgQueryString = 4105;
inline constexpr quint32 msgGetVariable = 4106;

// Selectors of msgFindEntity.
inline constexpr quint8 feByHandle = 1;
inline constexpr quint8 feByTitle = 2;

// The window message that carries a protocol message; every other one is answered 0.
inline constexpr quint32 WM_COPYDATA = 0x004A;

// The payload of one frame: its 8-byte time stamp and the content.
inline constexpr qint64 MaxFramePayload = qint64(64) * 1024 * 1024;
inline constexpr qsizetype FrameHeaderSize = 16;
inline constexpr qsizetype TimeStampSize = 8;

// Raised by every read past the end of a stream.
class EStreamReadError : public std::runtime_error
{
public:
    EStreamReadError();
};

// A growable in-memory byte stream with a read/write position. Writing at the position
// overwrites and grows; reading never goes past the end.
class TByteStream
{
public:
    TByteStream() = default;
    virtual ~TByteStream();
    TByteStream(const TByteStream&) = default;
    TByteStream& operator=(const TByteStream&) = default;

    const QByteArray& Data() const { return data; }
    qint64 Size() const { return data.size(); }
    qint64 Position() const { return position; }
    qint64 Remaining() const { return data.size() - position; }
    // Clamped to 0 .. Size().
    void SetPosition(qint64 pos);
    // The content is replaced (shared, not copied) and the position set to its start.
    void SetData(QByteArray bytes);
    void Clear();

    void Write(QByteArrayView bytes);
    // Exactly count bytes, or EStreamReadError without moving.
    QByteArray Read(qint64 count);
    // Everything from the position to the end.
    QByteArray ReadRest();
    // The same, taken out of the stream without a copy where the content is not shared; the
    // stream is empty afterwards.
    QByteArray TakeRest();

    void WriteInt32(qint32 value);
    qint32 ReadInt32();
    void WriteByte(quint8 value);
    quint8 ReadByte();
    // 0 or 1 written; any non-zero byte reads as true.
    void WriteBool(bool value);
    bool ReadBool();
    // Int32 length, then the bytes, no terminator. A length of 0 or less reads as empty and
    // consumes only the length.
    void WriteString(QByteArrayView s);
    QByteArray ReadString();

private:
    QByteArray data;
    qint64 position = 0;
};

// Identifies a request and its reply: milliseconds since local midnight, and the day counted
// from 1 January of the year 1 as day 1.
struct TTimeStamp
{
    qint32 Time = 0;
    qint32 Date = 0;
    friend bool operator==(const TTimeStamp&, const TTimeStamp&) = default;
};

TTimeStamp TimeStampOf(const QDateTime& localTime);
// The local date and time a stamp stands for (an invalid one for a day out of range).
QDateTime DateTimeOf(TTimeStamp stamp);

// One party of the conversation as the protocol carries it.
struct TEntityRecord
{
    quint32 Handle = 0;
    quint32 MutexHandle = 0;
    QByteArray FileName;
    QByteArray Title;
    friend bool operator==(const TEntityRecord&, const TEntityRecord&) = default;
};

void WriteEntityRecord(TByteStream& stream, const TEntityRecord& record);
TEntityRecord ReadEntityRecord(TByteStream& stream);

// A parameter list holds at most this many entries, of at most this many bytes together (line
// ends not counted): far above any real use, and a bound on what one message may cost.
inline constexpr qsizetype MaxParamEntries = 4096;
inline constexpr qint64 MaxParamBytes = qint64(1024) * 1024;

// Entries each followed by CR LF.
QByteArray EncodeParamText(const QList<QByteArray>& entries);
// Split at CR, LF and CR LF; a last entry without line end counts; a zero byte ends the text.
// None for a text beyond the limits above, found out before the entries are made.
std::optional<QList<QByteArray>> DecodeParamText(QByteArrayView text);

// A request frame: u32 message, u32 wParam, u32 dwData, u32 cbData, then cbData bytes.
struct TFrameHeader
{
    quint32 Message = 0;
    quint32 WParam = 0;
    quint32 DwData = 0;
    quint32 CbData = 0;
};

QByteArray EncodeFrameHeader(const TFrameHeader& header);
TFrameHeader DecodeFrameHeader(const char* bytes); // FrameHeaderSize bytes

// The payload of a protocol message: its time stamp, then the content.
QByteArray EncodePayload(TTimeStamp stamp, QByteArrayView content);
// False for a payload shorter than its time stamp; content then stays untouched.
bool DecodePayload(QByteArrayView payload, TTimeStamp& stamp, QByteArrayView& content);

// Assembles one request frame from bytes as they arrive. The payload buffer grows with what
// has arrived, never with what the header announces, so a peer that announces much and sends
// little costs little. A frame that is not WM_COPYDATA has its payload counted, not kept.
class TFrameReader
{
public:
    enum class State { Header, Payload, Complete, TooLarge };

    explicit TFrameReader(qint64 payloadLimit = MaxFramePayload);

    State Status() const { return state; }
    // Nothing at all has arrived yet.
    bool Empty() const { return headerHave == 0; }
    // Bytes still missing before the frame is complete (0 once complete or refused).
    qint64 Wanted() const;
    // Payload bytes that have arrived and are kept (those of a copy-data frame).
    qint64 PayloadKept() const { return keep ? payloadHave : 0; }

    // Room for the next at most maxChunk bytes, to be filled and then passed to Commit.
    char* Space(qint64 maxChunk, qint64& room);
    void Commit(qint64 count);
    // Takes up to Wanted() bytes; returns how many it took.
    qint64 Feed(QByteArrayView bytes);

    const TFrameHeader& Header() const { return header; }
    QByteArray TakePayload();

private:
    void HeaderDone();

    qint64 limit;
    State state = State::Header;
    char headerBytes[FrameHeaderSize] = {};
    qint64 headerHave = 0;
    TFrameHeader header;
    bool keep = true;
    QByteArray payload;
    qint64 payloadHave = 0;
    QByteArray scratch;
};
