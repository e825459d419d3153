#include "tutorixcodec.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Day 1 of the protocol, 1 January of the year 1, is this Julian day.
constexpr qint64 kJulianDayOfDayZero = 1721425;
constexpr qint64 kMinChunk = 64 * 1024;

} // namespace

EStreamReadError::EStreamReadError()
    : std::runtime_error("Stream read error")
{
}

TByteStream::~TByteStream() = default;

void TByteStream::SetPosition(qint64 pos)
{
    position = std::clamp<qint64>(pos, 0, data.size());
}

void TByteStream::SetData(QByteArray bytes)
{
    data = std::move(bytes);
    position = 0;
}

void TByteStream::Clear()
{
    data.clear();
    position = 0;
}

void TByteStream::Write(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    const qint64 end = position + bytes.size();
    if (end > data.size())
        data.resize(end);
    std::memcpy(data.data() + position, bytes.data(), size_t(bytes.size()));
    position = end;
}

QByteArray TByteStream::Read(qint64 count)
{
    if (count < 0 || count > Remaining())
        throw EStreamReadError();
    QByteArray bytes = data.mid(position, count);
    position += count;
    return bytes;
}

QByteArray TByteStream::ReadRest()
{
    QByteArray bytes = position == 0 ? data : data.mid(position);
    position = data.size();
    return bytes;
}

QByteArray TByteStream::TakeRest()
{
    QByteArray bytes = std::exchange(data, {});
    bytes.remove(0, position); // cuts the front without moving the rest
    position = 0;
    return bytes;
}

void TByteStream::WriteInt32(qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    Write(QByteArrayView(bytes, 4));
}

qint32 TByteStream::ReadInt32()
{
    if (Remaining() < 4)
        throw EStreamReadError();
    const qint32 value = qFromLittleEndian<qint32>(data.constData() + position);
    position += 4;
    return value;
}

void TByteStream::WriteByte(quint8 value)
{
    const char byte = char(value);
    Write(QByteArrayView(&byte, 1));
}

quint8 TByteStream::ReadByte()
{
    if (Remaining() < 1)
        throw EStreamReadError();
    return quint8(data[position++]);
}

void TByteStream::WriteBool(bool value)
{
    WriteByte(value ? 1 : 0);
}

bool TByteStream::ReadBool()
{
    return ReadByte() != 0;
}

void TByteStream::WriteString(QByteArrayView s)
{
    WriteInt32(qint32(s.size()));
    Write(s);
}

QByteArray TByteStream::ReadString()
{
    const qint32 length = ReadInt32();
    if (length <= 0)
        return {};
    return Read(length);
}

TTimeStamp TimeStampOf(const QDateTime& localTime)
{
    TTimeStamp stamp;
    stamp.Time = localTime.time().msecsSinceStartOfDay();
    stamp.Date = qint32(localTime.date().toJulianDay() - kJulianDayOfDayZero);
    return stamp;
}

QDateTime DateTimeOf(TTimeStamp stamp)
{
    if (stamp.Date < 1 || stamp.Time < 0 || stamp.Time >= 86400000)
        return {};
    const QDate date = QDate::fromJulianDay(stamp.Date + kJulianDayOfDayZero);
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(stamp.Time));
}

void WriteEntityRecord(TByteStream& stream, const TEntityRecord& record)
{
    stream.WriteInt32(qint32(record.Handle));
    stream.WriteInt32(qint32(record.MutexHandle));
    stream.WriteString(record.FileName);
    stream.WriteString(record.Title);
}

TEntityRecord ReadEntityRecord(TByteStream& stream)
{
    TEntityRecord record;
    record.Handle = quint32(stream.ReadInt32());
    record.MutexHandle = quint32(stream.ReadInt32());
    record.FileName = stream.ReadString();
    record.Title = stream.ReadString();
    return record;
}

QByteArray EncodeParamText(const QList<QByteArray>& entries)
{
    QByteArray text;
    for (const QByteArray& entry : entries) {
        text += entry;
        text += "\r\n";
    }
    return text;
}

std::optional<QList<QByteArray>> DecodeParamText(QByteArrayView text)
{
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text = text.first(zero);
    // The entries are found first and made only once they are known to fit: a text of line
    // ends alone would otherwise make millions of them.
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    qint64 bytes = 0;
    const auto add = [&](qsizetype start, qsizetype length) {
        bytes += length;
        spans.emplace_back(start, length);
        return qsizetype(spans.size()) <= MaxParamEntries && bytes <= MaxParamBytes;
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        if (!add(start, i - start))
            return std::nullopt;
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size() && !add(start, text.size() - start))
        return std::nullopt;
    QList<QByteArray> entries;
    entries.reserve(qsizetype(spans.size()));
    for (const auto& [at, length] : spans)
        entries.append(text.sliced(at, length).toByteArray());
    return entries;
}

