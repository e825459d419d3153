// One update of the main window at spreading factor 20 (compute, plot, paint the four charts),
// split into its shares, and the road from a typed key to painted charts. Beside them, the
// plotting widget a Qt developer would otherwise reach for, drawing the same eleven step traces
// in four plots of the same sizes.

#include "mainfrm.h"
#include "numio.h"
#include "plotsignals.h"
#include "rchart.h"
#include "signalcharts.h"
#include "signalmodel.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <benchmark/benchmark.h>

#ifdef DSCDMA_HAVE_QCUSTOMPLOT
#include <qcustomplot.h>
#endif

#include <memory>

namespace {

SimInput WidestRun()
{
    SimInput in;
    in.SpreadFactor = MaxSpreadFactor;
    return in;
}

// The main window shown offscreen at spreading factor 20, the About box out of the way.
TForm1& Window()
{
    static std::unique_ptr<TForm1> form = [] {
        auto f = std::make_unique<TForm1>();
        f->SetModalRunner([](QDialog&) {});
        f->show();
        QApplication::processEvents();
        f->SBarSpread()->setValue(MaxSpreadFactor);
        QApplication::processEvents();
        return f;
    }();
    return *form;
}

} // namespace

static void BM_UpdateSimulation(benchmark::State& state)
{
    TForm1& form = Window();
    for (auto _ : state)
        form.UpdateSimulation();
    state.counters["items"] = form.RCA()->Count() + form.RCB()->Count() + form.RCC()->Count() + form.RCD()->Count();
}
BENCHMARK(BM_UpdateSimulation)->Unit(benchmark::kMicrosecond);

// The compute share of one update.
static void BM_UpdateShareCompute(benchmark::State& state)
{
    const SimInput in = WidestRun();
    for (auto _ : state) {
        SimResult r = ComputeSignals(in);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_UpdateShareCompute)->Unit(benchmark::kMicrosecond);

// The plotting share: the same calls into charts without a window, so nothing is painted.
static void BM_UpdateSharePlot(benchmark::State& state)
{
    std::vector<std::unique_ptr<ChartModel>> charts;
    for (SignalChart which : {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD})
        charts.push_back(CreateSignalChartModel(which));
    TSignalView view{charts[0].get(), charts[1].get(), charts[2].get(), charts[3].get(), {}, {}};
    const SimResult r = ComputeSignals(WidestRun());
    for (auto _ : state)
        PlotSignals(r, false, view);
}
BENCHMARK(BM_UpdateSharePlot)->Unit(benchmark::kMicrosecond);

// A key typed into the receiver's key field, until the window has painted the new charts.
static void BM_TypedKeyToPaintedCharts(benchmark::State& state)
{
    TForm1& form = Window();
    TNumIO* field = form.NIOKeyD();
    field->setFocus();
    field->setText("23");
    field->setCursorPosition(2);
    bool erase = true;
    for (auto _ : state) {
        // Backspace and '3' alternate between "2" and "23": each keystroke is one full update.
        if (erase)
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClick(field, Qt::Key_3);
        erase = !erase;
        form.repaint();
    }
}
BENCHMARK(BM_TypedKeyToPaintedCharts)->Unit(benchmark::kMicrosecond);

#ifdef DSCDMA_HAVE_QCUSTOMPLOT

namespace {

struct PeerPlots
{
    std::vector<std::unique_ptr<QCustomPlot>> plots;

    explicit PeerPlots(bool antialiased)
    {
        const int heights[4] = {137, 145, 81, 281};
        const int graphs[4] = {3, 3, 1, 4};
        for (int c = 0; c < 4; ++c) {
            auto plot = std::make_unique<QCustomPlot>();
            plot->resize(785, heights[c]);
            if (!antialiased)
                plot->setNotAntialiasedElements(QCP::aeAll);
            for (int g = 0; g < graphs[c]; ++g) {
                QCPGraph* graph = plot->addGraph();
                graph->setLineStyle(QCPGraph::lsStepLeft);
                graph->setPen(QPen(Qt::black, g == 1 ? 1 : 3));
            }
            plot->xAxis->setRange(0, 1000);
            plot->yAxis->setRange(-40, 60);
            plot->show();
            plots.push_back(std::move(plot));
        }
        QApplication::processEvents();
    }

    // New data for the eleven traces, then one immediate replot of each plot.
    void update(const SimResult& r)
    {
        const int n = r.SampleCount();
        auto fill = [&](QCustomPlot& plot, int graph, auto value) {
            QVector<double> keys(n + 1), values(n + 1);
            for (int i = 0; i <= n; ++i) {
                keys[i] = i * r.ChipDuration;
                values[i] = value(i < n ? i + 1 : n);
            }
            plot.graph(graph)->setData(keys, values, true);
        };
        auto of = [](const SampleArray& a) { return [&a](int i) { return double(a[i - 1]); }; };
        fill(*plots[0], 0, of(r.DataA));
        fill(*plots[0], 1, of(r.ChipsA));
        fill(*plots[0], 2, of(r.SpreadA));
        fill(*plots[1], 0, of(r.DataB));
        fill(*plots[1], 1, of(r.ChipsB));
        fill(*plots[1], 2, of(r.SpreadB));
        fill(*plots[2], 0, of(r.Composite));
        fill(*plots[3], 0, of(r.RxChips));
        fill(*plots[3], 1, [&r](int i) { return double(r.Despread(i)); });
        fill(*plots[3], 2, of(r.NegIntegral));
        fill(*plots[3], 3, [&r](int i) { return double(r.BitSigns[(i - 1) / r.SpreadFactor]); });
        for (auto& plot : plots)
            plot->replot(QCustomPlot::rpImmediateRefresh);
    }
};

} // namespace

static void BM_PeerReplot(benchmark::State& state)
{
    PeerPlots peer(state.range(0) != 0);
    const SimInput in = WidestRun();
    for (auto _ : state)
        peer.update(ComputeSignals(in));
}
BENCHMARK(BM_PeerReplot)->ArgName("antialiased")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

#endif
