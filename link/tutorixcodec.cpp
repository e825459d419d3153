#include "link/tutorixcodec.h"

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
    m_position = std::clamp<qint64>(pos, 0, m_data.size());
}

void TByteStream::SetData(QByteArray bytes)
{
    m_data = std::move(bytes);
    m_position = 0;
}

void TByteStream::Clear()
{
    m_data.clear();
    m_position = 0;
}

void TByteStream::Write(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    const qint64 end = m_position + bytes.size();
    if (end > m_data.size())
        m_data.resize(end);
    std::memcpy(m_data.data() + m_position, bytes.data(), size_t(bytes.size()));
    m_position = end;
}

QByteArray TByteStream::Read(qint64 count)
{
    if (count < 0 || count > Remaining())
        throw EStreamReadError();
    QByteArray bytes = m_data.mid(m_position, count);
    m_position += count;
    return bytes;
}

QByteArray TByteStream::ReadRest()
{
    QByteArray bytes = m_position == 0 ? m_data : m_data.mid(m_position);
    m_position = m_data.size();
    return bytes;
}

QByteArray TByteStream::TakeRest()
{
    QByteArray bytes = std::exchange(m_data, {});
    bytes.remove(0, m_position); // cuts the front without moving the rest
    m_position = 0;
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
    const qint32 value = qFromLittleEndian<qint32>(m_data.constData() + m_position);
    m_position += 4;
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
    return quint8(m_data[m_position++]);
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
    : m_limit(payloadLimit)
{
}

qint64 TFrameReader::Wanted() const
{
    switch (m_state) {
    case State::Header:
        return FrameHeaderSize - m_headerHave;
    case State::Payload:
        return qint64(m_header.CbData) - m_payloadHave;
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
    if (m_state == State::Header)
        return m_headerBytes + m_headerHave;
    if (!m_keep) {
        room = std::min<qint64>(room, kMinChunk);
        if (m_scratch.size() < room)
            m_scratch.resize(room);
        return m_scratch.data();
    }
    // Grow with what has arrived: at least a chunk, at most double, never past the frame.
    const qint64 step = std::min(room, std::max(kMinChunk, m_payloadHave));
    room = step;
    if (m_payload.size() < m_payloadHave + step)
        m_payload.resize(m_payloadHave + step);
    return m_payload.data() + m_payloadHave;
}

void TFrameReader::Commit(qint64 count)
{
    if (count <= 0)
        return;
    if (m_state == State::Header) {
        m_headerHave += count;
        if (m_headerHave == FrameHeaderSize)
            HeaderDone();
        return;
    }
    if (m_state != State::Payload)
        return;
    m_payloadHave += count;
    if (m_payloadHave == qint64(m_header.CbData)) {
        if (m_keep)
            m_payload.resize(m_payloadHave);
        m_scratch.clear();
        m_state = State::Complete;
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
    return std::exchange(m_payload, {});
}

void TFrameReader::HeaderDone()
{
    m_header = DecodeFrameHeader(m_headerBytes);
    if (qint64(m_header.CbData) > m_limit) {
        m_state = State::TooLarge;
        return;
    }
    m_keep = m_header.Message == WM_COPYDATA;
    m_state = m_header.CbData == 0 ? State::Complete : State::Payload;
    // Address space for the whole frame at once, so the m_payload is never moved while it grows;
    // pages are only committed as bytes arrive.
    if (m_keep)
        m_payload.reserve(qsizetype(m_header.CbData));
}
