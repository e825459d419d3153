#include "formtools.h"

QFont FormTools::PixelFont(const QStringList& families, int pixels, bool bold, bool italic, bool underline)
{
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

void FormTools::SetTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

QColor FormTools::TextColor(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

void FormTools::SetBackground(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    widget->setPalette(palette);
}
