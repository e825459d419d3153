#include "app/clicklabel.h"

#include "app/formtools.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

using formtools::SetTextColor;
using formtools::TextColor;

TClickLabel::TClickLabel(QWidget* parent)
    : QLabel(parent)
{
    setMouseTracking(true);
    // Tab only: a click opens the link and should not leave a focus frame behind.
    setFocusPolicy(Qt::TabFocus);
}

QColor TClickLabel::fontColor() const
{
    return TextColor(this);
}

void TClickLabel::setFontColor(const QColor& color)
{
    if (color == fontColor())
        return;
    SetTextColor(this, color);
}

void TClickLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

void TClickLabel::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->position().toPoint());
    event->accept();
}

void TClickLabel::keyPressEvent(QKeyEvent* event)
{
    const bool activates = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    if (!activates || event->modifiers() & ~Qt::KeypadModifier) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    emit clicked();
}

void TClickLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(fontColor(), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    const int textWidth = std::min(fontMetrics().horizontalAdvance(text()) + 3, width());
    painter.drawRect(0, 0, textWidth - 1, height() - 1);
}
