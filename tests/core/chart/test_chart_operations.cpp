// The chart's published operations without any window: pen stamping, layers and ranges,
// labels, joint layers and their errors, change tracking and when it asks to be painted.
#include "tests/core/chart/chart_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace charttest;

namespace {

// --- pen state and display list ---------------------------------------------------------------

TEST(ChartState, ItemsKeepThePenStateOfTheirAppendTime)
{
    Chart c;
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
    Chart c;
    c.SetActiveLayer(4);
    c.SetDataColor(clRed);
    c.SetLineWidth(3);
    c.TextLabel(2)->SetCaption(std::string("kept"));
    c.ScaleY(4).SetRangeLow(-4);
    for (int i = 0; i < 1500; ++i)
        c.LineToPoint(i, i);
    c.ClearItems();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Capacity(), 0u);
    EXPECT_EQ(c.ActiveLayer(), 4);
    EXPECT_EQ(c.DataColor(), clRed);
    EXPECT_EQ(c.LineWidth(), 3);
    EXPECT_EQ(c.TextLabel(2)->Caption(), std::string("kept"));
    EXPECT_EQ(c.ScaleY(4).RangeLow(), -4);
    c.LineToPoint(5, 6); // a list may start with a line
    EXPECT_EQ(c.Items()[0].Kind, ikLineTo);
}

TEST(ChartState, OutOfRangeSettersAreIgnored)
{
    Chart c;
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
    Chart c;
    EXPECT_EQ(c.Width(), 280);
    EXPECT_EQ(c.Height(), 200);
    EXPECT_EQ(c.AllocSize(), 1000);
    EXPECT_TRUE(c.AutoRedraw());
    EXPECT_EQ(c.MarginLeft(), 50);
    EXPECT_EQ(c.MarginRight(), 10);
    EXPECT_EQ(c.MarginTop(), 16);
    EXPECT_EQ(c.MarginBottom(), 32);
    EXPECT_EQ(c.ShadowWidth(), 0);
    EXPECT_EQ(c.ShadowStyle(), ssFlying);
    EXPECT_EQ(c.ShadowColor(), clGrayText);
    EXPECT_EQ(c.ShadowBakColor(), clBtnFace);
    EXPECT_EQ(c.ChartFrameColor(), clBlack);
    EXPECT_EQ(c.FillColor(), 0xC0C0C0u);
    EXPECT_EQ(c.ChartColor(), 0xFFFFFFu);
    EXPECT_EQ(c.WindColor(), clBtnFace);
    EXPECT_EQ(c.GridStyle(), gsNone);
    EXPECT_EQ(c.Caption(), "");
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
        EXPECT_EQ(c.ScaleX(n).RangeLow(), 0);
        EXPECT_EQ(c.ScaleX(n).RangeHigh(), 1);
        EXPECT_FALSE(c.ScaleY(n).Visible());
        EXPECT_EQ(c.ScaleX(n).MinRange(), 1e-10);
        EXPECT_EQ(c.ScaleX(n).ColorScale(), axisColors[n - 1]);
        EXPECT_EQ(c.ScaleY(n).ColorScale(), axisColors[n - 1]);
        EXPECT_EQ(c.ScaleX(n).ScalePos(), ((n - 1) / 2) * 30);
        EXPECT_EQ(c.ScaleY(n).ScalePos(), ((n - 1) / 2) * 50);
        // the published side reads bottom / left, the drawn side alternates
        EXPECT_EQ(c.ScaleX(n).ScaleLocation(), slBottom);
        EXPECT_EQ(c.ScaleY(n).ScaleLocation(), slLeft);
        EXPECT_EQ(c.ScaleX(n).EffectiveLocation(), n % 2 ? slBottom : slTop);
        EXPECT_EQ(c.ScaleY(n).EffectiveLocation(), n % 2 ? slLeft : slRight);
        EXPECT_EQ(c.XScaleDrawer(n).Name(), "RC_FScale_X_" + std::to_string(n));
        EXPECT_EQ(c.YScaleDrawer(n).Name(), "RC_FScale_Y_" + std::to_string(n));
        EXPECT_EQ(c.Joints().XControlledBy(n), n);
        EXPECT_EQ(c.Joints().YControlledBy(n), n);
    }
    // the accessor falls back to layer 1
    EXPECT_EQ(&c.ScaleX(0), &c.ScaleX(1));
    EXPECT_EQ(&c.ScaleY(17), &c.ScaleY(1));
}

