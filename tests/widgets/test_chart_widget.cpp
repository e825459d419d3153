// Chart state: pen stamping, layers and ranges, labels, joint layers, published properties and
// when the chart paints.
#include "chart_test_support.h"

#include <QMetaProperty>

#include <gtest/gtest.h>

using namespace charttest;

namespace {

// --- pen state and display list ---------------------------------------------------------------

TEST(ChartState, ItemsKeepThePenStateOfTheirAppendTime)
{
    TRChart c;
    c.MoveToPoint(1, 2);
    c.SetActiveLayer(3);
    c.SetDataColor(0x0000DD);
    c.SetLineWidth(3);
    c.SetPenStyle(psDot);
    c.SetClassDefault(9);
    c.LineToPoint(3, 4);
    c.SetDataColor(clNavy);
    c.SetLineWidth(1);
    ASSERT_EQ(c.Count(), 2);
    const TChartItem& a = c.Items()[0];
    EXPECT_EQ(a.Kind, ikMoveTo);
    EXPECT_EQ(a.X, 1);
    EXPECT_EQ(a.Y, 2); // X is the first argument
    EXPECT_EQ(a.Layer, 1);
    EXPECT_EQ(a.Color, clBlack);
    EXPECT_EQ(a.LineWidth, 1);
    EXPECT_EQ(a.PenStyle, psSolid);
    EXPECT_EQ(a.ItemClass, 0);
    const TChartItem& b = c.Items()[1];
    EXPECT_EQ(b.Kind, ikLineTo);
    EXPECT_EQ(b.Layer, 3);
    EXPECT_EQ(b.Color, 0x0000DDu);
    EXPECT_EQ(b.LineWidth, 3);
    EXPECT_EQ(b.PenStyle, psDot);
    EXPECT_EQ(b.ItemClass, 9);
}

TEST(ChartState, ClearItemsKeepsPenStateLayerAndLabels)
{
    TRChart c;
    c.SetActiveLayer(4);
    c.SetDataColor(clRed);
    c.SetLineWidth(3);
    c.TextLabel(2)->SetCaption(QStringLiteral("kept"));
    c.ScaleY(4)->SetRangeLow(-4);
    for (int i = 0; i < 1500; ++i)
        c.LineToPoint(i, i);
    c.ClearItems();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Capacity(), 0u);
    EXPECT_EQ(c.ActiveLayer(), 4);
    EXPECT_EQ(c.DataColor(), clRed);
    EXPECT_EQ(c.LineWidth(), 3);
    EXPECT_EQ(c.TextLabel(2)->Caption(), QStringLiteral("kept"));
    EXPECT_EQ(c.ScaleY(4)->RangeLow(), -4);
    c.LineToPoint(5, 6); // a list may start with a line
    EXPECT_EQ(c.Items()[0].Kind, ikLineTo);
}

TEST(ChartState, OutOfRangeSettersAreIgnored)
{
    TRChart c;
    c.SetActiveLayer(5);
    for (int bad : {0, 17, -1})
        c.SetActiveLayer(bad);
    EXPECT_EQ(c.ActiveLayer(), 5);
    c.SetClassDefault(254);
    c.SetClassDefault(255);
    c.SetClassDefault(-1);
    EXPECT_EQ(c.ClassDefault(), 254);
    c.SetLineWidth(300);
    EXPECT_EQ(c.LineWidth(), 1);
    c.SetAllocSize(0);
    c.SetAllocSize(2'000'000);
    EXPECT_EQ(c.AllocSize(), 1000);
    c.SetGridDx(-4);
    EXPECT_EQ(c.GridDx(), 0);
    c.SetGridDx(-3);
    EXPECT_EQ(c.GridDx(), -3);
    c.SetShadowWidth(99);
    EXPECT_EQ(c.ShadowWidth(), 32);
    c.TextLabel(1)->SetLayer(17);
    c.TextLabel(1)->SetLayer(0);
    EXPECT_EQ(c.TextLabel(1)->Layer(), 1);
}

