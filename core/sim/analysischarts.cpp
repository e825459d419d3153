#include "core/sim/analysischarts.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/i18n/dictionary.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

using namespace palette;

constexpr int MarginLeft = 44;
constexpr int MarginTop = 24;
constexpr int MarginBottom = 44;
constexpr int LegendTop = MarginTop + 18; // bottom line of the legend's text, in pixels
constexpr int LegendRow = 22;             // from one row of the legend to the next
constexpr int AxisCaptionY = 22;          // the x axis caption's offset below its axis

// Layers: 1 and 2 hold the data, each slot (a bit or a factor) one unit wide from 0; layer 3
// carries the x axis, shifted by half a slot so that its ticks sit under the slots' middles.
// The grid follows layer 1, the active one when the chart is painted, so its dotted lines part
// the slots as they part the bits in the main window.
constexpr int DataLayer = 1;
constexpr int SecondLayer = 2;
constexpr int AxisLayer = 3;

void SetUpFrame(Chart& chart, int marginRight, TColor chartColor, const char* caption)
{
    chart.Resize(Width, Height);
    chart.SetAllocSize(1000);
    chart.SetAutoRedraw(false);
    chart.SetMarginLeft(MarginLeft);
    chart.SetMarginRight(marginRight);
    chart.SetMarginTop(MarginTop);
    chart.SetMarginBottom(MarginBottom);
    chart.SetChartColor(chartColor);
    chart.SetCaption(caption);
    chart.SetCaptionPosX(0);
    chart.SetCaptionPosY(-16);
    chart.SetCaptionAlignment(taRightJustify);
    chart.SetCaptionAnchorHoriz(cahChartRight);
    chart.SetCaptionAnchorVert(cavChartTop);
    chart.SetGridStyle(gsVertDotLines);
    chart.SetGridDx(1);
    chart.SetGridColor(clSilver);
}

// firstSlot is the number the axis shows under the first slot.
std::unique_ptr<Chart> NewChart(int marginRight, TColor chartColor, const char* caption, int slotCount, int firstSlot)
{
    auto chart = std::make_unique<Chart>();
    chart->BeginLoading();
    SetUpFrame(*chart, marginRight, chartColor, caption);
    for (int layer = 1; layer <= 4; ++layer) {
        for (ScaleProps* scale : {&chart->ScaleX(layer), &chart->ScaleY(layer)}) {
            scale->SetMinRange(1e-10);
            scale->SetVisible(false);
            scale->SetColorScale(clBlack);
            scale->SetDecPlaces(0);
        }
        chart->ScaleX(layer).SetRangeLow(0);
        chart->ScaleX(layer).SetRangeHigh(slotCount);
    }
    ScaleProps* axis = &chart->ScaleX(AxisLayer);
    axis->SetRangeLow(firstSlot - 0.5);
    axis->SetRangeHigh(firstSlot + slotCount - 0.5);
    axis->SetScaleLocation(slBottom);
    axis->SetScalePos(0);
    axis->SetMinTicks(slotCount); // a tick per slot
    axis->SetShortTicks(false);
    axis->SetCaptionPosY(AxisCaptionY);
    axis->SetCaptionAnchor(uaSclCenter);
    axis->SetCaptionAlignment(taCenter);
    axis->SetVisible(true);
    return chart;
}

void ShowYAxis(Chart& chart, int layer, TScaleLocation side, TColor color, double low, double high)
{
    ScaleProps* y = &chart.ScaleY(layer);
    y->SetRangeLow(low);
    y->SetRangeHigh(high);
    y->SetScaleLocation(side);
    y->SetScalePos(0);
    y->SetColorScale(color);
    y->SetVisible(true);
}

// A filled bar from 0 to value over [x0, x1] of the active layer: the chart draws lines only,
// so the bar is one zigzag polyline with its vertical strokes half a pixel apart.
void Bar(Chart& chart, double x0, double x1, double value, double halfPixel)
{
    if (value == 0)
        return;
    chart.MoveToPoint(x0, 0);
    bool atValue = false;
    for (double x = x0;; x = std::min(x + halfPixel, x1)) {
        if (x > x0)
            chart.LineToPoint(x, atValue ? value : 0);
        atValue = !atValue;
        chart.LineToPoint(x, atValue ? value : 0);
        if (x >= x1)
            break;
    }
}

