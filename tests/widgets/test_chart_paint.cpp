// The road from a chart's frame image to the window: the copy into the backing store, the frame
// image in the backing store's format, and what the window shows when a resize, a hide or a
// burst of edits comes between ShowItems and the paint.
#include "tests/widgets/chart_test_support.h"
#include "widgets/devicecopy.h"
#include "widgets/qtcanvas.h"
#include "widgets/qtchart.h"
#include "widgets/qtconvert.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace charttest;

namespace {

// --- the copy into a painter's image ------------------------------------------------------------

QImage pattern(QSize size, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x + y) % 256));
    return image;
}

TEST(DeviceCopy, CopiesTheRegionToWhereThePainterPutsTheImage)
{
    const QImage source = pattern({60, 40});
    QImage target(100, 80, QImage::Format_RGB32);
    target.fill(Qt::gray);
    QImage expected = target;
    {
        QPainter painter(&expected);
        painter.translate(30, 20);
        for (const QRect& r : {QRect(0, 0, 10, 5), QRect(50, 30, 20, 20)}) // the second reaches past the image
            painter.drawImage(r.topLeft(), source, r);
    }
    QPainter painter(&target);
    painter.translate(30, 20);
    ASSERT_TRUE(CopyToPaintDevice(painter, source, QRegion(0, 0, 10, 5) + QRegion(50, 30, 20, 20)));
    painter.end();
    EXPECT_EQ(target, expected);
}

TEST(DeviceCopy, CopiesNothingWhereItWouldNotGiveDrawImagesPixels)
{
    struct Case
    {
        const char* what;
        QImage::Format targetFormat;
        std::function<void(QPainter&)> prepare;
    };
    const Case cases[] = {
        {"another format", QImage::Format_ARGB32_Premultiplied, [](QPainter&) {}},
        {"a 16-bit target", QImage::Format_RGB16, [](QPainter&) {}},
        {"a scale", QImage::Format_RGB32, [](QPainter& p) { p.scale(2, 2); }},
        {"half a pixel", QImage::Format_RGB32, [](QPainter& p) { p.translate(0.5, 0); }},
        {"a clip of its own", QImage::Format_RGB32, [](QPainter& p) { p.setClipRect(0, 0, 5, 5); }},
        {"translucency", QImage::Format_RGB32, [](QPainter& p) { p.setOpacity(0.5); }},
        {"another composition", QImage::Format_RGB32, [](QPainter& p) { p.setCompositionMode(QPainter::CompositionMode_Xor); }},
    };
    const QImage source = pattern({20, 20});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QImage target(40, 40, c.targetFormat);
        target.fill(Qt::gray);
        const QImage before = target.copy();
        QPainter painter(&target);
        c.prepare(painter);
        EXPECT_FALSE(CopyToPaintDevice(painter, source, QRegion(0, 0, 20, 20)));
        painter.end();
        EXPECT_EQ(target, before);
    }
    // The same painter with nothing of the above copies.
    QImage target(40, 40, QImage::Format_RGB32);
    QPainter painter(&target);
    EXPECT_TRUE(CopyToPaintDevice(painter, source, QRegion(0, 0, 20, 20)));
}

// --- the frame image in the window's format -----------------------------------------------------

class FixedView final : public ChartView
{
public:
    QSize ChartViewSize() const override { return {785, 281}; }
    bool ChartViewReady() const override { return true; }
    void ChartViewUpdate(const std::vector<QRect>&) override {}
    void ChartViewMinimumSize(QSize) override {}
};

std::unique_ptr<Chart> newChart()
{
    auto chart = std::make_unique<Chart>();
    chart->BeginLoading();
    chart->SetAutoRedraw(false);
    chart->ScaleX(1).SetRangeHigh(1000);
    chart->SetGridStyle(gsVertDotLines);
    chart->SetGridDx(125);
    chart->SetGridColor(clSilver);
    chart->SetCaption("Receiver");
    chart->Loaded();
    return chart;
}

void plotSteps(Chart& chart, int seed)
{
    std::mt19937 gen{std::uint32_t(seed)};
    chart.ClearItems();
    chart.MoveToPoint(0, 0);
    for (int n = 0; n < 40; ++n) {
        const double v = std::uniform_real_distribution<double>(0, 1)(gen);
        chart.LineToPoint(n * 25, v);
        chart.LineToPoint(n * 25 + 25, v);
    }
    chart.ShowItems();
}

