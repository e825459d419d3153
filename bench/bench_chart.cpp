// Appending a full receiver-chart run, and drawing the four charts of the main window at
// spreading factor 20, beside plain QPainter polylines of the same points.
#include "core/chart/chartrender.h"
#include "widgets/qtcanvas.h"
#include "widgets/qtconvert.h"
#include "widgets/rchart.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int Spread = 20;
constexpr int Samples = 8 * Spread;
constexpr double Chip = 125.0 / Spread;

struct Trace
{
    int layer;
    TColor color;
    int width;
    std::vector<QPointF> points; // world points: a move, then lines
};

std::vector<double> randomSamples(std::mt19937& gen, std::vector<double> values)
{
    std::uniform_int_distribution<std::size_t> pick(0, values.size() - 1);
    std::vector<double> out;
    for (int i = 0; i < Samples; ++i)
        out.push_back(values[pick(gen)]);
    return out;
}

Trace stepTrace(int layer, TColor color, int width, const std::vector<double>& v)
{
    Trace t{layer, color, width, {{0, 0}}};
    for (std::size_t n = 0; n < v.size(); ++n) {
        t.points.emplace_back(double(n) * Chip, v[n]);
        t.points.emplace_back(double(n + 1) * Chip, v[n]);
    }
    return t;
}

struct ChartSetup
{
    QRect geometry;
    int ml, mr, mt, mb;
    TColor chartColor;
    std::vector<std::array<double, 4>> ranges;
    std::vector<Trace> traces;
};

std::vector<ChartSetup> mainWindowCharts(unsigned seed = 20)
{
    std::mt19937 gen(seed);
    const TColor darkRed = 221;
    auto bits = [&] { return randomSamples(gen, {0, 1}); };
    auto chips = [&] { return randomSamples(gen, {-1, 1}); };
    std::vector<double> data = bits(), data2 = bits();
    std::vector<ChartSetup> setups;
    setups.push_back({{144, 40, 785, 137}, 10, 18, 20, 2, 0xFFDDDD,
                     {{0, 1000, -7.5, 2.5}, {0, 1000, -4, 6}, {0, 1000, -2.5, 17.5}, {0, 1, 0, 1}},
                     {stepTrace(1, darkRed, 3, data), stepTrace(2, clBlack, 1, bits()), stepTrace(3, clBlack, 3, chips())}});
    setups.push_back({{144, 184, 785, 145}, 10, 18, 24, 2, 0xC1EBF9,
                     {{0, 1000, -7, 3}, {0, 1000, -4, 6}, {0, 1000, -2.5, 17.5}, {0, 1, 0, 1}},
                     {stepTrace(1, darkRed, 3, data2), stepTrace(2, clBlack, 1, bits()), stepTrace(3, clBlack, 3, chips())}});
    setups.push_back({{144, 336, 785, 81}, 10, 18, 20, 2, 0xFFFFFF,
                     {{0, 1000, -3, 3}, {0, 1000, 0, 1}, {0, 1000, 0, 1}, {0, 1000, 0, 1}},
                     {stepTrace(1, clNavy, 3, randomSamples(gen, {-2, 0, 2}))}});
    std::vector<double> integral;
    double sum = 0;
    for (int i = 0; i < Samples; ++i) {
        sum += (i % 3) - 1;
        if (i % Spread == Spread - 1)
            sum = 0;
        integral.push_back(-sum);
    }
    Trace zero{3, clSilver, 1, {{0, 0}, {1000, 0}}};
    Trace bitsK{4, darkRed, 3, {{0, 0}}};
    for (int b = 0; b < 8; ++b) {
        bitsK.points.emplace_back(b * 125.0, b % 2 ? 1 : -1);
        bitsK.points.emplace_back((b + 1) * 125.0, b % 2 ? 1 : -1);
    }
    setups.push_back({{144, 424, 785, 281}, 10, 18, 20, 28, 0xFFFFFF,
                     {{0, 1000, -35, 5}, {0, 1000, -18, 8}, {0, 1000, -40, 60}, {0, 1000, -4, 36}},
                     {stepTrace(1, clBlack, 1, chips()), stepTrace(2, clNavy, 3, randomSamples(gen, {-2, 0, 2})), zero,
                      stepTrace(3, clBlue, 3, integral), bitsK}});
    return setups;
}

std::unique_ptr<TRChart> makeChart(const ChartSetup& s, bool axis)
{
    auto c = std::make_unique<TRChart>();
    c->BeginLoading();
    c->setGeometry(s.geometry);
    c->SetAutoRedraw(false);
    c->SetMarginLeft(s.ml);
    c->SetMarginRight(s.mr);
    c->SetMarginTop(s.mt);
    c->SetMarginBottom(s.mb);
    c->SetChartColor(s.chartColor);
    c->SetCaption(QStringLiteral("BF_Chart"));
    c->SetCaptionPosY(-16);
    c->SetGridStyle(gsVertDotLines);
    c->SetGridDx(125);
    c->SetGridColor(clSilver);
    for (int n = 1; n <= int(s.ranges.size()); ++n) {
        const auto& r = s.ranges[std::size_t(n - 1)];
        c->ScaleX(n)->SetRangeLow(r[0]);
        c->ScaleX(n)->SetRangeHigh(r[1]);
        c->ScaleY(n)->SetRangeLow(r[2]);
        c->ScaleY(n)->SetRangeHigh(r[3]);
    }
    if (axis) {
        c->Scale1X()->SetCaption(QString::fromUtf8("µs"));
        c->Scale1X()->SetCaptionPosY(12);
        c->Scale1X()->SetCaptionAnchor(uaSclCenter);
        c->Scale1X()->SetVisible(true);
    }
    c->Loaded();
    return c;
}