double HalfPixel(const Chart& chart, int slotCount)
{
    return slotCount / double(Width - chart.MarginLeft() - chart.MarginRight()) / 2;
}

// A coloured box with its text, the text's bottom line at y; returns the next free x. White text
// on the dark colours, black on grey, which white would make hard to read.
int LegendEntry(Chart& chart, const TextMetrics& metrics, int index, int x, int y, TColor color, const std::string& text)
{
    TTextLabel* label = chart.TextLabel(index);
    label->SetMode(tlBox);
    label->SetAttachToData(tlamNone);
    label->SetAlignment(taLeftJustify);
    label->SetVerticalAlignment(vaBottom);
    label->SetPosX(x);
    label->SetPosY(y);
    label->SetColorBkg(color);
    label->SetColorBorder(clBlack);
    label->SetFontColor(color == Gray ? clBlack : clWhite);
    label->SetCaption(text);
    label->SetVisible(true);
    return x + metrics.measureWidth(label->Font(), text) + 20;
}

// Ends the set-up of a picture's chart and starts its items on an empty list with every label
// free; returns half a pixel in data units.
double BeginItems(Chart& chart, Dictionary& translator, int slotCount)
{
    chart.Loaded();
    chart.TranslateTexts([&translator](std::string& text) { translator.TranslateKeyed(text); });
    chart.ClearItems();
    chart.HideTextLabels();
    for (int i = 1; i <= Chart::LabelCount; ++i)
        chart.TextLabel(i)->SetMode(tlOff);
    return HalfPixel(chart, slotCount);
}

TColor ChannelColor(char selectedChannel)
{
    return selectedChannel == '1' ? ChannelA : selectedChannel == '2' ? ChannelB : White;
}

// The margins' y scale from low to high, titled above it at the top-left corner.
void MarginsScale(Chart& c, double low, double high)
{
    c.ScaleY(DataLayer).SetRangeLow(low);
    c.ScaleY(DataLayer).SetRangeHigh(high);
    ShowYAxis(c, DataLayer, slLeft, clBlack, low, high);
    ScaleProps* y = &c.ScaleY(DataLayer);
    y->SetCaption("BF_Contribution to trace J over the bit (chips)");
    y->SetCaptionAnchor(uaSclTopLft);
    y->SetCaptionAlignment(taLeftJustify);
    y->SetCaptionPosX(-MarginLeft + 4);
    y->SetCaptionPosY(-18);
    c.ScaleX(AxisLayer).SetCaption("BF_Bit (under each bit the decided value: green when right, red when wrong)");
}

// Per bit the two parts as bars, the threshold, and the end value as a thick line.
void MarginBars(Chart& c, const BitMargins& m, double halfPixel)
{
    c.SetActiveLayer(DataLayer);
    const BitValues& left = m.HasWanted ? m.Wanted : m.PartA;
    const BitValues& right = m.HasWanted ? m.Interference : m.PartB;
    for (int bit = 0; bit < BitsPerChar; ++bit) {
        c.SetLineWidth(1);
        c.SetDataColor(Blue);
        Bar(c, bit + 0.17, bit + 0.47, left[bit], halfPixel);
        c.SetDataColor(Gray);
        Bar(c, bit + 0.53, bit + 0.83, right[bit], halfPixel);
    }
    c.SetLineWidth(1);
    c.SetDataColor(Black);
    c.MoveToPoint(0, 0);
    c.LineToPoint(BitsPerChar, 0);
    c.SetLineWidth(3);
    c.SetDataColor(DarkRed);
    for (int bit = 0; bit < BitsPerChar; ++bit) {
        c.MoveToPoint(bit + 0.08, m.EndValue[bit]);
        c.LineToPoint(bit + 0.92, m.EndValue[bit]);
    }
    c.SetLineWidth(1);
}