TEST(FrameFormat, TheFrameImageTakesTheWindowsFormatWithTheSamePixels)
{
    struct Case
    {
        QImage::Format asked, taken;
    };
    for (const Case& c : {Case{QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32_Premultiplied},
                          Case{QImage::Format_RGB32, QImage::Format_RGB32},
                          Case{QImage::Format_RGB16, QImage::Format_RGB32}, // not one it writes into
                          Case{QImage::Format_ARGB32, QImage::Format_RGB32}}) {
        SCOPED_TRACE(int(c.asked));
        QtChart shell(newChart());
        FixedView view;
        shell.SetView(&view);
        plotSteps(shell.Core(), 1);
        shell.SetFrameFormat(c.asked);
        EXPECT_EQ(shell.FrameFits(), c.taken == QImage::Format_RGB32); // the frame so far is RGB32
        shell.PaintIfChanged();
        EXPECT_TRUE(shell.FrameFits());
        // A run of edits over the frame in its new format leaves nothing behind.
        for (int seed = 2; seed < 6; ++seed)
            plotSteps(shell.Core(), seed);
        EXPECT_EQ(shell.FrameImage().format(), c.taken);
        EXPECT_EQ(shell.FrameImage().convertToFormat(QImage::Format_RGB32), shell.Picture());
    }
}

// --- what the window shows -----------------------------------------------------------------------


QImage fromScratch(TRChart& c)
{
    QtCanvas canvas(c.width(), c.height());
    c.RenderTo(canvas);
    return canvas.image();
}

// A receiver chart in a window, shown, with a few runs of traces behind it.
struct Shown
{
    QWidget window;
    TRChart* chart;
    int seed = 0;

    Shown()
        : chart(new TRChart(&window))
    {
        window.resize(900, 320);
        configureRcd(*chart);
        chart->move(10, 10);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        for (int i = 0; i < 3; ++i)
            edit();
        QCoreApplication::processEvents();
    }

    void edit()
    {
        std::mt19937 gen{std::uint32_t(++seed)};
        chart->ClearItems();
        for (int layer = 1; layer <= 3; ++layer) {
            chart->SetActiveLayer(layer);
            chart->SetLineWidth(layer == 2 ? 3 : 1);
            std::vector<double> v;
            for (int i = 0; i < 80; ++i)
                v.push_back(std::uniform_int_distribution<int>(-3, 3)(gen));
            stepTrace(chart->Core(), v, 12.5);
        }
        chart->SetLineWidth(1);
        chart->SetChartColor(seed % 3 == 0 ? 0xFFDDDD : clWhite);
        chart->ShowItems();
    }
};

TEST(ChartOnScreen, ABurstOfEditsShowsTheLastOneWhole)
{
    Shown s;
    for (int i = 0; i < 12; ++i)
        s.edit(); // no paint between them
    QCoreApplication::processEvents();
    EXPECT_EQ(shownInWindow(*s.chart), fromScratch(*s.chart));
    // Edits painted one by one end the same.
    for (int i = 0; i < 12; ++i) {
        s.edit();
        QCoreApplication::processEvents();
        ASSERT_EQ(shownInWindow(*s.chart), fromScratch(*s.chart)) << "edit " << i;
    }
}

TEST(ChartOnScreen, AResizeBetweenAnEditAndItsPaintShowsTheNewSize)
{
    for (const QSize size : {QSize(700, 250), QSize(860, 300)}) {
        SCOPED_TRACE(size.width());
        Shown s;
        s.edit();
        s.chart->resize(size); // before the paint the edit asked for
        QCoreApplication::processEvents();
        EXPECT_EQ(s.chart->size(), size);
        EXPECT_EQ(shownInWindow(*s.chart), fromScratch(*s.chart));
        s.edit();
        QCoreApplication::processEvents();
        EXPECT_EQ(shownInWindow(*s.chart), fromScratch(*s.chart));
    }
}

TEST(ChartOnScreen, EditsWhileHiddenShowWhenShownAgain)
{
    struct Case
    {
        const char* what;
        std::function<QWidget*(Shown&)> hidden;
    };
    const Case cases[] = {
        {"the chart", [](Shown& s) -> QWidget* { return s.chart; }},
        {"its window", [](Shown& s) -> QWidget* { return &s.window; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Shown s;
        s.edit(); // asked for, not yet painted
        QWidget* hidden = c.hidden(s);
        hidden->hide();
        for (int i = 0; i < 3; ++i)
            s.edit();
        QCoreApplication::processEvents();
        hidden->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&s.window));
        QCoreApplication::processEvents();
        EXPECT_EQ(shownInWindow(*s.chart), fromScratch(*s.chart));
        s.edit();
        QCoreApplication::processEvents();
        EXPECT_EQ(shownInWindow(*s.chart), fromScratch(*s.chart));
    }
}

} // namespace
