// Chart pictures through the Qt backend: pixels of the window's frame image, pictures drawn onto
// a caller's image, and bad settings that must stay within the surfaces. What the drawing
// commands are is the core's tests' business (tests/core/chart).
#include "tests/widgets/chart_test_support.h"
#include "widgets/qtcanvas.h"
#include "widgets/qtconvert.h"

#include <QDir>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace charttest;
using Op = RecordingCanvas::Op;
using OpKind = RecordingCanvas::OpKind;

namespace {

// --- pixels through the Qt backend ------------------------------------------------------------

QRgb rgb(TColor c)
{
    return ToQColor(c).rgb();
}

void fillRcd(TRChart& c)
{
    c.ClearItems();
    c.SetDataColor(clBlack);
    c.SetActiveLayer(1);
    std::vector<double> chips;
    for (int i = 0; i < 64; ++i)
        chips.push_back((i * 7919 % 13) % 2 ? 1 : -1);
    stepTrace(c.Core(), chips, 1000.0 / 64);
    c.HideTextLabels();
    TTextLabel* l = c.TextLabel(1);
    l->SetMode(tlBox);
    l->SetPosX(990);
    l->SetPosY(0.5);
    l->SetAlignment(taRightJustify);
    l->SetColorBkg(clYellow);
    l->SetCaption("Trace H: Random Sequence in Receiver");
    l->SetVisible(true);
    freeLabels(c.Core(), 2);
    c.SetActiveLayer(2);
    c.SetLineWidth(3);
    c.SetDataColor(clNavy);
    std::vector<double> products;
    for (int i = 0; i < 64; ++i)
        products.push_back(((i * 31) % 5) - 2);
    stepTrace(c.Core(), products, 1000.0 / 64);
    c.AddTextLabel(clBlack, "Trace I: G * H", 1, 990, 0.5);
    c.SetActiveLayer(3);
    c.SetLineWidth(1);
    c.MoveToPoint(0, 0);
    c.SetDataColor(clSilver);
    c.LineToPoint(1000, 0);
    c.SetLineWidth(3);
    c.SetDataColor(clBlue);
    std::vector<double> integral;
    double sum = 0;
    for (int i = 0; i < 64; ++i) {
        sum += products[std::size_t(i)] * 1.5;
        if (i % 8 == 7)
            sum = 0;
        integral.push_back(-sum);
    }
    stepTrace(c.Core(), integral, 1000.0 / 64);
    c.AddTextLabel(clBlack, "Trace J: -1.0 * Integral of Trace I", 1, 990, 0.5);
    c.SetActiveLayer(4);
    c.SetDataColor(221);
    c.MoveToPoint(0, 0);
    for (int b = 0; b < 8; ++b) {
        const double v = b % 3 ? 1 : -1;
        c.LineToPoint(b * 125.0, v);
        c.LineToPoint((b + 1) * 125.0, v);
    }
    c.SetLineWidth(1);
    c.AddTextLabel(clBlack, "Trace K: Recovered Signal", 1, 990, 0.5);
    c.ShowItems();
}

TEST(ChartPixels, BackgroundFrameAndGridColumns)
{
    TRChart c;
    configureRca(c);
    c.show();
    c.ShowItems();
    const QImage img = c.FrameImage();
    ASSERT_EQ(img.size(), QSize(785, 137));
    const QRgb background = rgb(0xFFDDDD), frame = rgb(clBlack), silver = rgb(clSilver);
    // the plot frame: columns 10 and 767, rows 20 and 135
    for (QPoint p : {QPoint(10, 20), QPoint(767, 20), QPoint(767, 135), QPoint(10, 135), QPoint(400, 20), QPoint(400, 135),
                     QPoint(10, 80), QPoint(767, 80)})
        EXPECT_EQ(img.pixel(p), frame) << p.x() << "," << p.y();
    // inside: background, outside: the surround
    EXPECT_EQ(img.pixel(50, 50), background);
    EXPECT_EQ(img.pixel(766, 134), background);
    EXPECT_EQ(img.pixel(768, 80), ToQColor(clBtnFace).rgb());
    EXPECT_EQ(img.pixel(9, 80), ToQColor(clBtnFace).rgb());
    // a grid column at x = 125: dotted silver with background in its gaps
    const int x = c.Mapping().MapX(1, 125);
    int dots = 0, gaps = 0;
    for (int y = 21; y < 135; ++y) {
        const QRgb px = img.pixel(x, y);
        ASSERT_TRUE(px == silver || px == background) << y;
        (px == silver ? dots : gaps)++;
    }
    EXPECT_GT(dots, 40);
    EXPECT_GT(gaps, 40);
    EXPECT_EQ(img.pixel(x + 1, 60), background);
}

TEST(ChartPixels, RenderToAnImageMatchesTheWindowPicture)
{
    TRChart c;
    configureRcd(c);
    c.show();
    fillRcd(c);
    c.ShowItems();
    QtCanvas target(785, 281);
    c.RenderTo(target);
    EXPECT_EQ(target.image(), c.FrameImage());
}

TEST(ChartPixels, PictureOfTheReceiverChart)
{
    TRChart c;
    configureRcd(c);
    c.show();
    fillRcd(c);
    const QImage img = c.FrameImage();
    QDir().mkpath(QStringLiteral(DSCDMA_PICTURE_DIR));
    const QString file = QStringLiteral(DSCDMA_PICTURE_DIR "/chart_rcd.png");
    ASSERT_TRUE(img.save(file));
    // The trace of layer 4 (dark red, 3 wide) crosses the plot; the axis numbers are dark.
    int red = 0;
    for (int x = 11; x < 767; ++x)
        for (int y = 21; y < 253; ++y)
            if (img.pixel(x, y) == rgb(221))
                ++red;
    EXPECT_GT(red, 757 * 3 / 2);
    int dark = 0;
    for (int y = 260; y < 281; ++y)
        for (int x = 0; x < 785; ++x)
            if (qGray(img.pixel(x, y)) < 100)
                ++dark;
    EXPECT_GT(dark, 30);
}

TEST(ChartBadInput, ExtremeSettingsPaintWithinTheSurfaces)
{
    TRChart c;
    configureRcd(c);
    c.SetCaptionPosX(INT_MAX);
    c.SetCaptionPosY(INT_MIN);
    c.SetGridStyle(gsPoints);
    c.SetGridDx(1e-300);
    c.SetGridDy(1e-300);
    c.Scale1X()->SetScalePos(INT_MIN);
    c.Scale1X()->SetCaptionPosX(INT_MAX);
    c.Scale1X()->SetMinTicks(INT_MAX);
    c.Scale1X()->SetDecPlaces(INT_MAX);
    c.Scale2Y()->SetVisible(true);
    c.Scale2Y()->SetRangeLow(-1e308);
    c.Scale2Y()->SetRangeHigh(1e308);
    TTextLabel* l = c.TextLabel(1);
    l->SetAttachToData(tlamNone);
    l->SetPosX(1e308);
    l->SetPosY(-1e308);
    l->SetShadowDx(INT_MAX);
    l->SetShadowDy(INT_MIN);
    l->SetMode(tlShadow);
    l->SetCaption(std::string(5000, 'W'));
    l->SetVisible(true);
    c.SetActiveLayer(2);
    c.SetLineWidth(255);
    c.MoveToPoint(-1e308, 1e308);
    c.LineToPoint(std::numeric_limits<double>::infinity(), std::nan(""));
    c.LineToPoint(5, 5);
    c.show();
    c.ShowItems();
    EXPECT_EQ(c.FrameImage().size(), QSize(785, 281));
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    for (const Op& op : canvas.ops())
        for (const Point& p : op.points) {
            ASSERT_LE(std::abs(p.x), 60000 + 40000);
            ASSERT_LE(std::abs(p.y), 60000 + 40000);
        }
    c.SetMarginLeft(INT_MAX);
    c.SetMarginRight(INT_MAX);
    EXPECT_EQ(c.MarginLeft(), TRChart::MaxMargin);
    c.SetMarginLeft(10);
    c.SetMarginRight(18);
    c.ShowItems();
}

// The display list is public storage: whatever a caller writes there is drawn within bounds.
TEST(ChartBadInput, ItemsWrittenStraightIntoTheListStayWithinBounds)
{
    TRChart c;
    configureRcd(c);
    c.show();
    ChartItemList& list = c.ItemStorage();
    list.Append({0, 0, clRed, TPenStyle(200), INT_MAX, 255, ikMoveTo, 99});
    list.Append({1e300, -1e300, clRed, psDot, INT_MAX, 255, ikLineTo, -5});
    list.Append({500, 0, clBlue, psSolid, -7, 0, 77, 3}); // an unknown kind
    list.Append({600, 0, clBlue, psSolid, -7, 0, ikLineTo, 3});
    c.ShowItems();
    EXPECT_EQ(c.FrameImage().size(), QSize(785, 281));
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    const auto lines = canvas.ops(OpKind::Polyline);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].pen.width, 255);
    EXPECT_EQ(lines[1].pen.width, 1);
    for (const Op& op : lines)
        for (const Point& p : op.points) {
            ASSERT_LE(std::abs(p.x), 30000);
            ASSERT_LE(std::abs(p.y), 30000);
        }
}

TEST(ChartBadInput, PlotWithoutRoomGivesAnEmptyPlotSurface)
{
    TRChart c;
    configureRca(c);
    c.SetMarginTop(300); // taller than the control: PH < 0 until the size follows
    c.resize(785, 10);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 1);
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    EXPECT_GE(c.height(), 300 + 2 + 20); // raised to the minimum
    const auto clips = canvas.ops(OpKind::Clip);
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(clips.front().rect.height, c.height() - 300 - 2 + 1);
}

} // namespace
