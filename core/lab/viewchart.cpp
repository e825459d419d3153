#include "core/lab/viewchart.h"

#include "core/chart/palette.h"

namespace lab {

namespace {

constexpr int LegendRowPixels = 18;
constexpr int LegendSamplePixels = 26;

} // namespace

std::unique_ptr<Chart> NewViewChart(Size size, const ViewMargins& m, const std::string& caption)
{
    auto chart = std::make_unique<Chart>();
    Chart& c = *chart;
    c.BeginLoading();
    c.Resize(size.width, size.height);
    c.SetAllocSize(8000);
    c.SetAutoRedraw(false);
    c.SetMarginLeft(m.Left);
    c.SetMarginRight(m.Right);
    c.SetMarginTop(m.Top);
    c.SetMarginBottom(m.Bottom);
    c.SetChartColor(palette::White);
    c.SetCaption(caption);
    c.SetCaptionPosX(0);
    c.SetCaptionPosY(-18);
    c.SetCaptionAlignment(taRightJustify);
    c.SetCaptionAnchorHoriz(cahChartRight);
    c.SetCaptionAnchorVert(cavChartTop);
    c.SetGridStyle(gsNone);
    c.SetGridColor(clSilver);
    for (int layer = 1; layer <= 4; ++layer)
        for (ScaleProps* scale : {&c.ScaleX(layer), &c.ScaleY(layer)}) {
            scale->SetMinRange(1e-12);
            scale->SetVisible(false);
            scale->SetColorScale(clBlack);
        }
    return chart;
}

void BeginViewItems(Chart& c)
{
    c.Loaded();
    c.ClearItems();
    c.HideTextLabels();
    for (int i = 1; i <= Chart::LabelCount; ++i)
        c.TextLabel(i)->SetMode(tlOff);
    c.SetActiveLayer(1);
}

PlotBox BoxOf(const Chart& c, int layer)
{
    const ScaleProps& x = c.ScaleX(layer);
    const ScaleProps& y = c.ScaleY(layer);
    return {x.RangeLow(), x.RangeHigh(), y.RangeLow(), y.RangeHigh(), std::max(1, c.Width() - c.MarginLeft() - c.MarginRight()),
            std::max(1, c.Height() - c.MarginTop() - c.MarginBottom())};
}

void SetRanges(Chart& c, int layer, double xLow, double xHigh, double yLow, double yHigh)
{
    c.ScaleX(layer).SetRangeLow(xLow);
    c.ScaleX(layer).SetRangeHigh(xHigh);
    c.ScaleY(layer).SetRangeLow(yLow);
    c.ScaleY(layer).SetRangeHigh(yHigh);
}

void ShowXAxis(Chart& c, int layer, const std::string& caption)
{
    ScaleProps* x = &c.ScaleX(layer);
    x->SetScaleLocation(slBottom);
    x->SetScalePos(0);
    x->SetShortTicks(false);
    x->SetCaption(caption);
    x->SetCaptionPosY(22);
    x->SetCaptionAnchor(uaSclCenter);
    x->SetCaptionAlignment(taCenter);
    x->SetVisible(true);
}

void ShowYAxis(Chart& c, int layer, const std::string& caption)
{
    ScaleProps* y = &c.ScaleY(layer);
    y->SetScaleLocation(slLeft);
    y->SetScalePos(0);
    y->SetCaption(caption);
    y->SetCaptionAnchor(uaSclTopLft);
    y->SetCaptionAlignment(taLeftJustify);
    y->SetCaptionPosX(-c.MarginLeft() + 4);
    y->SetCaptionPosY(-18);
    y->SetVisible(true);
}

TTextLabel* PlaceText(Chart& c, int index, double x, double y, const std::string& text, TColor color,
                      TAlignment alignment, TVerticalAlignment vertical, bool inPixels)
{
    TTextLabel* label = c.TextLabel(index);
    label->SetMode(tlsimple);
    label->SetTransparent(true);
    label->SetAttachToData(inPixels ? tlamNone : tlamBoth);
    label->SetLayer(1);
    label->SetAlignment(alignment);
    label->SetVerticalAlignment(vertical);
    label->SetPosX(x);
    label->SetPosY(y);
    label->SetFontColor(color);
    label->SetCaption(text);
    label->SetVisible(true);
    return label;
}

void LegendRow(Chart& c, const PlotBox& box, int index, int row, TColor color, TPenStyle pen, int width,
               const std::string& text, bool right)
{
    const double y = box.YAt(12 + LegendRowPixels * row);
    const double x0 = right ? box.XAt(box.Width - 12 - LegendSamplePixels) : box.XAt(12);
    const double x1 = x0 + LegendSamplePixels * box.DxPerPixel();
    c.SetActiveLayer(1);
    c.SetDataColor(color);
    c.SetPenStyle(pen);
    c.SetLineWidth(width);
    c.MoveToPoint(x0, y);
    c.LineToPoint(x1, y);
    c.SetPenStyle(psSolid);
    c.SetLineWidth(1);
    TTextLabel* label = right ? PlaceText(c, index, x0 - 6 * box.DxPerPixel(), y, text, palette::Black, taRightJustify, vaCenter)
                              : PlaceText(c, index, x1 + 6 * box.DxPerPixel(), y, text, palette::Black, taLeftJustify, vaCenter);
    // Readable over whatever the curves draw beneath it.
    label->SetTransparent(false);
    label->SetColorBkg(palette::White);
}

} // namespace lab
