#include "tools/servertext.h"

namespace servertext {

QByteArray Escape(const QByteArray& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u > ' ' && u < 0x7F && c != '%') {
            text += c;
        } else {
            text += '%';
            text += digits[u >> 4];
            text += digits[u & 15];
        }
    }
    return text;
}

QByteArray Unescape(const QByteArray& text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bool ok = false;
            const int value = text.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                bytes += char(value);
                i += 2;
                continue;
            }
        }
        bytes += text[i];
    }
    return bytes;
}

QByteArray Hex(quint32 handle)
{
    return QByteArray::number(handle, 16).rightJustified(8, '0');
}

QByteArray StampText(TTimeStamp stamp)
{
    return QByteArray::number(stamp.Date) + ':' + QByteArray::number(stamp.Time);
}

QByteArray RecordFields(const TEntityRecord& record)
{
    return "handle=" + Hex(record.Handle) + " mutex=" + Hex(record.MutexHandle) + " file=" + Escape(record.FileName)
           + " title=" + Escape(record.Title);
}

} // namespace servertext
