#include "app/autosizelabel.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

TAutoSizeLabel::TAutoSizeLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void TAutoSizeLabel::SetCaption(const QString& caption)
{
    setText(caption);
    FitToText();
}

void TAutoSizeLabel::FitToText()
{
    resize(sizeHint());
}

QMargins TAutoSizeLabel::InkMargins() const
{
    const QFontMetrics metrics(font());
    const QString caption = text();
    // Ink relative to the pen on the baseline; the line box runs from 0 to the advance and
    // from the ascent above the baseline to the descent below it.
    const QRect ink = caption.isEmpty() ? QRect() : metrics.boundingRect(caption);
    if (ink.isEmpty())
        return {};
    return {std::max(0, -ink.left()), std::max(0, -metrics.ascent() - ink.top()),
            std::max(0, ink.right() + 1 - metrics.horizontalAdvance(caption)),
            std::max(0, ink.bottom() + 1 - metrics.descent())};
}

QSize TAutoSizeLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()), metrics.height()).grownBy(InkMargins());
}

void TAutoSizeLabel::paintEvent(QPaintEvent*)
{
    const QMargins room = InkMargins();
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    // A point, not a rectangle: text drawn into a rectangle is clipped to it where the ink
    // reaches beyond the line box.
    painter.drawText(QPoint(room.left(), room.top() + QFontMetrics(font()).ascent()), text());
}
