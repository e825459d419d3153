// Pixel semantics of the Qt backend: what the classic device interface draws, pixel for pixel.
#include "widgets/qtcanvas.h"
#include "widgets/qtconvert.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), red = qRgb(255, 0, 0);

// The covered pixels of one row or column as a string: '#' black, 'r' red, '.' white.
std::string row(const QImage& img, int y, int x0, int x1)
{
    std::string s;
    for (int x = x0; x <= x1; ++x)
        s += img.pixel(x, y) == black ? '#' : img.pixel(x, y) == red ? 'r' : img.pixel(x, y) == white ? '.' : '?';
    return s;
}

std::string column(const QImage& img, int x, int y0, int y1)
{
    std::string s;
    for (int y = y0; y <= y1; ++y)
        s += img.pixel(x, y) == black ? '#' : img.pixel(x, y) == red ? 'r' : img.pixel(x, y) == white ? '.' : '?';
    return s;
}

TEST(QtCanvasPixels, LineLeavesOutItsEndPixel)
{
    struct Row { QPoint from, to; std::string expected; bool horizontal; };
    const Row rows[] = {
        {{1, 1}, {10, 1}, ".#########..", true},  // covers 1..9
        {{10, 1}, {1, 1}, "..#########.", true},  // backwards: 10..2
        {{1, 1}, {2, 1}, ".#..........", true},   // one pixel
        {{3, 1}, {3, 6}, ".#####..", false},      // vertical: rows 1..5
    };
    for (const Row& r : rows) {
        QtCanvas c(12, 8);
        c.moveTo(r.from.x(), r.from.y());
        c.lineTo(r.to.x(), r.to.y());
        const std::string got = r.horizontal ? row(c.image(), 1, 0, 11) : column(c.image(), 3, 0, 7);
        EXPECT_EQ(got, r.expected);
        EXPECT_EQ(ToQPoint(c.currentPosition()), r.to);
    }
}

TEST(QtCanvasPixels, PolylineCoversEveryJointAndLeavesOutOnlyTheLastPoint)
{
    QtCanvas c(12, 10);
    const Point pts[] = {{1, 1}, {8, 1}, {8, 6}};
    c.polyline(pts);
    EXPECT_EQ(row(c.image(), 1, 0, 11), ".########...");
    EXPECT_EQ(column(c.image(), 8, 0, 9), ".#####....");
    // segments running left and up keep their start pixels: no gaps at the corners
    QtCanvas d(12, 12);
    const Point back[] = {{10, 9}, {2, 9}, {2, 2}, {9, 2}};
    d.polyline(back);
    EXPECT_EQ(row(d.image(), 9, 0, 11), "..#########.");
    EXPECT_EQ(column(d.image(), 2, 0, 11), "..########..");
    EXPECT_EQ(row(d.image(), 2, 0, 11), "..#######...");
}

TEST(QtCanvasPixels, StepTraceCornersAreClosed)
{
    QtCanvas c(12, 12);
    const Point steps[] = {{0, 8}, {0, 2}, {4, 2}, {4, 8}, {8, 8}, {8, 2}, {11, 2}};
    c.polyline(steps);
    for (QPoint corner : {QPoint(0, 2), QPoint(4, 2), QPoint(4, 8), QPoint(8, 8), QPoint(8, 2)})
        EXPECT_EQ(c.image().pixel(corner), black) << corner.x() << "," << corner.y();
    EXPECT_EQ(c.image().pixel(0, 8), black);
    EXPECT_EQ(c.image().pixel(11, 2), white);
}

TEST(QtCanvasPixels, WideStepTraceCoversTheRoundPenStrokeWithSquareCorners)
{
    // Wide step traces are filled as rectangles: everything a round pen covers, and besides
    // only the outer corner pixels of caps and joints.
    const Point steps[] = {{0, 20}, {0, 5}, {9, 5}, {9, 30}, {10, 30}, {10, 12}, {30, 12}, {30, 12}, {30, 40}, {39, 40}};
    for (int width : {2, 3}) {
        SCOPED_TRACE(width);
        QtCanvas fast(48, 48);
        fast.setPen({clBlack, width, Canvas::PenStyle::Solid});
        fast.polyline(steps);

        QImage stroked(48, 48, QImage::Format_RGB32);
        stroked.fill(Qt::white);
        QPainter painter(&stroked);
        painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        std::vector<QPoint> qsteps;
        for (Point v : steps)
            qsteps.push_back(ToQPoint(v));
        painter.drawPolyline(qsteps.data(), int(qsteps.size()));
        painter.end();

        auto nearVertex = [&](int x, int y) {
            for (Point v : steps)
                if (std::abs(v.x - x) <= 1 && std::abs(v.y - y) <= 1)
                    return true;
            return false;
        };
        int extra = 0;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 48; ++x) {
                const bool ours = fast.image().pixel(x, y) == black;
                const bool round = stroked.pixel(x, y) == black;
                if (round) {
                    EXPECT_TRUE(ours) << "missing " << x << "," << y;
                }
                if (ours && !round) {
                    EXPECT_TRUE(nearVertex(x, y)) << "stray " << x << "," << y;
                    ++extra;
                }
            }
        }
        EXPECT_LE(extra, 2 * int(std::size(steps)));
    }
    // A slanted segment still goes through the general stroker.
    QtCanvas slanted(16, 16);
    slanted.setPen({clBlack, 3, Canvas::PenStyle::Solid});
    const Point diagonal[] = {{2, 2}, {12, 12}};
    slanted.polyline(diagonal);
    EXPECT_EQ(slanted.image().pixel(7, 7), black);
    EXPECT_EQ(slanted.image().pixel(12, 2), white);
}

