#include "app/formtools.h"

namespace {

formtools::AnnouncementObserver& CurrentObserver()
{
    static formtools::AnnouncementObserver observer;
    return observer;
}

void Announced(QWidget* widget, QAccessible::Event change)
{
    if (CurrentObserver())
        CurrentObserver()(widget, change);
}

} // namespace

QFont formtools::PixelFont(const QStringList& families, int pixels, bool bold, bool italic, bool underline)
{
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

void formtools::SetTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

QColor formtools::TextColor(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

void formtools::SetBackground(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    widget->setPalette(palette);
}

void formtools::SetSpokenName(QWidget* widget, const QString& name)
{
    if (widget->accessibleName() == name)
        return;
    widget->setAccessibleName(name);
    Announced(widget, QAccessible::NameChanged);
}

void formtools::SetSpokenDescription(QWidget* widget, const QString& description)
{
    if (widget->accessibleDescription() == description)
        return;
    widget->setAccessibleDescription(description);
    Announced(widget, QAccessible::DescriptionChanged);
}

void formtools::SetAnnouncementObserver(AnnouncementObserver observer)
{
    CurrentObserver() = std::move(observer);
}
