#include "analysispicture.h"

#include "chart.h"
#include "cp1252.h"
#include "dictionary.h"
#include "plotsignals.h"
#include "qtcanvas.h"
#include "qtconvert.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

using namespace TraceColors;

constexpr TColor Gray = 0x808080;
constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x008000;

constexpr int MarginLeft = 44;
constexpr int MarginTop = 24;
constexpr int MarginBottom = 44;
constexpr int LegendTop = MarginTop + 18; // bottom line of the legend's text, in pixels

// Layers: 1 and 2 hold the data, each slot (a bit or a factor) one unit wide from 0; layer 3
// carries the x axis, shifted by half a slot so that its ticks sit under the slots' middles.
// The grid follows layer 1, the active one when the chart is painted, so its dotted lines part
// the slots as they part the bits in the main window.
constexpr int DataLayer = 1;
constexpr int SecondLayer = 2;
constexpr int AxisLayer = 3;

// firstSlot is the number the axis shows under the first slot.
std::unique_ptr<Chart> NewChart(int marginRight, TColor chartColor, const char* caption, int slotCount, int firstSlot)
{
    auto chart = std::make_unique<Chart>();
    chart->BeginLoading();
    chart->Resize(AnalysisPicture::Width, AnalysisPicture::Height);
    chart->SetAllocSize(1000);
    chart->SetAutoRedraw(false);
    chart->SetMarginLeft(MarginLeft);
    chart->SetMarginRight(marginRight);
    chart->SetMarginTop(MarginTop);
    chart->SetMarginBottom(MarginBottom);
    chart->SetChartColor(chartColor);
    chart->SetCaption(caption);
    chart->SetCaptionPosX(0);
    chart->SetCaptionPosY(-16);
    chart->SetCaptionAlignment(taRightJustify);
    chart->SetCaptionAnchorHoriz(cahChartRight);
    chart->SetCaptionAnchorVert(cavChartTop);
    chart->SetGridStyle(gsVertDotLines);
    chart->SetGridDx(1);
    chart->SetGridColor(clSilver);
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
    axis->SetCaptionPosY(22);
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
    return slotCount / double(AnalysisPicture::Width - chart.MarginLeft() - chart.MarginRight()) / 2;
}

// A row of coloured boxes with white text along the top of the plot; returns the next free x.
int LegendEntry(Chart& chart, int index, int x, TColor color, const std::string& text)
{
    TTextLabel* label = chart.TextLabel(index);
    label->SetMode(tlBox);
    label->SetAttachToData(tlamNone);
    label->SetAlignment(taLeftJustify);
    label->SetVerticalAlignment(vaBottom);
    label->SetPosX(x);
    label->SetPosY(LegendTop);
    label->SetColorBkg(color);
    label->SetColorBorder(clBlack);
    label->SetFontColor(clWhite);
    label->SetCaption(text);
    label->SetVisible(true);
    return x + QFontMetrics(ToQFont(label->Font())).horizontalAdvance(cp1252::ToQString(text)) + 20;
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

} // namespace