TEST(ChartState, CreationDefaults)
{
    TRChart c;
    EXPECT_EQ(c.width(), 280);
    EXPECT_EQ(c.height(), 200);
    EXPECT_EQ(c.AllocSize(), 1000);
    EXPECT_TRUE(c.AutoRedraw());
    EXPECT_EQ(c.MarginLeft(), 50);
    EXPECT_EQ(c.MarginRight(), 10);
    EXPECT_EQ(c.MarginTop(), 16);
    EXPECT_EQ(c.MarginBottom(), 32);
    EXPECT_EQ(c.property("LRim").toInt(), 50);
    EXPECT_EQ(c.property("BRim").toInt(), 32);
    EXPECT_EQ(c.ShadowWidth(), 0);
    EXPECT_EQ(c.ShadowStyle(), ssFlying);
    EXPECT_EQ(c.ShadowColor(), clGrayText);
    EXPECT_EQ(c.ShadowBakColor(), clBtnFace);
    EXPECT_EQ(c.ChartFrameColor(), clBlack);
    EXPECT_EQ(c.FillColor(), 0xC0C0C0u);
    EXPECT_EQ(c.ChartColor(), 0xFFFFFFu);
    EXPECT_EQ(c.WindColor(), clBtnFace);
    EXPECT_EQ(c.GridStyle(), gsNone);
    EXPECT_EQ(c.Caption(), QString());
    EXPECT_EQ(c.CaptionPosY(), -15);
    EXPECT_EQ(c.CaptionAlignment(), taRightJustify);
    EXPECT_EQ(c.CaptionAnchorHoriz(), cahChartRight);
    EXPECT_EQ(c.CaptionAnchorVert(), cavChartTop);
    EXPECT_EQ(c.TextBkStyle(), tbClear);
    EXPECT_EQ(c.TextAlignment(), taCenter);
    EXPECT_EQ(c.MouseAction(), maNone);
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(c.ClassVisible(i));
    const TColor axisColors[16] = {clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clGray,
                                   clSilver, clRed, clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite};
    for (int n = 1; n <= 16; ++n) {
        EXPECT_TRUE(c.LayerVisible(n));
        EXPECT_EQ(c.ScaleX(n)->RangeLow(), 0);
        EXPECT_EQ(c.ScaleX(n)->RangeHigh(), 1);
        EXPECT_FALSE(c.ScaleY(n)->Visible());
        EXPECT_EQ(c.ScaleX(n)->MinRange(), 1e-10);
        EXPECT_EQ(c.ScaleX(n)->ColorScale(), axisColors[n - 1]);
        EXPECT_EQ(c.ScaleY(n)->ColorScale(), axisColors[n - 1]);
        EXPECT_EQ(c.ScaleX(n)->ScalePos(), ((n - 1) / 2) * 30);
        EXPECT_EQ(c.ScaleY(n)->ScalePos(), ((n - 1) / 2) * 50);
        // the published side reads bottom / left, the drawn side alternates
        EXPECT_EQ(c.ScaleX(n)->ScaleLocation(), slBottom);
        EXPECT_EQ(c.ScaleY(n)->ScaleLocation(), slLeft);
        EXPECT_EQ(c.ScaleX(n)->EffectiveLocation(), n % 2 ? slBottom : slTop);
        EXPECT_EQ(c.ScaleY(n)->EffectiveLocation(), n % 2 ? slLeft : slRight);
        EXPECT_EQ(c.XScaleDrawer(n).Name(), QStringLiteral("RC_FScale_X_%1").arg(n));
        EXPECT_EQ(c.YScaleDrawer(n).Name(), QStringLiteral("RC_FScale_Y_%1").arg(n));
        EXPECT_EQ(c.JointLayers()->XControlledBy(n), n);
        EXPECT_EQ(c.JointLayers()->YControlledBy(n), n);
    }
    // the accessor falls back to layer 1
    EXPECT_EQ(c.ScaleX(0), c.ScaleX(1));
    EXPECT_EQ(c.ScaleY(17), c.ScaleY(1));
}

