// A chart whose window moves to a screen of another device pixel ratio between an edit and its
// paint: two offscreen screens, the second at twice the first's pixel ratio. Its own main(),
// since the screens are set up before the application.
#include "tests/widgets/chart_test_support.h"
#include "widgets/qtcanvas.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <random>

using namespace charttest;

namespace {

QImage fromScratch(TRChart& c)
{
    QtCanvas canvas(c.width(), c.height());
    c.RenderTo(canvas);
    return canvas.image();
}


// Every pixel of `picture` as a ratio × ratio block: what a window at that ratio shows of a
// picture drawn in pixels of the chart's own.
QImage blownUp(const QImage& picture, int ratio)
{
    QImage image(picture.size() * ratio, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, picture.pixel(x / ratio, y / ratio));
    return image;
}

struct Window
{
    QWidget window;
    TRChart* chart;
    int seed = 0;

    Window()
        : chart(new TRChart(&window))
    {
        window.resize(900, 320);
        configureRcd(*chart);
        chart->move(10, 10);
        moveTo(0);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        edit();
        QCoreApplication::processEvents();
    }

    void moveTo(int screen)
    {
        QScreen* target = QGuiApplication::screens().at(screen);
        window.move(target->geometry().topLeft() + QPoint(20, 20));
        if (window.windowHandle())
            window.windowHandle()->setScreen(target);
    }

    void edit()
    {
        std::mt19937 gen{std::uint32_t(++seed)};
        chart->ClearItems();
        chart->MoveToPoint(0, 0);
        for (int n = 0; n < 80; ++n) {
            const double v = std::uniform_int_distribution<int>(-30, 0)(gen);
            chart->LineToPoint(n * 12.5, v);
            chart->LineToPoint(n * 12.5 + 12.5, v);
        }
        chart->SetChartColor(seed % 2 ? 0xFFDDDD : clWhite);
        chart->ShowItems();
    }
};

TEST(ChartOnScreens, TheScreensHaveTheirPixelRatios)
{
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    EXPECT_EQ(QGuiApplication::screens().at(0)->devicePixelRatio(), 1.0);
    EXPECT_EQ(QGuiApplication::screens().at(1)->devicePixelRatio(), 2.0);
}

TEST(ChartOnScreens, AChangeOfPixelRatioBetweenAnEditAndItsPaintShowsTheEdit)
{
    Window w;
    ASSERT_EQ(shownInWindow(*w.chart), fromScratch(*w.chart));
    for (int screen : {1, 0, 1}) {
        SCOPED_TRACE(screen);
        const int ratio = screen + 1;
        w.edit(); // asked for, not yet painted
        w.moveTo(screen);
        w.edit();
        QCoreApplication::processEvents();
        ASSERT_EQ(w.window.devicePixelRatio(), ratio);
        EXPECT_EQ(shownInWindow(*w.chart), blownUp(fromScratch(*w.chart), ratio));
        w.edit();
        QCoreApplication::processEvents();
        EXPECT_EQ(shownInWindow(*w.chart), blownUp(fromScratch(*w.chart), ratio));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir folder;
    const QString config = folder.filePath("screens.json");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(R"({"screens": [
        {"name": "One", "x": 0, "y": 0, "width": 1200, "height": 900, "logicalDpi": 96, "logicalBaseDpi": 96},
        {"name": "Two", "x": 1200, "y": 0, "width": 1200, "height": 900, "logicalDpi": 96, "logicalBaseDpi": 96}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    qputenv("QT_SCREEN_SCALE_FACTORS", "One=1;Two=2");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
