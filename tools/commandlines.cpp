#include "tools/commandlines.h"

#include <utility>

TCommandLines::TCommandLines(LineHandler handler, ReportSink report, qsizetype maxLength)
    : m_handler(std::move(handler))
    , m_report(std::move(report))
    , m_maxLength(maxLength)
{
}

bool TCommandLines::Feed(QByteArrayView bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', at);
        const QByteArrayView part = bytes.sliced(at, (end < 0 ? bytes.size() : end) - at);
        if (!m_dropping)
            Keep(part);
        if (end < 0)
            return true;
        at = end + 1;
        if (std::exchange(m_dropping, false))
            continue;
        if (!m_handler(std::exchange(m_pending, {})))
            return false;
    }
    return true;
}

void TCommandLines::Keep(QByteArrayView part)
{
    if (m_pending.size() + part.size() <= m_maxLength) {
        m_pending.append(part);
        return;
    }
    m_pending = QByteArray();
    m_dropping = true;
    if (m_report)
        m_report("error command line longer than " + QByteArray::number(m_maxLength) + " bytes: dropped up to its end");
}