TEST(QtCanvasPixels, DashedGridLinesMatchTheCosmeticStroker)
{
    // Straight dashed lines are drawn as pixel runs; they must match Qt's own cosmetic dashes,
    // counted from the start of the line in either direction, with the brush in the gaps.
    const std::pair<QPoint, QPoint> lines[] = {
        {{0, 1}, {31, 1}}, {{31, 3}, {0, 3}}, {{2, 5}, {19, 5}}, {{1, 7}, {1, 30}}, {{3, 30}, {3, 8}}, {{5, 9}, {5, 10}}};
    const std::pair<Canvas::PenStyle, QList<qreal>> styles[] = {
        {Canvas::PenStyle::Dot, {3, 3}},
        {Canvas::PenStyle::Dash, {18, 6}},
        {Canvas::PenStyle::DashDot, {9, 6, 3, 6}},
        {Canvas::PenStyle::DashDotDot, {9, 3, 3, 3, 3, 3}}};
    for (const auto& [style, pattern] : styles) {
        for (bool solidBrush : {true, false}) {
            SCOPED_TRACE(testing::Message() << int(style) << " brush " << solidBrush);
            QtCanvas fast(40, 40);
            fast.setPen({clBlack, 1, style});
            fast.setBrush({clRed, solidBrush ? Canvas::BrushStyle::Solid : Canvas::BrushStyle::Clear});
            QImage stroked(40, 40, QImage::Format_RGB32);
            stroked.fill(Qt::white);
            QPainter painter(&stroked);
            for (const auto& [a, b] : lines) {
                fast.moveTo(a.x(), a.y());
                fast.lineTo(b.x(), b.y());
                // The reference: the line without its end pixel through the stroker.
                const QPoint step((b.x() > a.x()) - (b.x() < a.x()), (b.y() > a.y()) - (b.y() < a.y()));
                const QPoint end = b - step;
                QPen under(QColor(255, 0, 0), 0);
                under.setCapStyle(Qt::SquareCap);
                QPen dashed(Qt::black, 0);
                dashed.setCapStyle(Qt::SquareCap);
                dashed.setDashPattern(pattern);
                for (int pass = solidBrush ? 0 : 1; pass < 2; ++pass) {
                    painter.setPen(pass == 0 ? under : dashed);
                    if (end == a)
                        painter.drawPoint(a);
                    else
                        painter.drawLine(a, end);
                }
            }
            painter.end();
            std::string diff;
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x)
                    if (fast.image().pixel(x, y) != stroked.pixel(x, y))
                        diff += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
            EXPECT_EQ(diff, "");
        }
    }
}

TEST(QtCanvasPixels, RectangleEdgesAtX2MinusOneAndY2MinusOne)
{
    QtCanvas c(12, 10);
    c.setPen({clBlack, 1, Canvas::PenStyle::Solid});
    c.setBrush({clRed, Canvas::BrushStyle::Solid});
    c.rectangle(1, 1, 7, 6);
    EXPECT_EQ(row(c.image(), 1, 0, 8), ".######..");
    EXPECT_EQ(row(c.image(), 3, 0, 8), ".#rrrr#..");
    EXPECT_EQ(row(c.image(), 5, 0, 8), ".######..");
    EXPECT_EQ(row(c.image(), 6, 0, 8), ".........");
    // a clear brush leaves the inside alone
    QtCanvas d(12, 10);
    d.setBrushStyle(Canvas::BrushStyle::Clear);
    d.rectangle(1, 1, 7, 6);
    EXPECT_EQ(row(d.image(), 3, 0, 8), ".#....#..");
}

TEST(QtCanvasPixels, DottedPenShowsTheBrushInItsGaps)
{
    QtCanvas c(16, 4);
    c.setPen({clBlack, 1, Canvas::PenStyle::Dot});
    c.setBrush({clRed, Canvas::BrushStyle::Solid});
    c.moveTo(0, 1);
    c.lineTo(15, 1);
    EXPECT_EQ(row(c.image(), 1, 0, 15), "###rrr###rrr###.");
    c.setBrushStyle(Canvas::BrushStyle::Clear);
    c.moveTo(0, 2);
    c.lineTo(15, 2);
    EXPECT_EQ(row(c.image(), 2, 0, 15), "###...###...###.");
}

TEST(QtCanvasPixels, ClearPenDrawsNoLine)
{
    QtCanvas c(8, 4);
    c.setPenStyle(Canvas::PenStyle::Clear);
    c.moveTo(0, 1);
    c.lineTo(7, 1);
    EXPECT_EQ(row(c.image(), 1, 0, 7), "........");
}

TEST(QtCanvasPixels, CopyAndClip)
{
    QtCanvas src(3, 2);
    src.setPen({clBlack, 1, Canvas::PenStyle::Solid});
    src.setBrush({clBlack, Canvas::BrushStyle::Solid});
    src.rectangle(0, 0, 3, 2);
    QtCanvas dst(10, 4);
    dst.copyFrom(src, 4, 1);
    EXPECT_EQ(row(dst.image(), 1, 0, 9), "....###...");
    EXPECT_EQ(row(dst.image(), 3, 0, 9), "..........");
    dst.setClipRect(Rect{0, 0, 2, 4});
    dst.moveTo(0, 3);
    dst.lineTo(9, 3);
    dst.clearClip();
    EXPECT_EQ(row(dst.image(), 3, 0, 9), "##........");
}

TEST(QtCanvasPixels, CanvasOverAForeignPainterDrawsAtItsOrigin)
{
    QImage img(12, 6, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter painter(&img);
        QtCanvas c(painter, QPoint(2, 1), QSize(5, 3));
        c.moveTo(0, 0);
        c.lineTo(10, 0);
    }
    EXPECT_EQ(row(img, 1, 0, 11), "..#####.....");
}

} // namespace
