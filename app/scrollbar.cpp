#include "app/scrollbar.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionSlider>

TScrollBar::TScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

QRect TScrollBar::SubControlRect(QStyle::SubControl control) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, control, this);
}

void TScrollBar::keyPressEvent(QKeyEvent* event)
{
    // Qt's scroll bar reads Left, Right and the page keys as a view scrolling its content;
    // here the keys move the value the way the arrows point, whatever the layout direction.
    SliderAction action = SliderNoAction;
    if (event->modifiers() & ~Qt::KeypadModifier) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        action = SliderSingleStepAdd;
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        action = SliderSingleStepSub;
        break;
    case Qt::Key_PageDown:
        action = SliderPageStepAdd;
        break;
    case Qt::Key_PageUp:
        action = SliderPageStepSub;
        break;
    case Qt::Key_Home:
        action = SliderToMinimum;
        break;
    case Qt::Key_End:
        action = SliderToMaximum;
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
    triggerAction(action);
}

void TScrollBar::paintEvent(QPaintEvent* event)
{
    QScrollBar::paintEvent(event);
    if (!hasFocus())
        return;
    // Styles draw no or only a faint focus on a scroll bar; a frame in the highlight colour
    // around the thumb shows where the keys go.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(SubControlRect(QStyle::SC_ScrollBarSlider)).adjusted(1, 1, -1, -1));
}
