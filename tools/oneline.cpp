#include "tools/oneline.h"

namespace {

QString Escape(const QString& text, bool quoting)
{
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (quoting && (u == u'"' || u == u'\\')) {
            out += u'\\';
            out += c;
            continue;
        }
        switch (u) {
        case u'\n':
            out += QStringLiteral("\\n");
            continue;
        case u'\r':
            out += QStringLiteral("\\r");
            continue;
        case u'\t':
            out += QStringLiteral("\\t");
            continue;
        default:
            break;
        }
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph) {
            out += u < 0x100 ? QStringLiteral("\\x%1").arg(int(u), 2, 16, QChar(u'0'))
                             : QStringLiteral("\\u%1").arg(int(u), 4, 16, QChar(u'0'));
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace

QString OneLine(const QString& message)
{
    return Escape(message, false);
}

QString QuotedValue(const QString& value)
{
    return u'"' + Escape(value, true) + u'"';
}
