#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class QIODevice;

// Functions that return a text unchanged hand back the argument itself (shared, not copied).
//
// The pieces of the language-file format that need no engine state: splitting a byte stream
// into entries, splitting an entry into key and text, and the clean-up both receive at load.
// Letter case is folded for 'A'..'Z' only, whatever the locale.
namespace itl {

QString AsciiLower(QString text);
bool EqualsIgnoringAsciiCase(QStringView a, QStringView b);

// Index of the first occurrence of needle at or after from, or -1.
qsizetype IndexOf(QByteArrayView haystack, QByteArrayView needle, qsizetype from, bool ignoreAsciiCase);
qsizetype IndexOf(QStringView haystack, QStringView needle, qsizetype from, bool ignoreAsciiCase);

// Replaces every occurrence from left to right; the search resumes after each inserted
// replacement, so inserted text is never searched again.
QString ReplaceAll(const QString& text, QStringView pattern, QStringView replacement, bool ignoreAsciiCase);

// Fills "<%1%>", "<%2%>", ... with params[0], params[1], ... in one pass over text, so that a
// parameter containing a placeholder is inserted as it stands. Numbers beyond the parameters,
// and numbers written with leading zeros, stay in the text.
QString FillPlaceholders(const QString& text, const QStringList& params);

// Lower-cased; CR, LF and tab as spaces; runs of spaces as one; no leading spaces.
QString NormalizeKey(QStringView rawKey);

// CR and LF as spaces, then the two characters "\n" as a line feed, then "<%APPNAME%>" in any
// case as appName.
QString PrepareText(QString rawText, QStringView appName);

// Reads entries that end with a delimiter from the current position of a stream, in blocks of
// 256 bytes. Only the bytes of the entry being assembled are held (plus one block), so an
// entry of many megabytes or a stream without any delimiter costs memory in proportion to
// what was read, and every byte is searched once.
class TDelimiterReader
{
public:
    static constexpr qsizetype BlockSize = 256;

    TDelimiterReader(QIODevice& stream, QByteArray delimiter, bool ignoreAsciiCase = true);

    // The next entry, up to and including the first delimiter; none once the stream ends
    // without one (the bytes after the last delimiter are dropped).
    std::optional<QByteArray> Next();

private:
    bool ReadBlock();

    QIODevice& stream;
    const QByteArray delimiter;
    const bool ignoreCase;
    QByteArray buffer;
    qsizetype start = 0;    // first byte of the entry being assembled
    qsizetype scanFrom = 0; // bytes before this hold no delimiter start
    bool ended = false;
};

struct TRawEntry
{
    QByteArrayView Key;
    QByteArrayView Text;
};

// Key: between the first "[" and the first "]="; from the entry's first byte when "[" is
// missing, empty when "]=" is missing or comes before "[". Text: from after "]=" (from the
// second byte when "]=" is missing) up to the terminating "|$$".
TRawEntry SplitEntry(QByteArrayView entry);

} // namespace itl
