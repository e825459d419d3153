#pragma once

#include <QScrollBar>
#include <QStyle>

// A scroll bar that a keyboard user can work as on the desktop the layout was designed for:
// it takes focus from Tab and from a click and shows it, and with focus Right and Down add a
// small step, Left and Up take one away, Page Down and Page Up add and take away the large
// change (the page step), Home and End go to the ends.
class TScrollBar : public QScrollBar
{
    Q_OBJECT

public:
    explicit TScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Where the style puts a part of the bar (arrow, trough, thumb), in the bar's coordinates.
    QRect SubControlRect(QStyle::SubControl control) const;
    // Whether a held mouse button is stepping the value on a timer.
    bool IsRepeating() const { return repeatAction() != SliderNoAction; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