TEST(ChartState, MinimumSizeFollowsTheMargins)
{
    TRChart c;
    c.SetMarginLeft(10);
    c.SetMarginRight(18);
    c.SetMarginTop(20);
    c.SetMarginBottom(28);
    c.resize(50, 30);
    EXPECT_EQ(c.width(), 10 + 18 + 80);
    EXPECT_EQ(c.height(), 20 + 28 + 20);
}

// --- ranges -----------------------------------------------------------------------------------

TEST(ChartRanges, SettersKeepTheEndsMinRangeApart)
{
    TRChart c;
    TScaleProps* s = c.ScaleX(1);
    s->SetRangeHigh(5);
    s->SetRangeLow(5);
    EXPECT_EQ(s->RangeLow(), 5);
    EXPECT_EQ(s->RangeHigh(), 5 + 1e-10);
    s->SetRangeHigh(5);
    EXPECT_EQ(s->RangeHigh(), 5);
    EXPECT_EQ(s->RangeLow(), 5 - 1e-10);
    // a reversed range is allowed
    s->SetRangeLow(10);
    EXPECT_EQ(s->RangeLow(), 10);
    EXPECT_EQ(s->RangeHigh(), 5);
    // values that are not numbers are ignored
    s->SetRangeLow(std::nan(""));
    s->SetRangeHigh(std::numeric_limits<double>::infinity());
    EXPECT_EQ(s->RangeLow(), 10);
    EXPECT_EQ(s->RangeHigh(), 5);
}

TEST(ChartRanges, LogarithmicScaleRefusesEndsBelowTheFloor)
{
    TRChart c;
    TScaleProps* s = c.ScaleY(2);
    s->SetLogarithmic(true); // range 0..1: refused after loading
    EXPECT_FALSE(s->Logarithmic());
    s->SetRangeLow(1);
    s->SetRangeHigh(1000);
    s->SetLogarithmic(true);
    ASSERT_TRUE(s->Logarithmic());
    s->SetRangeLow(0);
    EXPECT_EQ(s->RangeLow(), 1);
    s->SetRangeLow(1e-101);
    EXPECT_EQ(s->RangeLow(), 1);
    s->SetLabelType(ftDateTime);
    EXPECT_FALSE(s->Logarithmic());
    s->SetLogarithmic(true);
    EXPECT_FALSE(s->Logarithmic());
    s->SetLabelType(ftTime);
    EXPECT_EQ(s->DecPlaces(), 4);
}

TEST(ChartRanges, LogarithmicIsTakenUncheckedWhileLoading)
{
    TRChart c;
    c.BeginLoading();
    c.ScaleX(1)->SetLogarithmic(true);
    c.Loaded();
    EXPECT_TRUE(c.ScaleX(1)->Logarithmic());
}

// --- joint layers -----------------------------------------------------------------------------

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EOrnRChartError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

