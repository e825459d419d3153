#include "itlfile.h"

#include <QIODevice>

#include <algorithm>

namespace itl {
namespace {

constexpr char16_t AsciiLowerChar(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

constexpr char AsciiLowerByte(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

template <typename Char>
bool HasAsciiLetter(const Char* s, qsizetype n)
{
    return std::any_of(s, s + n, [](Char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

} // namespace

QString AsciiLower(QString text)
{
    for (QChar& c : text)
        c = QChar(AsciiLowerChar(c.unicode()));
    return text;
}

bool EqualsIgnoringAsciiCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (AsciiLowerChar(a[i].unicode()) != AsciiLowerChar(b[i].unicode()))
            return false;
    }
    return true;
}

qsizetype IndexOf(QByteArrayView haystack, QByteArrayView needle, qsizetype from, bool ignoreAsciiCase)
{
    from = std::max<qsizetype>(from, 0);
    if (!ignoreAsciiCase || !HasAsciiLetter(needle.data(), needle.size()))
        return haystack.indexOf(needle, from);
    const qsizetype last = haystack.size() - needle.size();
    for (qsizetype i = from; i <= last; ++i) {
        qsizetype k = 0;
        while (k < needle.size() && AsciiLowerByte(haystack[i + k]) == AsciiLowerByte(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return -1;
}

qsizetype IndexOf(QStringView haystack, QStringView needle, qsizetype from, bool ignoreAsciiCase)
{
    from = std::max<qsizetype>(from, 0);
    if (!ignoreAsciiCase || !HasAsciiLetter(needle.utf16(), needle.size()))
        return haystack.indexOf(needle, from, Qt::CaseSensitive);
    const qsizetype last = haystack.size() - needle.size();
    for (qsizetype i = from; i <= last; ++i) {
        if (EqualsIgnoringAsciiCase(haystack.sliced(i, needle.size()), needle))
            return i;
    }
    return -1;
}

QString ReplaceAll(const QString& text, QStringView pattern, QStringView replacement, bool ignoreAsciiCase)
{
    if (pattern.isEmpty())
        return text;
    QString out;
    qsizetype done = 0;
    for (;;) {
        const qsizetype pos = IndexOf(text, pattern, done, ignoreAsciiCase);
        if (pos < 0)
            break;
        out += QStringView(text).sliced(done, pos - done);
        out += replacement;
        done = pos + pattern.size();
    }
    if (done == 0)
        return text;
    out += QStringView(text).sliced(done);
    return out;
}

QString FillPlaceholders(const QString& text, const QStringList& params)
{
    if (params.isEmpty())
        return text;
    QString out;
    qsizetype done = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype pos = text.indexOf(u"<%", from);
        if (pos < 0)
            break;
        qsizetype i = pos + 2;
        qsizetype number = 0;
        bool valid = i < text.size() && text[i] >= u'1' && text[i] <= u'9';
        while (valid && i < text.size() && text[i].isDigit() && text[i].unicode() <= u'9') {
            number = number * 10 + (text[i].unicode() - u'0');
            valid = number <= params.size();
            ++i;
        }
        valid = valid && QStringView(text).sliced(i).startsWith(u"%>");
        if (!valid) {
            from = pos + 1;
            continue;
        }
        out += QStringView(text).sliced(done, pos - done);
        out += params[number - 1];
        done = from = i + 2;
    }
    if (done == 0)
        return text;
    out += QStringView(text).sliced(done);
    return out;
}

QString NormalizeKey(QStringView rawKey)
{
    QString key;
    key.reserve(rawKey.size());
    for (const QChar ch : rawKey) {
        char16_t c = ch.unicode();
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
        if (c == u' ' && (key.isEmpty() || key.back() == u' '))
            continue;
        key.append(QChar(AsciiLowerChar(c)));
    }
    return key;
}

QString PrepareText(QString text, QStringView appName)
{
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    text = ReplaceAll(text, u"\\n", u"\n", false);
    return ReplaceAll(text, u"<%APPNAME%>", appName, true);
}

TDelimiterReader::TDelimiterReader(QIODevice& stream, QByteArray delimiter, bool ignoreAsciiCase)
    : stream(stream)
    , delimiter(std::move(delimiter))
    , ignoreCase(ignoreAsciiCase)
{
    Q_ASSERT(!this->delimiter.isEmpty());
}

std::optional<QByteArray> TDelimiterReader::Next()
{
    const qsizetype overlap = delimiter.size() - 1;
    for (;;) {
        const qsizetype pos = IndexOf(buffer, delimiter, std::max(start, scanFrom), ignoreCase);
        if (pos >= 0) {
            const qsizetype end = pos + delimiter.size();
            QByteArray entry = buffer.sliced(start, end - start);
            start = scanFrom = end;
            return entry;
        }
        scanFrom = std::max(start, buffer.size() - overlap);
        if (ended || !ReadBlock()) {
            buffer.clear();
            start = scanFrom = 0;
            return std::nullopt;
        }
    }
}

bool TDelimiterReader::ReadBlock()
{
    if (start > 0) {
        buffer.remove(0, start);
        scanFrom -= start;
        start = 0;
    }
    const qsizetype old = buffer.size();
    buffer.resize(old + BlockSize);
    const qint64 got = stream.read(buffer.data() + old, BlockSize);
    buffer.resize(old + std::max<qint64>(got, 0));
    // A file ends with a short read; a pipe may also deliver one in between, so only a read
    // that returns nothing ends the stream.
    if (got <= 0)
        ended = true;
    return got > 0;
}

TRawEntry SplitEntry(QByteArrayView entry)
{
    qsizetype p3 = entry.indexOf("|$$");
    if (p3 < 0)
        p3 = entry.size();
    const QByteArrayView body = entry.first(p3);
    const qsizetype p1 = body.indexOf('[');
    const qsizetype p2 = body.indexOf("]=");

    TRawEntry raw;
    const qsizetype keyBegin = p1 + 1;
    if (p2 > keyBegin)
        raw.Key = body.sliced(keyBegin, p2 - keyBegin);
    const qsizetype textBegin = (p2 < 0) ? 1 : p2 + 2;
    if (textBegin < body.size())
        raw.Text = body.sliced(textBegin);
    return raw;
}

} // namespace itl