TEST(ChartState, MinimumSizeFollowsTheMargins)
{
    Chart c;
    c.SetMarginLeft(10);
    c.SetMarginRight(18);
    c.SetMarginTop(20);
    c.SetMarginBottom(28);
    c.Resize(50, 30);
    EXPECT_EQ(c.Width(), 10 + 18 + 80);
    EXPECT_EQ(c.Height(), 20 + 28 + 20);
}

// --- ranges -----------------------------------------------------------------------------------

TEST(ChartRanges, SettersKeepTheEndsMinRangeApart)
{
    Chart c;
    ScaleProps* s = &c.ScaleX(1);
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
    Chart c;
    ScaleProps* s = &c.ScaleY(2);
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
    Chart c;
    c.BeginLoading();
    c.ScaleX(1).SetLogarithmic(true);
    c.Loaded();
    EXPECT_TRUE(c.ScaleX(1).Logarithmic());
}

// --- joint layers -----------------------------------------------------------------------------

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EOrnRChartError& e) {
        return e.Message();
    }
    return "<no error>";
}

TEST(ChartJointLayers, OneLevelRulesAndMessages)
{
    Chart c;
    JointLayers* j = &c.Joints();
    c.ScaleX(1).SetRangeLow(-3);
    c.ScaleX(1).SetRangeHigh(7);
    c.ScaleY(1).SetRangeHigh(42);
    j->SetXControlledBy(2, 1);
    EXPECT_EQ(j->XControlledBy(2), 1);
    EXPECT_EQ(c.ScaleX(2).RangeLow(), -3);
    EXPECT_EQ(c.ScaleX(2).RangeHigh(), 7);
    EXPECT_EQ(c.ScaleY(2).RangeHigh(), 1); // the y range stays

    struct Row { int layer, dest; const char* message; };
    const Row rows[] = {
        {1, 3, "Layer 1 is joined by other layers (2)"},
        {3, 2, "Destination layer 2 is already joined"},
        {3, 0, "Destination layer 0 is out of range"},
        {3, 17, "Destination layer 17 is out of range"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(errorOf([&] { j->SetXControlledBy(r.layer, r.dest); }), std::string(r.message));
        for (int n = 1; n <= 16; ++n)
            ASSERT_EQ(j->XControlledBy(n), n == 2 ? 1 : n) << "table changed by " << r.message;
    }
    j->SetXControlledBy(5, 1);
    EXPECT_EQ(errorOf([&] { j->SetXControlledBy(1, 3); }), std::string("Layer 1 is joined by other layers (2, 5)"));

    // the controlling layer's later changes reach the joined ones
    c.ScaleX(1).SetRangeHigh(99);
    EXPECT_EQ(c.ScaleX(2).RangeHigh(), 99);
    EXPECT_EQ(c.ScaleX(5).RangeHigh(), 99);

    j->SetXControlledBy(2, 2); // released
    EXPECT_EQ(j->XControlledBy(2), 2);
    c.ScaleX(1).SetRangeHigh(50);
    EXPECT_EQ(c.ScaleX(2).RangeHigh(), 99);
}

TEST(ChartJointLayers, YTableWorksTheSameWayOnYRanges)
{
    Chart c;
    c.ScaleY(3).SetRangeLow(-40);
    c.ScaleY(3).SetRangeHigh(60);
    c.Joints().SetYControlledBy(4, 3);
    EXPECT_EQ(c.ScaleY(4).RangeLow(), -40);
    EXPECT_EQ(c.ScaleY(4).RangeHigh(), 60);
    EXPECT_EQ(c.ScaleX(4).RangeHigh(), 1);
    EXPECT_EQ(c.Joints().XControlledBy(4), 4);
    EXPECT_EQ(errorOf([&] { c.Joints().SetYControlledBy(5, 4); }),
              std::string("Destination layer 4 is already joined"));
}

// --- labels -----------------------------------------------------------------------------------

TEST(ChartLabels, IndexOutsideTheArrayRaisesWithTheComponentName)
{
    Chart c;
    c.SetName("RCB");
    for (int bad : {0, 31, -7})
        EXPECT_EQ(errorOf([&] { c.TextLabel(bad); }),
                  std::string("Component \"RCB\": invalid index into TextLabel array"));
    EXPECT_NE(c.TextLabel(1), nullptr);
    EXPECT_NE(c.TextLabel(30), nullptr);
    EXPECT_NE(c.TextLabel(1), c.TextLabel(30));
}

TEST(ChartLabels, NoFreeLabelMeansZeroAndNoChange)
{
    Chart c;
    EXPECT_EQ(c.AddTextLabel(clRed, std::string("x"), 0, 1, 2), 0);
    for (int i = 1; i <= 30; ++i) {
        EXPECT_TRUE(c.TextLabel(i)->Caption().empty());
        EXPECT_FALSE(c.TextLabel(i)->Visible());
    }
    c.TextLabel(1)->SetVisible(true);
    c.HideTextLabels();
    EXPECT_FALSE(c.TextLabel(1)->Visible());
    EXPECT_EQ(c.TextLabel(1)->Mode(), tlBox); // hiding frees nothing
}

TEST(ChartLabels, AddWithoutTemplateGivesASimpleLabelOnTheChartBackground)
{
    Chart c;
    c.SetChartColor(0xFFDDDD);
    c.SetChartFrameColor(0x112233);
    c.SetActiveLayer(3);
    freeLabels(c, 2);
    c.TextLabel(2)->SetShadowDx(9);
    c.TextLabel(2)->SetVerticalAlignment(vaTop);
    const int i = c.AddTextLabel(clRed, std::string("hello"), 31, 990, 0.5); // 31: no template
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
    EXPECT_EQ(l->Caption(), std::string("hello"));
    EXPECT_EQ(l->FontColor(), clRed);
    EXPECT_EQ(l->Mode(), tlsimple);
    EXPECT_EQ(l->VerticalAlignment(), vaTop); // left as it was
    EXPECT_TRUE(l->Visible());
}

TEST(ChartLabels, AddWithTemplateCopiesItsLookAndMode)
{
    Chart c;
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
    EXPECT_EQ(c.AddTextLabel(clBlack, std::string("B"), 1, 990, 0.5), 2);
    EXPECT_EQ(c.AddTextLabel(clBlack, std::string("C"), 1, 990, 0), 3);
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
    EXPECT_EQ(c.AddTextLabel(clBlack, std::string("D"), 1, 0, 0), 1);
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
    l.SetCaption(std::string("a"));
    l.SetVisible(true);
    l.SetFontColor(clRed);
    l.SetMode(tlShadow);
    l.SetCaption(std::string("a")); // same value: still stored and announced
    EXPECT_EQ(fired, 8);
    l.SetLayer(40); // ignored
    EXPECT_EQ(fired, 8);
}

// --- what a shell learns: paint requests, change bits, versions --------------------------------

struct Presenter final : ChartPresenter
{
    std::vector<ChartPaintScope> paints;
    std::vector<Size> minimums;
    void ChartPaint(ChartPaintScope scope) override { paints.push_back(scope); }
    void ChartMinimumSizeChanged(Size minimum) override { minimums.push_back(minimum); }
};

TEST(ChartPresenting, ShowItemsAsksForTheWholeChartOrThePlotAloneByAutoRedraw)
{
    Chart c;
    Presenter p;
    c.SetPresenter(&p);
    ASSERT_EQ(p.minimums.size(), 1u); // told at once
    EXPECT_EQ(p.minimums[0], (Size{50 + 10 + 80, 16 + 32 + 20}));
    c.ShowItems();
    c.SetAutoRedraw(false);
    c.ShowItems();
    EXPECT_EQ(p.paints, (std::vector<ChartPaintScope>{ChartPaintScope::PlotArea, ChartPaintScope::Whole}));
}

TEST(ChartPresenting, AppearanceRepaintsOnlyWithAutoRedrawAndScalesAlways)
{
    Chart c;
    Presenter p;
    c.SetPresenter(&p);
    c.SetAutoRedraw(false);
    c.SetChartColor(clRed);
    c.SetCaption("x");
    c.SetActiveLayer(2);
    c.TextLabel(1)->SetCaption("y");
    c.MoveToPoint(1, 1);
    EXPECT_TRUE(p.paints.empty());
    c.ScaleX(1).SetRangeHigh(10); // a scale change paints whatever AutoRedraw says
    EXPECT_EQ(p.paints.size(), 1u);
    c.SetAutoRedraw(true);
    c.SetChartColor(clRed); // unchanged: nothing to show
    EXPECT_EQ(p.paints.size(), 1u);
    c.SetChartColor(clBlue);
    c.SetActiveLayer(3);
    c.TextLabel(1)->SetCaption("z");
    EXPECT_EQ(p.paints.size(), 4u);
    // one paint for the whole set-up of an added label
    freeLabels(c);
    const std::size_t before = p.paints.size();
    c.AddTextLabel(clBlack, "l", 0, 0, 0);
    EXPECT_EQ(p.paints.size(), before + 1);
    c.SetMarginLeft(70);
    ASSERT_EQ(p.minimums.size(), 2u);
    EXPECT_EQ(p.minimums[1].width, 70 + 10 + 80);
}

TEST(ChartPresenting, NothingIsAskedForWhileLoading)
{
    Chart c;
    Presenter p;
    c.SetPresenter(&p);
    c.BeginLoading();
    c.ScaleX(1).SetRangeHigh(10);
    c.SetCaption("x");
    c.ShowItems();
    EXPECT_TRUE(p.paints.empty());
    c.Loaded(); // the first paint
    EXPECT_EQ(p.paints, std::vector<ChartPaintScope>{ChartPaintScope::Whole});
    c.SetPresenter(nullptr);
    c.ShowItems(); // no presenter: nothing to ask, nothing fails
    EXPECT_EQ(p.paints.size(), 1u);
}

TEST(ChartChanges, EachChangeSetsWhatItInvalidatesAndCountsUp)
{
    struct Row
    {
        const char* what;
        std::function<void(Chart&)> change;
        unsigned bits;
    };
    const Row rows[] = {
        {"item", [](Chart& c) { c.LineToPoint(1, 2); }, ChangeItems},
        {"clear", [](Chart& c) { c.ClearItems(); }, ChangeItems},
        {"active layer", [](Chart& c) { c.SetActiveLayer(2); }, ChangeItems},
        {"label", [](Chart& c) { c.TextLabel(3)->SetPosX(5); }, ChangeLabels},
        {"plot colour", [](Chart& c) { c.SetChartColor(clRed); }, ChangePlotBackground},
        {"grid colour", [](Chart& c) { c.SetGridColor(clRed); }, ChangePlotBackground},
        {"frame colour", [](Chart& c) { c.SetChartFrameColor(clRed); }, ChangePlotBackground},
        {"surround", [](Chart& c) { c.SetWindColor(clRed); }, ChangeStaticPicture},
        {"shadow", [](Chart& c) { c.SetShadowColor(clRed); }, ChangeStaticPicture},
        {"caption", [](Chart& c) { c.SetCaption("c"); }, ChangeLayout},
        {"grid", [](Chart& c) { c.SetGridStyle(gsLines); }, ChangeLayout},
        {"margin", [](Chart& c) { c.SetMarginTop(3); }, ChangeLayout},
        {"size", [](Chart& c) { c.Resize(400, 300); }, ChangeLayout},
        {"range", [](Chart& c) { c.ScaleY(4).SetRangeLow(-1); }, ChangeLayout},
        {"join", [](Chart& c) { c.Joints().SetXControlledBy(2, 1); }, ChangeLayout},
    };
    for (const Row& r : rows) {
        Chart c;
        c.SetAutoRedraw(false);
        c.ClearChanges(~0u);
        const std::uint64_t version = c.Version();
        r.change(c);
        EXPECT_EQ(c.Changes() & r.bits, r.bits) << r.what;
        EXPECT_EQ(c.Changes() & ~r.bits, 0u) << r.what << " marks more than it changed";
        EXPECT_GT(c.Version(), version) << r.what;
    }
}

TEST(ChartChanges, SettingTheSameValueChangesNothing)
{
    Chart c;
    c.SetCaption("a");
    c.SetChartColor(clRed);
    c.ScaleX(1).SetRangeHigh(5);
    c.ClearChanges(~0u);
    const std::uint64_t version = c.Version();
    c.SetCaption("a");
    c.SetChartColor(clRed);
    c.ScaleX(1).SetRangeHigh(5);
    c.SetActiveLayer(1);
    c.SetActiveLayer(0); // ignored
    EXPECT_EQ(c.Changes(), 0u);
    EXPECT_EQ(c.Version(), version);
}

TEST(ChartChanges, TheLayoutClearsItsOwnBitsAndFollowsTheActiveLayersGrid)
{
    Chart c;
    configureRca(c);
    c.Layout();
    EXPECT_EQ(c.Changes() & (ChangeStaticLayout | ChangeLabels), 0u);
    c.ClearChanges(~0u);
    // The grid is laid out for the layer active when it is drawn.
    c.SetActiveLayer(4);
    c.Layout();
    EXPECT_EQ(c.Changes() & ChangePlotBackground, unsigned(ChangePlotBackground));
    EXPECT_EQ(c.Layout().grid.layer, 4);
    EXPECT_EQ(c.Layout().grid.lines.size(), 1u);
}

TEST(ChartTexts, TranslateTextsWalksTheCaptionAndTheFirstFourLayersScales)
{
    Chart c;
    c.SetCaption("BF_Chart");
    c.ScaleX(1).SetCaption("BF_Time");
    c.ScaleY(4).SetScaleInscript("BF_Inscript");
    c.ScaleX(5).SetCaption("BF_Hidden"); // layers 5 to 16 are not published
    std::vector<std::string> seen;
    c.TranslateTexts([&](std::string& text) {
        if (!text.empty())
            seen.push_back(text);
        if (text.rfind("BF_", 0) == 0)
            text = "<" + text.substr(3) + ">";
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"BF_Chart", "BF_Time", "BF_Inscript"}));
    EXPECT_EQ(c.Caption(), "<Chart>");
    EXPECT_EQ(c.ScaleX(1).Caption(), "<Time>");
    EXPECT_EQ(c.ScaleY(4).ScaleInscript(), "<Inscript>");
    EXPECT_EQ(c.ScaleX(5).Caption(), "BF_Hidden");
}

