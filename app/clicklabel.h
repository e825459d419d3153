#pragma once

#include <QColor>
#include <QLabel>

// A label that reacts like a control: a click (press and release of the left button inside it,
// or Return or Space while it has the focus, which Tab gives it and a dotted frame shows) and
// mouse moves over it, with or without a button held. Its font colour is the text colour of its
// palette.
class TClickLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TClickLabel(QWidget* parent = nullptr);

    QColor fontColor() const;
    void setFontColor(const QColor& color);

signals:
    void clicked();
    void mouseMoved(QPoint pos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_pressed = false;
};
