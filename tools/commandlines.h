#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

// Cuts the bytes of a command stream (the server's standard input) into lines. Each byte is
// looked at once, however the stream is split into reads. A line longer than the limit is
// refused as soon as it is: one error line is reported, and its bytes are dropped up to its
// line end, after which the next line is a command again.
class TCommandLines
{
public:
    // The longest command worth writing, a parameter message of the largest list with every
    // byte written as %XX, fits with room to spare.
    static constexpr qsizetype MaxLength = 4 * 1024 * 1024;

    // Gets each line without its line end; false stops the stream.
    using LineHandler = std::function<bool(const QByteArray& line)>;
    using ReportSink = std::function<void(const QByteArray& line)>;

    TCommandLines(LineHandler handler, ReportSink report, qsizetype maxLength = MaxLength);

    // False once the handler stopped the stream; the bytes after that line are not looked at.
    bool Feed(QByteArrayView bytes);
    // Bytes of a line not yet ended (none while a refused line is dropped).
    qsizetype Pending() const { return m_pending.size(); }

private:
    // Keeps the start of a line; refuses it once it is too long.
    void Keep(QByteArrayView part);

    LineHandler m_handler;
    ReportSink m_report;
    qsizetype m_maxLength;
    QByteArray m_pending;
    bool m_dropping = false;
};
