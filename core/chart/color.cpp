#include "color.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QColor fromBgr(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// Classic desktop values, used without an application and for indices the palette lacks.
std::uint32_t classicSystemColor(unsigned index)
{
    switch (index) {
    case 5: // window
        return 0xFFFFFF;
    case 8: // window text
    case 18: // button text
        return 0x000000;
    case 15: // button face
        return 0xC0C0C0;
    case 16: // button shadow
    case 17: // grey text
        return 0x808080;
    case 20: // button highlight
        return 0xFFFFFF;
    default:
        return 0x000000;
    }
}

} // namespace

QColor ToQColor(TColor color)
{
    if (!(color & clSystemColor))
        return fromBgr(color & 0xFFFFFF);
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
    return fromBgr(classicSystemColor(index));
}

QFont DefaultChartFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}