// Two rows in the band above the largest end value: what the bars are, then what decides.
// Returns the next free label.
int MarginsLegend(Chart& c, const TextMetrics& metrics, Dictionary& translator, const BitMargins& m, char channel)
{
    int label = 1;
    int x = MarginLeft + 10;
    if (m.HasWanted) {
        const std::string other = channel == '1' ? "2" : "1";
        x = LegendEntry(c, metrics, label++, x, LegendTop, Blue,
                        translator.Translate("Wanted signal: what channel <%1%> adds", {std::string(1, channel)}));
        LegendEntry(c, metrics, label++, x, LegendTop, Gray,
                    translator.Translate("Interference: what channel <%1%> adds", {other}));
    } else {
        x = LegendEntry(c, metrics, label++, x, LegendTop, Blue, translator.Translate("What channel 1 adds"));
        LegendEntry(c, metrics, label++, x, LegendTop, Gray, translator.Translate("What channel 2 adds"));
    }
    x = MarginLeft + 10;
    x = LegendEntry(c, metrics, label++, x, LegendTop + LegendRow, DarkRed,
                    translator.Translate("Their sum: trace J at the end of the bit"));
    LegendEntry(c, metrics, label++, x, LegendTop + LegendRow, Black,
                translator.Translate("Threshold 0: a sum of 0 or more decides 1, below 0 decides 0"));
    return label;
}

// Under each bit the decided value, in bold, green when right and red when wrong (black when
// nobody's bit is known), at y in data units.
void DecidedBits(Chart& c, const BitMargins& m, int label, double y)
{
    FontDesc bold = c.TextLabel(label)->Font();
    bold.Style |= fsBold;
    bold.PixelSize = 13;
    bold.PointSize = 0;
    for (int bit = 0; bit < BitsPerChar; ++bit) {
        TTextLabel* decided = c.TextLabel(label++);
        decided->SetMode(tlsimple);
        decided->SetTransparent(true);
        decided->SetAttachToData(tlamBoth);
        decided->SetAlignment(taCenter);
        decided->SetVerticalAlignment(vaTop);
        decided->SetPosX(bit + 0.5);
        decided->SetPosY(y);
        decided->SetFont(bold);
        decided->SetFontColor(!m.HasWanted ? Black : m.BitOk[bit] ? Green : Red);
        decided->SetCaption(std::to_string(m.Decision[bit]));
        decided->SetVisible(true);
    }
}

// Errors 0..8 on the left, margins from 0 to marginsTop on the right, both a little beyond either
// end so that a value of 0 or of the top shows inside the frame; each scale's title in its
// colour, in the corners beside the x axis caption: the legend, outside the plot where neither
// curve can reach it.
void SweepScales(Chart& c, double marginsTop)
{
    constexpr double ErrorsLow = -0.4, ErrorsHigh = BitsPerChar + 0.4;
    const double marginsLow = marginsTop * ErrorsLow / BitsPerChar, marginsHigh = marginsTop * ErrorsHigh / BitsPerChar;
    c.ScaleY(DataLayer).SetRangeLow(ErrorsLow);
    c.ScaleY(DataLayer).SetRangeHigh(ErrorsHigh);
    c.ScaleY(SecondLayer).SetRangeLow(marginsLow);
    c.ScaleY(SecondLayer).SetRangeHigh(marginsHigh);
    ShowYAxis(c, DataLayer, slLeft, Red, ErrorsLow, ErrorsHigh);
    ShowYAxis(c, SecondLayer, slRight, Blue, marginsLow, marginsHigh);
    ScaleProps* errors = &c.ScaleY(DataLayer);
    errors->SetCaption("BF_Bit errors (left scale)");
    errors->SetCaptionAnchor(uaSclBotRgt);
    errors->SetCaptionAlignment(taLeftJustify);
    errors->SetCaptionPosX(-MarginLeft + 4);
    errors->SetCaptionPosY(AxisCaptionY);
    ScaleProps* margins = &c.ScaleY(SecondLayer);
    margins->SetCaption("BF_Smallest margin, |trace J| at a bit's end (right scale)");
    margins->SetCaptionAnchor(uaSclBotRgt);
    margins->SetCaptionAlignment(taRightJustify);
    margins->SetCaptionPosX(c.MarginRight() - 4);
    margins->SetCaptionPosY(AxisCaptionY);
    margins->SetMinTicks(std::clamp(int(marginsTop), 2, 4));
    c.ScaleX(AxisLayer).SetCaption("BF_Spreading factor (chips per bit)");
}

