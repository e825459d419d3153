#pragma once

#include <QAccessible>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

// What the windows share to build their controls as their stored layouts describe them, and to
// describe them to a screen reader.
namespace formtools {

// The layouts were drawn at 120 pixels per inch and are kept unscaled, so fonts are given in
// pixels. The first family of the list that the desktop has is used.
QFont PixelFont(const QStringList& families, int pixels, bool bold = false, bool italic = false,
                bool underline = false);

// A control's font colour and, for edits, its background.
void SetTextColor(QWidget* widget, const QColor& color);
QColor TextColor(const QWidget* widget);
void SetBackground(QWidget* widget, const QColor& color);

// A label with its caption shown as it stands, never as markup: captions come from language
// files and addresses.
template <typename Label = QLabel>
Label* MakeLabel(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                 Qt::Alignment alignment, bool wordWrap = false)
{
    auto* label = new Label(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    label->setAlignment(alignment);
    label->setWordWrap(wordWrap);
    return label;
}

// What a screen reader speaks for a control. A text that differs from the current one is set,
// and setting it announces the change (Qt raises the accessibility event); the same text again
// changes and announces nothing.
void SetSpokenName(QWidget* widget, const QString& name);
void SetSpokenDescription(QWidget* widget, const QString& description);

// Sees every change that SetSpokenName and SetSpokenDescription announce. Qt passes the events
// on only while assistive technology listens, which a headless test never has; an empty
// observer stops watching.
using AnnouncementObserver = std::function<void(QWidget* widget, QAccessible::Event change)>;
void SetAnnouncementObserver(AnnouncementObserver observer);

} // namespace formtools