TEST(ChartJointLayers, OneLevelRulesAndMessages)
{
    TRChart c;
    TJointLayers* j = c.JointLayers();
    c.ScaleX(1)->SetRangeLow(-3);
    c.ScaleX(1)->SetRangeHigh(7);
    c.ScaleY(1)->SetRangeHigh(42);
    j->setProperty("L02xControlledBy", 1);
    EXPECT_EQ(j->XControlledBy(2), 1);
    EXPECT_EQ(c.ScaleX(2)->RangeLow(), -3);
    EXPECT_EQ(c.ScaleX(2)->RangeHigh(), 7);
    EXPECT_EQ(c.ScaleY(2)->RangeHigh(), 1); // the y range stays

    struct Row { int layer, dest; const char* message; };
    const Row rows[] = {
        {1, 3, "Layer 1 is joined by other layers (2)"},
        {3, 2, "Destination layer 2 is already joined"},
        {3, 0, "Destination layer 0 is out of range"},
        {3, 17, "Destination layer 17 is out of range"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(errorOf([&] { j->SetXControlledBy(r.layer, r.dest); }), QString::fromLatin1(r.message));
        for (int n = 1; n <= 16; ++n)
            ASSERT_EQ(j->XControlledBy(n), n == 2 ? 1 : n) << "table changed by " << r.message;
    }
    j->SetL05xControlledBy(1);
    EXPECT_EQ(errorOf([&] { j->SetL01xControlledBy(3); }), QStringLiteral("Layer 1 is joined by other layers (2, 5)"));

    // the controlling layer's later changes reach the joined ones
    c.ScaleX(1)->SetRangeHigh(99);
    EXPECT_EQ(c.ScaleX(2)->RangeHigh(), 99);
    EXPECT_EQ(c.ScaleX(5)->RangeHigh(), 99);

    j->SetL02xControlledBy(2); // released
    EXPECT_EQ(j->XControlledBy(2), 2);
    c.ScaleX(1)->SetRangeHigh(50);
    EXPECT_EQ(c.ScaleX(2)->RangeHigh(), 99);
}

TEST(ChartJointLayers, YTableWorksTheSameWayOnYRanges)
{
    TRChart c;
    c.ScaleY(3)->SetRangeLow(-40);
    c.ScaleY(3)->SetRangeHigh(60);
    c.JointLayers()->SetL04yControlledBy(3);
    EXPECT_EQ(c.ScaleY(4)->RangeLow(), -40);
    EXPECT_EQ(c.ScaleY(4)->RangeHigh(), 60);
    EXPECT_EQ(c.ScaleX(4)->RangeHigh(), 1);
    EXPECT_EQ(c.JointLayers()->XControlledBy(4), 4);
    EXPECT_EQ(errorOf([&] { c.JointLayers()->SetL05yControlledBy(4); }),
              QStringLiteral("Destination layer 4 is already joined"));
}

// --- labels -----------------------------------------------------------------------------------

TEST(ChartLabels, IndexOutsideTheArrayRaisesWithTheComponentName)
{
    TRChart c;
    c.setObjectName(QStringLiteral("RCB"));
    for (int bad : {0, 31, -7})
        EXPECT_EQ(errorOf([&] { c.TextLabel(bad); }),
                  QStringLiteral("Component \"RCB\": invalid index into TextLabel array"));
    EXPECT_NE(c.TextLabel(1), nullptr);
    EXPECT_NE(c.TextLabel(30), nullptr);
    EXPECT_NE(c.TextLabel(1), c.TextLabel(30));
}

TEST(ChartLabels, NoFreeLabelMeansZeroAndNoChange)
{
    TRChart c;
    EXPECT_EQ(c.AddTextLabel(clRed, QStringLiteral("x"), 0, 1, 2), 0);
    for (int i = 1; i <= 30; ++i) {
        EXPECT_TRUE(c.TextLabel(i)->Caption().isEmpty());
        EXPECT_FALSE(c.TextLabel(i)->Visible());
    }
    c.TextLabel(1)->SetVisible(true);
    c.HideTextLabels();
    EXPECT_FALSE(c.TextLabel(1)->Visible());
    EXPECT_EQ(c.TextLabel(1)->Mode(), tlBox); // hiding frees nothing
}

TEST(ChartLabels, AddWithoutTemplateGivesASimpleLabelOnTheChartBackground)
{
    TRChart c;
    c.SetChartColor(0xFFDDDD);
    c.SetChartFrameColor(0x112233);
    c.SetActiveLayer(3);
    freeLabels(c, 2);
    c.TextLabel(2)->SetShadowDx(9);
    c.TextLabel(2)->SetVerticalAlignment(vaTop);
    const int i = c.AddTextLabel(clRed, QStringLiteral("hello"), 31, 990, 0.5); // 31: no template
    ASSERT_EQ(i, 2);
    const TTextLabel* l = c.TextLabel(2);
    EXPECT_EQ(l->PosX(), 990);
    EXPECT_EQ(l->PosY(), 0.5);
    EXPECT_EQ(l->Layer(), 3);
    EXPECT_EQ(l->AttachToData(), tlamBoth);
    EXPECT_EQ(l->Alignment(), taCenter);
    EXPECT_EQ(l->ShadowDx(), 0);
    EXPECT_EQ(l->ShadowDy(), 0);
    EXPECT_EQ(l->ColorShadow(), 0x808080u);
    EXPECT_EQ(l->ColorBkg(), 0xFFDDDDu);
    EXPECT_EQ(l->ColorBorder(), 0x112233u);
    EXPECT_FALSE(l->Transparent());
    EXPECT_EQ(l->Caption(), QStringLiteral("hello"));
    EXPECT_EQ(l->FontColor(), clRed);
    EXPECT_EQ(l->Mode(), tlsimple);
    EXPECT_EQ(l->VerticalAlignment(), vaTop); // left as it was
    EXPECT_TRUE(l->Visible());
}

TEST(ChartLabels, AddWithTemplateCopiesItsLookAndMode)
{
    TRChart c;
    freeLabels(c, 2);
    TTextLabel* t = c.TextLabel(1);
    t->SetMode(tlBox);
    t->SetAttachToData(tlamXOnly);
    t->SetAlignment(taRightJustify);
    t->SetColorBkg(clYellow);
    t->SetColorBorder(clBlue);
    t->SetColorShadow(clGreen);
    t->SetShadowDx(5);
    t->SetShadowDy(6);
    t->SetTransparent(true);
    c.SetActiveLayer(2);
    EXPECT_EQ(c.AddTextLabel(clBlack, QStringLiteral("B"), 1, 990, 0.5), 2);
    EXPECT_EQ(c.AddTextLabel(clBlack, QStringLiteral("C"), 1, 990, 0), 3);
    const TTextLabel* l = c.TextLabel(3);
    EXPECT_EQ(l->Mode(), tlBox);
    EXPECT_EQ(l->AttachToData(), tlamXOnly);
    EXPECT_EQ(l->Alignment(), taRightJustify);
    EXPECT_EQ(l->ColorBkg(), clYellow);
    EXPECT_EQ(l->ColorBorder(), clBlue);
    EXPECT_EQ(l->ColorShadow(), clGreen);
    EXPECT_EQ(l->ShadowDx(), 5);
    EXPECT_EQ(l->ShadowDy(), 6);
    EXPECT_TRUE(l->Transparent());
    EXPECT_EQ(l->Layer(), 2);
    // a template that is itself free gives a simple label
    t->SetMode(tlOff);
    EXPECT_EQ(c.AddTextLabel(clBlack, QStringLiteral("D"), 1, 0, 0), 1);
    EXPECT_EQ(c.TextLabel(1)->Mode(), tlsimple);
}

TEST(ChartLabels, EverySetterFiresOnChange)
{
    TTextLabel l;
    int fired = 0;
    l.OnChange = [&] { ++fired; };
    l.SetPosX(1);
    l.SetPosY(1);
    l.SetLayer(2);
    l.SetCaption(QStringLiteral("a"));
    l.SetVisible(true);
    l.SetFontColor(clRed);
    l.SetMode(tlShadow);
    l.SetCaption(QStringLiteral("a")); // same value: still stored and announced
    EXPECT_EQ(fired, 8);
    l.SetLayer(40); // ignored
    EXPECT_EQ(fired, 8);
}

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
    QFont big(QStringLiteral("DejaVu Sans"));
    big.setPixelSize(30);
    l->SetFont(big);
    l->SetFontColor(clRed);
    l->SetPosX(500);
    l->SetPosY(0);
    l->SetCaption(QStringLiteral("W"));
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
