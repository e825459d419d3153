// The core's share of an update at spreading factor 20, with no window system: plotting a run
// into the four charts, laying them out and drawing them onto a recording canvas.
#include "core/chart/chart.h"
#include "core/chart/recordingcanvas.h"
#include "core/sim/plotsignals.h"
#include "core/sim/signalcharts.h"
#include "core/sim/signalmodel.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

struct Charts
{
    std::vector<std::unique_ptr<Chart>> charts;
    TSignalView view;

    Charts()
    {
        for (SignalChart which : {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD})
            charts.push_back(NewSignalChart(which));
        view.RCA = charts[0].get();
        view.RCB = charts[1].get();
        view.RCC = charts[2].get();
        view.RCD = charts[3].get();
    }
};

SimResult Run(double keyRx)
{
    SimInput in;
    in.SpreadFactor = MaxSpreadFactor;
    in.KeyRx = keyRx;
    return ComputeSignals(in);
}

} // namespace

static void BM_CorePlot(benchmark::State& state)
{
    Charts c;
    const SimResult r[2] = {Run(23), Run(24)};
    int run = 0;
    for (auto _ : state) {
        PlotSignals(r[run], false, c.view);
        run ^= 1;
    }
}
BENCHMARK(BM_CorePlot)->Unit(benchmark::kMicrosecond);

static void BM_CorePlotAndRecord(benchmark::State& state)
{
    Charts c;
    const SimResult r[2] = {Run(23), Run(24)};
    int run = 0;
    std::size_t ops = 0;
    for (auto _ : state) {
        PlotSignals(r[run], state.range(0) != 0, c.view);
        run ^= 1;
        for (const auto& chart : c.charts) {
            RecordingCanvas canvas(chart->Width(), chart->Height());
            RenderChart(chart->State(), chart->Layout(), canvas, ChartParts::All);
            ops += canvas.ops().size();
        }
    }
    state.counters["ops"] = benchmark::Counter(double(ops), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CorePlotAndRecord)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
