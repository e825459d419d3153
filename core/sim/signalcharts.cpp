#include "core/sim/signalcharts.h"

#include "core/chart/chart.h"
#include "core/sim/plotsignals.h"

#include <array>

namespace {

struct Range
{
    double low, high;
};

struct StoredChart
{
    const char* name;
    Rect geometry;
    int marginLeft, marginRight, marginTop, marginBottom;
    TColor chartColor;
    TColor dataColor;
    const char* caption;
    std::array<Range, 4> x, y; // layers 1 to 4
};

// Each trace has a layer of its own; the y ranges stack the traces of a chart in bands.
const std::array<StoredChart, 4> Layouts = {{
    {"RCA", {144, 40, 785, 137}, 10, 18, 20, 2, palette::ChannelA, clBlack, "BF_Channel 1",
     {{{0, 1000}, {0, 1000}, {0, 1000}, {0, 1}}},
     {{{-7.5, 2.5}, {-4, 6}, {-2.5, 17.5}, {0, 1}}}},
    {"RCB", {144, 184, 785, 145}, 10, 18, 24, 2, palette::ChannelB, clBlack, "BF_Channel 2",
     {{{0, 1000}, {0, 1000}, {0, 1000}, {0, 1}}},
     {{{-7, 3}, {-4, 6}, {-2.5, 17.5}, {0, 1}}}},
    {"RCC", {144, 336, 785, 81}, 10, 18, 20, 2, clWhite, clNavy, "BF_Transmitted Composite Signal",
     {{{0, 1000}, {0, 1000}, {0, 1000}, {0, 1000}}},
     {{{-3, 3}, {0, 1}, {0, 1}, {0, 1}}}},
    {"RCD", {144, 424, 785, 281}, 10, 18, 20, 28, clWhite, clBlack, "BF_Recovered Signals",
     {{{0, 1000}, {0, 1000}, {0, 1000}, {0, 1000}}},
     {{{-35, 5}, {-18, 8}, {-40, 60}, {-4, 36}}}},
}};

const StoredChart& LayoutOf(SignalChart which)
{
    return Layouts[static_cast<std::size_t>(which)];
}

} // namespace

Rect SignalChartGeometry(SignalChart which)
{
    return LayoutOf(which).geometry;
}

const char* SignalChartName(SignalChart which)
{
    return LayoutOf(which).name;
}

void ConfigureSignalChart(Chart& chart, SignalChart which)
{
    const StoredChart& layout = LayoutOf(which);
    chart.SetAllocSize(1000);
    chart.SetAutoRedraw(false);
    chart.SetClassDefault(0);
    chart.SetMarginLeft(layout.marginLeft);
    chart.SetMarginRight(layout.marginRight);
    chart.SetMarginTop(layout.marginTop);
    chart.SetMarginBottom(layout.marginBottom);
    chart.SetChartColor(layout.chartColor);
    chart.SetDataColor(layout.dataColor);
    chart.SetCaption(layout.caption);
    chart.SetCaptionPosX(0);
    chart.SetCaptionPosY(-16);
    chart.SetCaptionAlignment(taRightJustify);
    chart.SetCaptionAnchorHoriz(cahChartRight);
    chart.SetCaptionAnchorVert(cavChartTop);
    chart.SetGridStyle(gsVertDotLines);
    chart.SetGridDx(125);
    chart.SetGridColor(clSilver);
    chart.SetShadowStyle(ssFlying);
    chart.SetShadowColor(clGrayText);
    chart.SetShadowBakColor(clBtnFace);
    for (int layer = 1; layer <= 4; ++layer) {
        ScaleProps* x = &chart.ScaleX(layer);
        ScaleProps* y = &chart.ScaleY(layer);
        x->SetMinRange(1e-10);
        y->SetMinRange(1e-10);
        x->SetRangeLow(layout.x[layer - 1].low);
        x->SetRangeHigh(layout.x[layer - 1].high);
        y->SetRangeLow(layout.y[layer - 1].low);
        y->SetRangeHigh(layout.y[layer - 1].high);
        x->SetScaleLocation(slBottom);
        y->SetScaleLocation(slLeft);
        x->SetVisible(false);
        y->SetVisible(false);
    }
    if (which == SignalChart::RCD) {
        // The only visible axis: time in microseconds under the receiver's traces.
        ScaleProps* time = &chart.ScaleX(1);
        time->SetCaption("\xB5s"); // Windows-1252
        time->SetCaptionPosY(12);
        time->SetCaptionAnchor(uaSclCenter);
        time->SetCaptionAlignment(taCenter);
        time->SetVisible(true);
    }
}

std::unique_ptr<Chart> NewSignalChart(SignalChart which)
{
    auto chart = std::make_unique<Chart>();
    chart->BeginLoading();
    chart->SetName(LayoutOf(which).name);
    chart->Resize(LayoutOf(which).geometry.width, LayoutOf(which).geometry.height);
    ConfigureSignalChart(*chart, which);
    chart->Loaded();
    return chart;
}
