#include "plotsignals.h"

#include "rchart.h"

namespace {

using namespace TraceColors;

// One horizontal segment per sample over its chip interval, joined by vertical edges.
template <typename Sample>
void Samples(TRChart& chart, const SimResult& r, Sample value)
{
    for (int n = 1; n <= r.SampleCount(); ++n) {
        const double v = value(n);
        chart.LineToPoint((n - 1) * r.ChipDuration, v);
        chart.LineToPoint(n * r.ChipDuration, v);
    }
}

template <typename Sample>
void StepTrace(TRChart& chart, const SimResult& r, Sample value)
{
    chart.MoveToPoint(0, 0);
    Samples(chart, r, value);
}

auto Of(const SampleArray& a)
{
    return [&a](int n) { return a[n - 1]; };
}

// Labels are created in box mode, so none is free until the plotting frees 2 to 4 for the
// captions that AddTextLabel places after label 1.
void HideLabels(TRChart& chart)
{
    chart.HideTextLabels();
    for (int i = 2; i <= 4; ++i)
        chart.TextLabel(i)->SetMode(tlOff);
}

void Explain(TRChart& chart, const QString& caption)
{
    TTextLabel* label = chart.TextLabel(1);
    label->SetMode(tlBox);
    label->SetPosX(990);
    label->SetPosY(0.5);
    label->SetAttachToData(tlamBoth);
    label->SetAlignment(taRightJustify);
    label->SetColorBkg(Yellow);
    label->SetFontColor(Black);
    label->SetCaption(caption);
    label->SetVisible(true);
}

void PlotChannelA(TRChart& c, const SimResult& r, bool explain)
{
    c.ClearItems();
    c.SetActiveLayer(1);
    c.SetDataColor(DarkRed);
    c.SetLineWidth(3);
    StepTrace(c, r, Of(r.DataA));
    c.SetLineWidth(1);
    HideLabels(c);
    if (explain)
        Explain(c, "Trace A: Channel 1 Data");
    c.SetActiveLayer(2);
    c.MoveToPoint(0, 0);
    c.SetDataColor(Black);
    Samples(c, r, Of(r.ChipsA));
    if (explain)
        c.AddTextLabel(Black, "Trace B: Random Sequence A", 1, 990, 0.5);
    c.SetActiveLayer(3);
    c.SetLineWidth(3);
    c.SetDataColor(Black);
    StepTrace(c, r, Of(r.SpreadA));
    if (explain)
        c.AddTextLabel(Black, "Trace C: A XOR B", 1, 990, 0);
    c.SetLineWidth(1);
    c.ShowItems();
}

void PlotChannelB(TRChart& c, const SimResult& r, bool explain, const TSignalView& view)
{
    c.ClearItems();
    c.SetActiveLayer(1);
    c.SetDataColor(DarkRed);
    c.SetLineWidth(3);
    StepTrace(c, r, Of(r.DataB));
    HideLabels(c);
    if (explain) {
        const QString key = "Trace D: Channel 2 Data";
        Explain(c, view.Translate ? view.Translate(key) : key);
    }
    c.SetActiveLayer(2);
    c.SetDataColor(Black);
    c.SetLineWidth(1);
    StepTrace(c, r, Of(r.ChipsB));
    if (explain)
        c.AddTextLabel(Black, "Trace E: Random Sequence B", 1, 990, 0.5);
    c.SetActiveLayer(3);
    c.SetLineWidth(3);
    c.SetDataColor(Black);
    StepTrace(c, r, Of(r.SpreadB));
    if (explain)
        c.AddTextLabel(Black, "Trace F: D XOR E", 1, 990, 0);
    c.SetLineWidth(1);
    c.ShowItems();
}

void PlotComposite(TRChart& c, const SimResult& r, bool explain)
{
    c.ClearItems();
    c.SetLineWidth(3);
    StepTrace(c, r, Of(r.Composite));
    c.SetLineWidth(1);
    HideLabels(c);
    if (explain)
        Explain(c, "Trace G: Composite Signal C+F");
    c.ShowItems();
}

void PlotReceiver(TRChart& c, const SimResult& r, bool explain)
{
    c.ClearItems();
    c.SetDataColor(Black);
    c.SetActiveLayer(1);
    StepTrace(c, r, Of(r.RxChips)); // with the width the previous run left, 1
    HideLabels(c);
    if (explain)
        Explain(c, "Trace H: Random Sequence in Receiver");
    c.SetActiveLayer(2);
    c.SetLineWidth(3);
    c.SetDataColor(Navy);
    StepTrace(c, r, [&r](int n) { return r.Despread(n); });
    if (explain)
        c.AddTextLabel(Black, "Trace I: G * H", 1, 990, 0.5);
    c.SetActiveLayer(3);
    c.SetLineWidth(1);
    c.MoveToPoint(0, 0);
    c.SetDataColor(Silver);
    c.LineToPoint(BitsPerChar * r.SpreadFactor * r.ChipDuration, 0);
    c.SetLineWidth(3);
    c.SetDataColor(Blue);
    StepTrace(c, r, Of(r.NegIntegral));
    if (explain)
        c.AddTextLabel(Black, "Trace J: -1.0 * Integral of Trace I", 1, 990, 0.5);
    c.SetActiveLayer(4);
    c.SetLineWidth(3);
    c.SetDataColor(DarkRed);
    c.MoveToPoint(0, 0);
    for (int bit = 1; bit <= BitsPerChar; ++bit) {
        c.LineToPoint((bit - 1) * r.ChipDuration * r.SpreadFactor, r.BitSigns[bit - 1]);
        c.LineToPoint(bit * r.ChipDuration * r.SpreadFactor, r.BitSigns[bit - 1]);
    }
    c.SetLineWidth(1);
    if (explain)
        c.AddTextLabel(Black, "Trace K: Recovered Signal", 1, 990, 0.5);
    c.ShowItems();
}

} // namespace

void PlotSignals(const SimResult& result, bool showExplanations, const TSignalView& view)
{
    // The receiver chart tells which channel it is tuned to; the colour shows at its ShowItems.
    switch (result.SelectedChannel) {
    case '1': view.RCD->SetChartColor(view.RCA->ChartColor()); break;
    case '2': view.RCD->SetChartColor(view.RCB->ChartColor()); break;
    default: view.RCD->SetChartColor(White); break;
    }

    PlotChannelA(*view.RCA, result, showExplanations);
    PlotChannelB(*view.RCB, result, showExplanations, view);
    PlotComposite(*view.RCC, result, showExplanations);
    PlotReceiver(*view.RCD, result, showExplanations);

    if (view.ShowResult)
        view.ShowResult(result.RecoveredText, result.TransmissionOk);
}