TEST(ChartTexts, EveryByteOfACaptionIsDrawnAsItStands)
{
    std::string all;
    for (int b = 1; b < 256; ++b) // a line feed splits only labels, not the caption
        all.push_back(char(b));
    all.push_back('\0');
    Chart c;
    configureRca(c);
    c.SetCaption(all);
    c.TextLabel(1)->SetCaption(all);
    c.TextLabel(1)->SetVisible(true);
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    std::string label;
    bool caption = false;
    for (const auto& op : canvas.ops(RecordingCanvas::OpKind::Text)) {
        caption = caption || op.text == all;
        if (op.text != all)
            label += op.text + "\n";
    }
    EXPECT_TRUE(caption);
    EXPECT_EQ(label, all.substr(0, 9) + "\n" + all.substr(10) + "\n"); // split at the line feed, byte 10
}

TEST(ChartBadInput, ItemsWrittenStraightIntoTheListDrawWithinTheDrawingRange)
{
    Chart c;
    configureRca(c);
    ChartItemList& list = c.ItemStorage();
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    list.Append({0, 0, clBlack, psSolid, 1, 0, ikMoveTo, 1});
    list.Append({nan, inf, 0xFFFFFFFF, TPenStyle(200), -5, 255, ikLineTo, 999});
    list.Append({-inf, 1e308, clRed, psDot, 100000, 7, ikLineTo, -3});
    list.Append({5, 5, clRed, psDot, 1, 0, 77, 2}); // a kind this chart does not draw
    RecordingCanvas canvas;
    c.RenderTo(canvas);
    for (const auto& op : canvas.ops())
        for (const Point& p : op.points) {
            ASSERT_LE(std::abs(p.x), 30000);
            ASSERT_LE(std::abs(p.y), 30000);
        }
    for (const auto& op : canvas.ops(RecordingCanvas::OpKind::Polyline))
        EXPECT_LE(op.pen.width, 255);
}

} // namespace
