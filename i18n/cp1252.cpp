#include "i18n/cp1252.h"

#include "core/i18n/windows1252.h"

namespace cp1252 {

QString Decode(QByteArrayView bytes)
{
    return ToQString(std::string_view(bytes.data(), std::size_t(bytes.size())));
}

QByteArray Encode(QStringView text)
{
    const std::string bytes = FromQString(text);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QString ToQString(std::string_view bytes)
{
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char ch : bytes)
        *dst++ = QChar(windows1252::ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::string FromQString(QStringView text)
{
    return windows1252::Encode(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())));
}

std::string FromQStringUnits(QStringView text)
{
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (const QChar c : text)
        out.push_back(c.isSurrogate() ? '?' : windows1252::FromUnicode(c.unicode()));
    return out;
}

} // namespace cp1252
