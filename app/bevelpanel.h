#pragma once

#include <QColor>
#include <QSize>
#include <QWidget>

class Canvas;

// A panel framed by two bevels, the outer one drawn first, each raised or lowered, one pixel
// wide, in the style's light and dark shades. It reports mouse moves over its bare area.
class TBevelPanel : public QWidget
{
    Q_OBJECT

public:
    enum class Bevel { None, Lowered, Raised };

    explicit TBevelPanel(QWidget* parent = nullptr);

    Bevel bevelOuter() const { return m_outer; }
    Bevel bevelInner() const { return m_inner; }
    void setBevels(Bevel outer, Bevel inner);

    // Draws the bevels of a panel of the given size onto the canvas.
    static void paintBevels(Canvas& canvas, QSize size, Bevel outer, Bevel inner, const QColor& light,
                            const QColor& dark);

signals:
    void mouseMoved(QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    Bevel m_outer = Bevel::Lowered;
    Bevel m_inner = Bevel::Raised;
};