QByteArray EncodeFrameHeader(const TFrameHeader& header)
{
    QByteArray bytes(FrameHeaderSize, Qt::Uninitialized);
    char* p = bytes.data();
    qToLittleEndian(header.Message, p);
    qToLittleEndian(header.WParam, p + 4);
    qToLittleEndian(header.DwData, p + 8);
    qToLittleEndian(header.CbData, p + 12);
    return bytes;
}

TFrameHeader DecodeFrameHeader(const char* bytes)
{
    TFrameHeader header;
    header.Message = qFromLittleEndian<quint32>(bytes);
    header.WParam = qFromLittleEndian<quint32>(bytes + 4);
    header.DwData = qFromLittleEndian<quint32>(bytes + 8);
    header.CbData = qFromLittleEndian<quint32>(bytes + 12);
    return header;
}

QByteArray EncodePayload(TTimeStamp stamp, QByteArrayView content)
{
    QByteArray payload(TimeStampSize + content.size(), Qt::Uninitialized);
    char* p = payload.data();
    qToLittleEndian(stamp.Time, p);
    qToLittleEndian(stamp.Date, p + 4);
    if (!content.isEmpty())
        std::memcpy(p + TimeStampSize, content.data(), size_t(content.size()));
    return payload;
}

bool DecodePayload(QByteArrayView payload, TTimeStamp& stamp, QByteArrayView& content)
{
    if (payload.size() < TimeStampSize)
        return false;
    stamp.Time = qFromLittleEndian<qint32>(payload.data());
    stamp.Date = qFromLittleEndian<qint32>(payload.data() + 4);
    content = payload.sliced(TimeStampSize);
    return true;
}

TFrameReader::TFrameReader(qint64 payloadLimit)
    : limit(payloadLimit)
{
}

qint64 TFrameReader::Wanted() const
{
    switch (state) {
    case State::Header:
        return FrameHeaderSize - headerHave;
    case State::Payload:
        return qint64(header.CbData) - payloadHave;
    default:
        return 0;
    }
}

char* TFrameReader::Space(qint64 maxChunk, qint64& room)
{
    room = std::min(Wanted(), maxChunk);
    if (room <= 0) {
        room = 0;
        return nullptr;
    }
    if (state == State::Header)
        return headerBytes + headerHave;
    if (!keep) {
        room = std::min<qint64>(room, kMinChunk);
        if (scratch.size() < room)
            scratch.resize(room);
        return scratch.data();
    }
    // Grow with what has arrived: at least a chunk, at most double, never past the frame.
    const qint64 step = std::min(room, std::max(kMinChunk, payloadHave));
    room = step;
    if (payload.size() < payloadHave + step)
        payload.resize(payloadHave + step);
    return payload.data() + payloadHave;
}

void TFrameReader::Commit(qint64 count)
{
    if (count <= 0)
        return;
    if (state == State::Header) {
        headerHave += count;
        if (headerHave == FrameHeaderSize)
            HeaderDone();
        return;
    }
    if (state != State::Payload)
        return;
    payloadHave += count;
    if (payloadHave == qint64(header.CbData)) {
        if (keep)
            payload.resize(payloadHave);
        scratch.clear();
        state = State::Complete;
    }
}

qint64 TFrameReader::Feed(QByteArrayView bytes)
{
    qint64 taken = 0;
    while (taken < bytes.size()) {
        qint64 room = 0;
        char* space = Space(bytes.size() - taken, room);
        if (!space)
            break;
        std::memcpy(space, bytes.data() + taken, size_t(room));
        Commit(room);
        taken += room;
    }
    return taken;
}

QByteArray TFrameReader::TakePayload()
{
    return std::exchange(payload, {});
}

void TFrameReader::HeaderDone()
{
    header = DecodeFrameHeader(headerBytes);
    if (qint64(header.CbData) > limit) {
        state = State::TooLarge;
        return;
    }
    keep = header.Message == WM_COPYDATA;
    state = header.CbData == 0 ? State::Complete : State::Payload;
    // Address space for the whole frame at once, so the payload is never moved while it grows;
    // pages are only committed as bytes arrive.
    if (keep)
        payload.reserve(qsizetype(header.CbData));
}
