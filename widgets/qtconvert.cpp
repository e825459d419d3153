#include "widgets/qtconvert.h"

#include <QGuiApplication>
#include <QPalette>
#include <QStringList>

#include <array>
#include <utility>

QColor ToQColor(TColor color)
{
    if (!IsSystemColor(color))
        return QColor(RedOf(color), GreenOf(color), BlueOf(color));
    const unsigned index = color & 0xFF;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QPalette pal = QGuiApplication::palette();
        switch (index) {
        case 5:
            return pal.color(QPalette::Base);
        case 8:
            return pal.color(QPalette::Text);
        case 15:
            return pal.color(QPalette::Button);
        case 16:
            return pal.color(QPalette::Dark);
        case 17:
            return pal.color(QPalette::Disabled, QPalette::Text);
        case 18:
            return pal.color(QPalette::ButtonText);
        case 20:
            return pal.color(QPalette::Light);
        default:
            break;
        }
    }
    const TColor classic = ClassicSystemColor(index);
    return QColor(RedOf(classic), GreenOf(classic), BlueOf(classic));
}

TColor ToTColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return RgbColor(rgb.red(), rgb.green(), rgb.blue());
}

namespace {

QFont buildFont(const FontDesc& desc)
{
    QFont font;
    if (desc == FontDesc())
        return font; // the surface's own default
    const QStringList families = QString::fromUtf8(desc.Face.data(), qsizetype(desc.Face.size())).split(u',', Qt::SkipEmptyParts);
    if (families.size() == 1)
        font = QFont(families.front());
    else if (!families.isEmpty())
        font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    if (desc.PixelSize > 0)
        font.setPixelSize(desc.PixelSize);
    else if (desc.PointSize > 0)
        font.setPointSizeF(desc.PointSize);
    if (desc.Style & fsBold)
        font.setBold(true);
    if (desc.Style & fsItalic)
        font.setItalic(true);
    if (desc.Style & fsUnderline)
        font.setUnderline(true);
    if (desc.Style & fsStrikeOut)
        font.setStrikeOut(true);
    return font;
}

} // namespace

QFont ToQFont(const FontDesc& desc)
{
    // A chart paints with two or three fonts; a handful of entries keeps all of them.
    static std::array<std::pair<FontDesc, QFont>, 8> cache;
    static std::size_t next = 0;
    static std::size_t used = 0;
    for (std::size_t i = 0; i < used; ++i)
        if (cache[i].first == desc)
            return cache[i].second;
    QFont font = buildFont(desc);
    cache[next] = {desc, font};
    next = (next + 1) % cache.size();
    used = std::min(used + 1, cache.size());
    return font;
}

FontDesc ToFontDesc(const QFont& font)
{
    FontDesc desc;
    const QStringList families = font.families().isEmpty() ? QStringList{font.family()} : font.families();
    desc.Face = families.join(u',').toStdString();
    if (font.pixelSize() > 0)
        desc.PixelSize = font.pixelSize();
    else
        desc.PointSize = font.pointSizeF();
    desc.Style = std::uint8_t((font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0)
                              | (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0));
    return desc;
}
