// Chart state: pen stamping, layers and ranges, labels, joint layers, published properties and
// when the chart paints.
#include "tests/widgets/chart_test_support.h"

#include <QMetaProperty>

#include <gtest/gtest.h>

using namespace charttest;

namespace {

// --- published properties for the translator --------------------------------------------------

TEST(ChartProperties, ScalesArePublishedAsScalePropsObjects)
{
    TRChart c;
    const QMetaObject* mo = c.metaObject();
    for (const char* name : {"Scale1X", "Scale2X", "Scale3X", "Scale4X", "Scale1Y", "Scale2Y", "Scale3Y", "Scale4Y"}) {
        const int index = mo->indexOfProperty(name);
        ASSERT_GE(index, 0) << name;
        QObject* scale = mo->property(index).read(&c).value<QObject*>();
        ASSERT_NE(scale, nullptr) << name;
        EXPECT_TRUE(scale->inherits("TScaleProps"));
        const QMetaProperty caption = scale->metaObject()->property(scale->metaObject()->indexOfProperty("Caption"));
        EXPECT_EQ(caption.metaType().id(), QMetaType::QString);
        ASSERT_TRUE(caption.write(scale, QStringLiteral("BF_Time")));
    }
    EXPECT_EQ(c.Scale3Y()->Caption(), QStringLiteral("BF_Time"));
    EXPECT_EQ(c.Scale2X()->Layer(), 2);
    EXPECT_EQ(QString::fromLatin1(c.Scale1X()->metaObject()->superClass()->className()), QStringLiteral("TScaleProps"));

    ASSERT_TRUE(c.setProperty("Caption", QStringLiteral("BF_Channel 1")));
    EXPECT_EQ(c.Caption(), QStringLiteral("BF_Channel 1"));
    ASSERT_TRUE(c.setProperty("ChartColor", QVariant::fromValue<TColor>(0xFFDDDD)));
    EXPECT_EQ(c.ChartColor(), 0xFFDDDDu);
    ASSERT_TRUE(c.setProperty("CaptionPosY", -16));
    EXPECT_EQ(c.CaptionPosY(), -16);
}

// --- when the chart paints --------------------------------------------------------------------

TEST(ChartPainting, NothingIsPaintedBeforeTheWindowExists)
{
    TRChart c;
    configureRcd(c);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 0);
    c.ShowItems();
    EXPECT_TRUE(c.PaintingSuspended());
    EXPECT_TRUE(c.FrameImage().isNull());
    c.show();
    EXPECT_FALSE(c.PaintingSuspended());
    EXPECT_EQ(c.FrameImage().size(), QSize(785, 281));
}

TEST(ChartPainting, NothingIsPaintedWhileLoading)
{
    TRChart c;
    c.show();
    const QImage before = c.FrameImage();
    c.BeginLoading();
    c.SetChartColor(clRed); // AutoRedraw is on, but the layout is still loading
    c.ScaleX(1)->SetRangeHigh(10);
    c.ShowItems();
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    EXPECT_TRUE(canvas.ops().empty());
    EXPECT_EQ(c.FrameImage(), before);
    c.Loaded();
    EXPECT_NE(c.FrameImage(), before);
}

TEST(ChartPainting, WithoutAutoRedrawOnlyShowItemsReachesTheScreen)
{
    TRChart c;
    configureRcd(c);
    c.show();
    const QImage first = c.FrameImage();
    c.SetActiveLayer(2);
    c.SetChartColor(0xFFDDDD);
    c.MoveToPoint(0, 0);
    c.LineToPoint(1000, 5);
    c.TextLabel(1)->SetVisible(true);
    c.HideTextLabels();
    c.ClearItems();
    c.LineToPoint(500, 1);
    EXPECT_EQ(c.FrameImage(), first);
    c.ShowItems();
    EXPECT_NE(c.FrameImage(), first);
}