void appendTraces(TRChart& c, const ChartSetup& s)
{
    for (const Trace& t : s.traces) {
        c.SetActiveLayer(t.layer);
        c.SetDataColor(t.color);
        c.SetLineWidth(t.width);
        c.MoveToPoint(t.points[0].x(), t.points[0].y());
        for (std::size_t i = 1; i < t.points.size(); ++i)
            c.LineToPoint(t.points[i].x(), t.points[i].y());
    }
    c.SetLineWidth(1);
}

void fill(TRChart& c, const ChartSetup& s)
{
    c.ClearItems();
    appendTraces(c, s);
}

void BM_AppendReceiverRun(benchmark::State& state)
{
    const ChartSetup setup = mainWindowCharts()[3];
    auto chart = makeChart(setup, true);
    for (auto _ : state) {
        chart->ClearItems();
        appendTraces(*chart, setup);
        benchmark::DoNotOptimize(chart->Count());
    }
    state.counters["items"] = chart->Count();
}
BENCHMARK(BM_AppendReceiverRun);

void BM_AppendReceiverRunFloor(benchmark::State& state)
{
    // The same records pushed into a vector that keeps its storage.
    const ChartSetup setup = mainWindowCharts()[3];
    std::vector<TChartItem> items;
    items.reserve(1000);
    for (auto _ : state) {
        items.clear();
        for (const Trace& t : setup.traces)
            for (std::size_t i = 0; i < t.points.size(); ++i)
                items.push_back({t.points[i].x(), t.points[i].y(), t.color, psSolid, t.width, 0,
                                 i ? ikLineTo : ikMoveTo, t.layer});
        benchmark::DoNotOptimize(items.data());
    }
    state.counters["items"] = double(items.size());
}
BENCHMARK(BM_AppendReceiverRunFloor);

// New traces in every chart, then ShowItems: the items are drawn over the kept static
// pictures, where the previous ones were. Appending is BM_AppendReceiverRun's share.
void BM_PaintFourCharts(benchmark::State& state)
{
    const std::vector<ChartSetup> runs[2] = {mainWindowCharts(20), mainWindowCharts(21)};
    std::vector<std::unique_ptr<TRChart>> charts;
    for (std::size_t i = 0; i < runs[0].size(); ++i) {
        charts.push_back(makeChart(runs[0][i], i == 3));
        charts.back()->show();
    }
    int run = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < charts.size(); ++i) {
            fill(*charts[i], runs[run][i]);
            charts[i]->ShowItems();
        }
        run ^= 1;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintFourCharts)->Unit(benchmark::kMicrosecond);

// The static parts (surround, caption, axis, plot background, grid) of the four charts, drawn
// again: what a change of what they show costs, once.
void BM_StaticPartsFourCharts(benchmark::State& state)
{
    const auto setups = mainWindowCharts();
    std::vector<std::unique_ptr<TRChart>> charts;
    std::vector<std::unique_ptr<QtCanvas>> canvases;
    for (std::size_t i = 0; i < setups.size(); ++i) {
        charts.push_back(makeChart(setups[i], i == 3));
        canvases.push_back(std::make_unique<QtCanvas>(setups[i].geometry.width(), setups[i].geometry.height()));
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < charts.size(); ++i)
            RenderChart(charts[i]->Core().State(), charts[i]->Layout(), *canvases[i], ChartParts::Static);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StaticPartsFourCharts)->Unit(benchmark::kMicrosecond);

// The same points as QPainter polylines with the charts' pens, straight onto images.
void BM_PaintFourChartsQPainterPolylines(benchmark::State& state)
{
    const auto setups = mainWindowCharts();
    struct Floor
    {
        QImage image;
        std::vector<std::pair<QPen, std::vector<QPoint>>> polylines;
    };
    std::vector<Floor> floors;
    for (std::size_t i = 0; i < setups.size(); ++i) {
        auto chart = makeChart(setups[i], false);
        Floor f{QImage(setups[i].geometry.size(), QImage::Format_RGB32), {}};
        f.image.fill(Qt::white);
        for (const Trace& t : setups[i].traces) {
            QPen pen(ToQColor(t.color));
            pen.setWidth(t.width <= 1 ? 0 : t.width);
            std::vector<QPoint> pts;
            for (const QPointF& p : t.points)
                pts.push_back(ToQPoint(chart->Mapping().Map(t.layer, p.x(), p.y())));
            f.polylines.emplace_back(pen, std::move(pts));
        }
        floors.push_back(std::move(f));
    }
    for (auto _ : state) {
        for (Floor& f : floors) {
            QPainter painter(&f.image);
            for (const auto& [pen, pts] : f.polylines) {
                painter.setPen(pen);
                painter.drawPolyline(pts.data(), int(pts.size()));
            }
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintFourChartsQPainterPolylines)->Unit(benchmark::kMicrosecond);

} // namespace
