#include "core/sim/plotsignals.h"

#include "core/chart/chart.h"

namespace {

using namespace palette;

enum class Which { RCA, RCB, RCC, RCD };

enum class Shape {
    Step,     // one horizontal segment per sample over its chip interval, joined by vertical edges
    BitSteps, // the same per bit: trace K
    ZeroLine, // a line along y = 0 over the whole run: the axis of trace J
};

constexpr TColor StoredColor = 0xFFFFFFFF; // the chart's own data colour stays
constexpr int KeptWidth = 0;               // the width the chart was left with stays
constexpr int KeptLayer = 0;               // the active layer stays

struct TraceRow
{
    Which chart;
    int layer;
    TColor color;
    int width;
    Shape shape;
    double (*sample)(const SimResult&, int n); // n is 1-based: a sample, or a bit for BitSteps
    // The move to (0, 0) comes before the colour is set, so it keeps the previous trace's.
    bool moveBeforeColor;
    const char* caption; // none for the zero line
    double captionY;     // world y of the caption on the trace's layer
    bool translated;     // the one caption that goes through the translator
};

// The eleven traces and the zero line in the order they are drawn; within a chart the first
// caption goes into label 1, the others into the next free labels with label 1 as template.
const TraceRow Traces[] = {
    {Which::RCA, 1, DarkRed, 3, Shape::Step, [](const SimResult& r, int n) { return double(r.DataA[n - 1]); }, false,
     "Trace A: Channel 1 Data", 0.5, false},
    {Which::RCA, 2, Black, 1, Shape::Step, [](const SimResult& r, int n) { return double(r.ChipsA[n - 1]); }, true,
     "Trace B: Random Sequence A", 0.5, false},
    {Which::RCA, 3, Black, 3, Shape::Step, [](const SimResult& r, int n) { return double(r.SpreadA[n - 1]); }, false,
     "Trace C: A XOR B", 0, false},
    {Which::RCB, 1, DarkRed, 3, Shape::Step, [](const SimResult& r, int n) { return double(r.DataB[n - 1]); }, false,
     "Trace D: Channel 2 Data", 0.5, true},
    {Which::RCB, 2, Black, 1, Shape::Step, [](const SimResult& r, int n) { return double(r.ChipsB[n - 1]); }, false,
     "Trace E: Random Sequence B", 0.5, false},
    {Which::RCB, 3, Black, 3, Shape::Step, [](const SimResult& r, int n) { return double(r.SpreadB[n - 1]); }, false,
     "Trace F: D XOR E", 0, false},
    {Which::RCC, KeptLayer, StoredColor, 3, Shape::Step, [](const SimResult& r, int n) { return double(r.Composite[n - 1]); },
     false, "Trace G: Composite Signal C+F", 0.5, false},
    {Which::RCD, 1, Black, KeptWidth, Shape::Step, [](const SimResult& r, int n) { return double(r.RxChips[n - 1]); }, false,
     "Trace H: Random Sequence in Receiver", 0.5, false},
    {Which::RCD, 2, Navy, 3, Shape::Step, [](const SimResult& r, int n) { return double(r.Despread(n)); }, false,
     "Trace I: G * H", 0.5, false},
    {Which::RCD, 3, Silver, 1, Shape::ZeroLine, nullptr, true, nullptr, 0, false},
    {Which::RCD, 3, Blue, 3, Shape::Step, [](const SimResult& r, int n) { return double(r.NegIntegral[n - 1]); }, false,
     "Trace J: -1.0 * Integral of Trace I", 0.5, false},
    {Which::RCD, 4, DarkRed, 3, Shape::BitSteps, [](const SimResult& r, int bit) { return double(r.BitSigns[bit - 1]); },
     false, "Trace K: Recovered Signal", 0.5, false},
};

// How many steps a trace draws: a sample each, or a bit each.
int StepCount(const TraceRow& t, const SimResult& r)
{
    return t.shape == Shape::BitSteps ? BitsPerChar : r.SampleCount();
}

void Draw(Chart& c, const TraceRow& t, const SimResult& r)
{
    if (t.layer != KeptLayer)
        c.SetActiveLayer(t.layer);
    if (t.width != KeptWidth)
        c.SetLineWidth(t.width);
    if (t.moveBeforeColor)
        c.MoveToPoint(0, 0);
    if (t.color != StoredColor)
        c.SetDataColor(t.color);
    if (!t.moveBeforeColor)
        c.MoveToPoint(0, 0);
    if (t.shape == Shape::ZeroLine) {
        c.LineToPoint(BitsPerChar * r.SpreadFactor * r.ChipDuration, 0);
        return;
    }
    const bool bits = t.shape == Shape::BitSteps;
    // Times as products of the index, so that every run draws the very same x values.
    auto x = [&](int n) { return bits ? n * r.ChipDuration * r.SpreadFactor : n * r.ChipDuration; };
    const int count = StepCount(t, r);
    for (int n = 1; n <= count; ++n) {
        const double v = t.sample(r, n);
        c.LineToPoint(x(n - 1), v);
        c.LineToPoint(x(n), v);
    }
}

// Labels are created in box mode, so none is free until the plotting frees 2 to 4 for the
// captions that AddTextLabel places after label 1.
void HideLabels(Chart& chart)
{
    chart.HideTextLabels();
    for (int i = 2; i <= 4; ++i)
        chart.TextLabel(i)->SetMode(tlOff);
}

void Explain(Chart& chart, const std::string& caption)
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

void Plot(Chart& c, Which which, const SimResult& r, bool explain, const TSignalView& view)
{
    c.ClearItems();
    bool first = true;
    for (const TraceRow& t : Traces) {
        if (t.chart != which)
            continue;
        Draw(c, t, r);
        if (first)
            HideLabels(c);
        if (explain && t.caption) {
            const std::string caption = t.caption;
            if (first)
                Explain(c, t.translated && view.Translate ? view.Translate(caption) : caption);
            else
                c.AddTextLabel(Black, caption, 1, 990, t.captionY);
        }
        first = false;
    }
    c.SetLineWidth(1);
    c.ShowItems();
}

} // namespace

void PlotSignals(const SimResult& result, bool showExplanations, const TSignalView& view)
{
    // The receiver chart tells which channel it is tuned to; the colour shows at its ShowItems.
    if (!view.Unchanged[3]) {
        switch (result.SelectedChannel) {
        case '1': view.RCD->SetChartColor(view.RCA->ChartColor()); break;
        case '2': view.RCD->SetChartColor(view.RCB->ChartColor()); break;
        default: view.RCD->SetChartColor(White); break;
        }
    }

    Chart* const charts[] = {view.RCA, view.RCB, view.RCC, view.RCD};
    for (int i = 0; i < 4; ++i)
        if (!view.Unchanged[std::size_t(i)])
            Plot(*charts[i], Which(i), result, showExplanations, view);

    if (view.ShowResult)
        view.ShowResult(result.RecoveredText, result.TransmissionOk);
}

bool SamePlot(int chart, const SimResult& a, const SimResult& b)
{
    if (a.SpreadFactor != b.SpreadFactor || a.ChipDuration != b.ChipDuration)
        return false;
    if (chart == int(Which::RCD) && a.SelectedChannel != b.SelectedChannel)
        return false;
    for (const TraceRow& t : Traces) {
        if (int(t.chart) != chart || !t.sample)
            continue;
        const int count = StepCount(t, a);
        for (int n = 1; n <= count; ++n)
            if (t.sample(a, n) != t.sample(b, n))
                return false;
    }
    return true;
}