TEST(ChartPainting, AutoRedrawRepaintsOnAppearanceChanges)
{
    TRChart c;
    c.show();
    const QImage first = c.FrameImage();
    c.SetChartColor(0xFFDDDD);
    EXPECT_NE(c.FrameImage(), first);
    const QImage second = c.FrameImage();
    c.MoveToPoint(0, 0);
    c.LineToPoint(1, 1);
    EXPECT_EQ(c.FrameImage(), second); // appending never paints
    c.ShowItems();                      // redraws the plot only
    EXPECT_NE(c.FrameImage(), second);
}

TEST(ChartPainting, ExplicitlyHiddenChartDrawsNothing)
{
    TRChart c;
    c.show();
    c.SetAutoRedraw(false);
    const QImage first = c.FrameImage();
    c.hide();
    c.SetChartColor(clRed);
    c.ShowItems();
    EXPECT_EQ(c.FrameImage(), first);
}

} // namespace

namespace {

// --- repaint rules that earlier versions broke -------------------------------------------------

int countPixels(const QImage& img, QRect area, QColor colour)
{
    int n = 0;
    area &= img.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.pixelColor(x, y) == colour ? 1 : 0;
    return n;
}

TEST(ChartRepaint, LabelFontNeverReachesTheCaption)
{
    TRChart c;
    configureRca(c);
    c.show();
    TTextLabel* l = c.TextLabel(1);
    l->SetFont(FontDesc{"DejaVu Sans", 30, 0, 0});
    l->SetFontColor(clRed);
    l->SetPosX(500);
    l->SetPosY(0);
    l->SetCaption("W");
    l->SetVisible(true);
    for (int paint = 0; paint < 3; ++paint) {
        c.ShowItems();
        // The caption sits above the plot (rows 0..19): black, in the surface's own font.
        const QImage img = c.FrameImage();
        const QRect captionArea(0, 0, 785, 20);
        EXPECT_EQ(countPixels(img, captionArea, Qt::red), 0) << "paint " << paint;
        int dark = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 785; ++x)
                dark += qGray(img.pixel(x, y)) < 100 ? 1 : 0;
        EXPECT_GT(dark, 20) << "paint " << paint;
    }
}

TEST(ChartRepaint, WindowSystemRepaintShowsTheCurrentState)
{
    TRChart c;
    configureRca(c);
    c.show();
    c.ShowItems();
    const QPoint inside(10 + 3, 20 + 3);
    EXPECT_EQ(c.grab().toImage().pixelColor(inside), QColor(0xDD, 0xDD, 0xFF));
    c.SetChartColor(0x00FF00); // AutoRedraw is off: nothing is painted now
    EXPECT_EQ(c.FrameImage().pixelColor(inside), QColor(0xDD, 0xDD, 0xFF));
    // ... but a repaint the window system asks for paints the chart as it now is.
    EXPECT_EQ(c.grab().toImage().pixelColor(inside), QColor(0, 255, 0));
}

TEST(ChartRepaint, ScaleLocationWrittenAfterLoadingMovesTheAxis)
{
    TRChart c;
    configureRcd(c);
    c.Scale1X()->SetVisible(false);
    c.show();
    // Layer 6 draws its x axis at the top until its side is written, although the published
    // value reads bottom from the start; writing that same value must move the axis.
    TScaleProps* axis = c.ScaleX(6);
    axis->SetScalePos(0);
    axis->SetRangeHigh(1000);
    axis->SetVisible(true);
    c.ShowItems();
    const QColor purple(128, 0, 128);
    // Ticks and numbers only: the caption on the right takes the axis font's colour too.
    const QRect above(0, 0, 600, 20), below(0, 254, 600, 27);
    EXPECT_GT(countPixels(c.FrameImage(), above, purple), 20);
    EXPECT_EQ(countPixels(c.FrameImage(), below, purple), 0);
    ASSERT_EQ(axis->ScaleLocation(), slBottom);
    axis->SetScaleLocation(slBottom);
    c.ShowItems();
    EXPECT_EQ(countPixels(c.FrameImage(), above, purple), 0);
    EXPECT_GT(countPixels(c.FrameImage(), below, purple), 20);
}

} // namespace