// Bit errors as red bars, the smallest margin as a thick blue step line over a silver zero line.
void SweepTraces(Chart& c, const std::vector<SweepPoint>& sweep, int slotCount, double halfPixel)
{
    c.SetActiveLayer(DataLayer);
    c.SetLineWidth(1);
    c.SetDataColor(Red);
    for (std::size_t i = 0; i < sweep.size(); ++i)
        if (sweep[i].BitErrors)
            Bar(c, i + 0.25, i + 0.75, *sweep[i].BitErrors, halfPixel);
    c.SetActiveLayer(SecondLayer);
    c.SetLineWidth(1);
    c.SetDataColor(Silver);
    c.MoveToPoint(0, 0);
    c.LineToPoint(slotCount, 0);
    c.SetLineWidth(3);
    c.SetDataColor(Blue);
    for (std::size_t i = 0; i < sweep.size(); ++i) {
        const double margin = sweep[i].MinMargin;
        if (i == 0)
            c.MoveToPoint(0, margin);
        c.LineToPoint(double(i), margin);
        c.LineToPoint(double(i + 1), margin);
    }
    c.SetLineWidth(1);
}

void UnknownErrorsNote(Chart& c, Dictionary& translator)
{
    TTextLabel* note = c.TextLabel(3);
    note->SetMode(tlBox);
    note->SetAttachToData(tlamNone);
    note->SetAlignment(taLeftJustify);
    note->SetPosX(MarginLeft + 10);
    note->SetPosY(LegendTop);
    note->SetColorBkg(Yellow);
    note->SetFontColor(Black);
    note->SetCaption(translator.Translate("Bit errors unknown: the receiver key belongs to neither transmitter"));
    note->SetVisible(true);
}

} // namespace

std::unique_ptr<Chart> MarginsChart(const SimResult& r, Dictionary& translator, const TextMetrics& metrics)
{
    const BitMargins m = ComputeMargins(r);
    // Room for the largest end value, 2 x factor, with a band for the legend above and one
    // for the decided bits below.
    const double most = 2.0 * r.SpreadFactor;
    std::unique_ptr<Chart> chart = NewChart(18, ChannelColor(r.SelectedChannel),
                                            "BF_Decision Margins: the Parts of Trace J at the End of Each Bit",
                                            BitsPerChar, 1);
    Chart& c = *chart;
    MarginsScale(c, -1.35 * most, 1.5 * most);
    MarginBars(c, m, BeginItems(c, translator, BitsPerChar));
    const int label = MarginsLegend(c, metrics, translator, m, r.SelectedChannel);
    DecidedBits(c, m, label, -1.08 * most);
    c.SetActiveLayer(DataLayer);
    c.ShowItems();
    return chart;
}

std::unique_ptr<Chart> SweepChart(const std::vector<SweepPoint>& sweep, char selectedChannel, Dictionary& translator)
{
    const int slotCount = MaxSpreadFactor - MinSpreadFactor + 1;
    int largest = 0;
    for (const SweepPoint& p : sweep)
        largest = std::max(largest, p.MinMargin);
    // Margins are whole numbers: the top is one too, at least 2, so that the scale can number
    // whole steps.
    const double step = std::max(1.0, NiceTickStep(0, std::max(largest, 2), 3)->step);
    const double marginsTop = std::max(2.0, std::ceil(largest / step) * step);

    std::unique_ptr<Chart> chart = NewChart(44, ChannelColor(selectedChannel),
                                            "BF_Spreading-Factor Sweep: the Same Characters and Keys at Every Factor",
                                            slotCount, MinSpreadFactor);
    Chart& c = *chart;
    SweepScales(c, marginsTop);
    SweepTraces(c, sweep, slotCount, BeginItems(c, translator, slotCount));
    if (selectedChannel != '1' && selectedChannel != '2')
        UnknownErrorsNote(c, translator);
    c.SetActiveLayer(DataLayer);
    c.ShowItems();
    return chart;
}

} // namespace analysis