std::unique_ptr<Chart> AnalysisPicture::MarginsChart(const SimResult& r, Dictionary& translator)
{
    const BitMargins m = ComputeMargins(r);
    const int slotCount = BitsPerChar;
    // Room for the largest end value, 2 x factor, with a band for the legend above and one
    // for the decided bits below.
    const double most = 2.0 * r.SpreadFactor;
    const double low = -1.35 * most;
    const double high = 1.5 * most;

    std::unique_ptr<Chart> chart = NewChart(18, ChannelColor(r.SelectedChannel),
                                              "BF_Decision Margins: the Parts of Trace J at the End of Each Bit", slotCount, 1);
    Chart& c = *chart;
    c.ScaleY(DataLayer).SetRangeLow(low);
    c.ScaleY(DataLayer).SetRangeHigh(high);
    ShowYAxis(c, DataLayer, slLeft, clBlack, low, high);
    c.ScaleX(AxisLayer).SetCaption("BF_Bit (under each bit the decided value: green when right, red when wrong)");
    const double halfPixel = BeginItems(c, translator, slotCount);
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
    c.LineToPoint(slotCount, 0);
    c.SetLineWidth(3);
    c.SetDataColor(DarkRed);
    for (int bit = 0; bit < BitsPerChar; ++bit) {
        c.MoveToPoint(bit + 0.08, m.EndValue[bit]);
        c.LineToPoint(bit + 0.92, m.EndValue[bit]);
    }
    c.SetLineWidth(1);

    int label = 1;
    int x = MarginLeft + 10;
    const std::string channel(1, r.SelectedChannel);
    const std::string other = r.SelectedChannel == '1' ? "2" : "1";
    if (m.HasWanted) {
        x = LegendEntry(c, label++, x, Blue, translator.Translate("Wanted: channel <%1%>", {channel}));
        x = LegendEntry(c, label++, x, Gray, translator.Translate("Interference: channel <%1%>", {other}));
    } else {
        x = LegendEntry(c, label++, x, Blue, translator.Translate("Part of channel 1"));
        x = LegendEntry(c, label++, x, Gray, translator.Translate("Part of channel 2"));
    }
    x = LegendEntry(c, label++, x, DarkRed, translator.Translate("End value of trace J"));
    LegendEntry(c, label++, x, Black, translator.Translate("Threshold 0: below decides 0, from it up 1"));

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
        decided->SetPosY(-1.08 * most);
        decided->SetFont(bold);
        decided->SetFontColor(!m.HasWanted ? Black : m.BitOk[bit] ? Green : Red);
        decided->SetCaption(std::to_string(m.Decision[bit]));
        decided->SetVisible(true);
    }
    c.SetActiveLayer(DataLayer);
    c.ShowItems();
    return chart;
}

std::unique_ptr<Chart> AnalysisPicture::SweepChart(const std::vector<SweepPoint>& sweep, char selectedChannel,
                                                  Dictionary& translator)
{
    const int slotCount = MaxSpreadFactor - MinSpreadFactor + 1;
    // Errors 0..8 and margins 0..40 share the grid at one error per five margin units; both
    // start a little below 0, so that a margin of 0 shows above the plot's frame.
    constexpr double ErrorsLow = -0.4, ErrorsHigh = 11.6;
    constexpr double MarginsLow = 5 * ErrorsLow, MarginsHigh = 5 * ErrorsHigh;

    std::unique_ptr<Chart> chart = NewChart(44, ChannelColor(selectedChannel),
                                              "BF_Spreading-Factor Sweep: the Same Characters and Keys at Every Factor", slotCount,
                                              MinSpreadFactor);
    Chart& c = *chart;
    c.ScaleY(DataLayer).SetRangeLow(ErrorsLow);
    c.ScaleY(DataLayer).SetRangeHigh(ErrorsHigh);
    c.ScaleY(SecondLayer).SetRangeLow(MarginsLow);
    c.ScaleY(SecondLayer).SetRangeHigh(MarginsHigh);
    ShowYAxis(c, DataLayer, slLeft, Red, ErrorsLow, ErrorsHigh);
    ShowYAxis(c, SecondLayer, slRight, Blue, MarginsLow, MarginsHigh);
    c.ScaleX(AxisLayer).SetCaption("BF_Spreading factor (chips per bit)");
    const double halfPixel = BeginItems(c, translator, slotCount);
    const bool known = selectedChannel == '1' || selectedChannel == '2';
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

    int x = MarginLeft + 10;
    x = LegendEntry(c, 1, x, Red, translator.Translate("Bit errors (left scale)"));
    LegendEntry(c, 2, x, Blue, translator.Translate("Smallest |end value| of trace J (right scale)"));
    if (!known) {
        TTextLabel* note = c.TextLabel(3);
        note->SetMode(tlBox);
        note->SetAttachToData(tlamNone);
        note->SetAlignment(taLeftJustify);
        note->SetPosX(MarginLeft + 10);
        note->SetPosY(LegendTop + 22);
        note->SetColorBkg(Yellow);
        note->SetFontColor(Black);
        note->SetCaption(translator.Translate("Bit errors unknown: the receiver key belongs to neither transmitter"));
        note->SetVisible(true);
    }
    c.SetActiveLayer(DataLayer);
    c.ShowItems();
    return chart;
}

void AnalysisPicture::Paint(const Chart& chart, QPainter& painter)
{
    painter.fillRect(0, 0, Width, Height, ToQColor(clBtnFace));
    QtCanvas canvas(painter, QPoint(0, 0), ToQSize(chart.GetSize()));
    chart.RenderTo(canvas);
}

QImage AnalysisPicture::Render(const Chart& chart)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter painter(&image);
    Paint(chart, painter);
    return image;
}
