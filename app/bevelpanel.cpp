#include "app/bevelpanel.h"

#include "widgets/qtcanvas.h"
#include "widgets/qtconvert.h"

#include <QMouseEvent>
#include <QPainter>

#include <array>

namespace {

// One bevel line around the rectangle: the top and left edges in `top`, the right and bottom
// edges (with the corners top-right and bottom-left) in `bottom`. Shrinks the rectangle by one.
void frame3D(Canvas& canvas, QRect& r, const QColor& top, const QColor& bottom)
{
    const int left = r.left();
    const int topY = r.top();
    const int right = r.right();
    const int bottomY = r.bottom();
    canvas.setPenColor(ToTColor(top));
    const std::array<Point, 3> topLeft{Point{left, bottomY}, Point{left, topY}, Point{right, topY}};
    canvas.polyline(topLeft);
    canvas.setPenColor(ToTColor(bottom));
    const std::array<Point, 3> bottomRight{Point{right, topY}, Point{right, bottomY}, Point{left - 1, bottomY}};
    canvas.polyline(bottomRight);
    r.adjust(1, 1, -1, -1);
}

void bevelColors(TBevelPanel::Bevel bevel, const QColor& light, const QColor& dark, QColor& top, QColor& bottom)
{
    const bool lowered = bevel == TBevelPanel::Bevel::Lowered;
    top = lowered ? dark : light;
    bottom = lowered ? light : dark;
}

} // namespace

TBevelPanel::TBevelPanel(QWidget* parent)
    : QWidget(parent)
{
    // Moves without a button held are what the hover colours of the links react to.
    setMouseTracking(true);
}

void TBevelPanel::setBevels(Bevel outer, Bevel inner)
{
    if (outer == m_outer && inner == m_inner)
        return;
    m_outer = outer;
    m_inner = inner;
    update();
}

void TBevelPanel::paintBevels(Canvas& canvas, QSize size, Bevel outer, Bevel inner, const QColor& light,
                              const QColor& dark)
{
    QRect r(QPoint(0, 0), size);
    canvas.setPen(Canvas::Pen{});
    for (Bevel bevel : {outer, inner}) {
        if (bevel == Bevel::None || r.width() < 1 || r.height() < 1)
            continue;
        QColor top;
        QColor bottom;
        bevelColors(bevel, light, dark, top, bottom);
        frame3D(canvas, r, top, bottom);
    }
}

void TBevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QtCanvas canvas(painter, QPoint(0, 0), size());
    const TColor face = ToTColor(palette().color(QPalette::Window));
    canvas.setPen(Canvas::Pen{face});
    canvas.setBrush(Canvas::Brush{face});
    canvas.rectangle(0, 0, width(), height());
    paintBevels(canvas, size(), m_outer, m_inner, palette().color(QPalette::Light), palette().color(QPalette::Dark));
}

void TBevelPanel::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->position().toPoint());
    event->accept();
}
