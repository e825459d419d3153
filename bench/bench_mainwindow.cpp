// What an edit costs until the user sees it: one update of the main window (compute, plot,
// draw the four charts) and the event loop's paint of the window that follows, at spreading
// factors 2 to 20, split into its shares; the road from a typed key to painted charts. Beside
// them, the plotting widget a Qt developer would otherwise reach for, drawing the same picture
// into the same window and painting it at once: the eleven step traces, each in its band of its
// plot, with the window's pens, plot sizes and colours, the dotted bit grid, the captions and
// the one axis with numbers.
//
// The ratios that matter, per spreading factor: BM_UpdateAndPaint / BM_UpdateSimulation,
// BM_TypedKeyToPaintedCharts / BM_TypedKeyShareUpdate, BM_PeerReplot / BM_UpdateAndPaint.
// The paint's shares: BM_UpdateShareCopy (the copy to the backing store) and the rest of
// BM_UpdateAndPaint less BM_UpdateSimulation (the event loop, the repaint manager, the result
// label). The update's: compute, plot, items, and compose (BM_UpdateSharePlotAndCompose less
// plot and items).
//
// DSCDMA_BENCH_PICTURES=<folder> writes both pictures there (ours.png, peer.png,
// peer-aliased.png) to compare them by eye.

#include "app/mainfrm.h"
#include "core/chart/chart.h"
#include "core/chart/chartrender.h"
#include "core/sim/plotsignals.h"
#include "core/sim/signalcharts.h"
#include "core/sim/signalmodel.h"
#include "widgets/devicecopy.h"
#include "widgets/numio.h"
#include "widgets/qtcanvas.h"
#include "widgets/qtchart.h"
#include "widgets/qtconvert.h"
#include "widgets/rchart.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTest>

#include <benchmark/benchmark.h>

#ifdef DSCDMA_HAVE_QCUSTOMPLOT
#include <qcustomplot.h>
#endif

#include <array>
#include <memory>
#include <utility>

namespace {

// Two runs that differ in every chart (characters, both keys and the receiver's key), with the
// receiver tuned to channel 1 in both, so that its colour stays.
struct Inputs
{
    const char* textA;
    const char* textB;
    const char* keyA;
    const char* keyB;
    const char* keyRx;
};
constexpr std::array<Inputs, 2> Runs = {{{"Z", "W", "23", "44", "23"}, {"Y", "V", "24", "45", "24"}}};

SimInput RunAt(int spread, int run = 0)
{
    SimInput in;
    in.SpreadFactor = spread;
    in.SetTextA(Runs[std::size_t(run)].textA);
    in.SetTextB(Runs[std::size_t(run)].textB);
    in.KeyA = std::atof(Runs[std::size_t(run)].keyA);
    in.KeyB = std::atof(Runs[std::size_t(run)].keyB);
    in.KeyRx = std::atof(Runs[std::size_t(run)].keyRx);
    return in;
}

void SpreadFactors(benchmark::internal::Benchmark* b)
{
    b->ArgName("spread");
    for (int spread : {2, 8, 14, 20})
        b->Arg(spread);
    b->Unit(benchmark::kMicrosecond);
}

// Adds up the area of the paint events of the charts it watches.
class PaintMeter final : public QObject
{
public:
    qint64 pixels = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                pixels += qint64(r.width()) * r.height();
        return QObject::eventFilter(watched, event);
    }
};

// The main window shown offscreen, the About box out of the way.
TForm1* g_window = nullptr;
PaintMeter* g_meter = nullptr;

TForm1& Window(int spread)
{
    if (!g_window) {
        g_window = new TForm1();
        g_meter = new PaintMeter;
        // A window outliving the application crashes at exit: it goes while the application
        // still runs its clean-up.
        qAddPostRoutine([] {
            delete std::exchange(g_window, nullptr);
            delete std::exchange(g_meter, nullptr);
        });
        g_window->SetModalRunner([](QDialog&) {});
        g_window->show();
        for (TRChart* chart : {g_window->RCA(), g_window->RCB(), g_window->RCC(), g_window->RCD()})
            chart->installEventFilter(g_meter);
        QApplication::processEvents();
    }
    g_window->SBarSpread()->setValue(spread);
    QApplication::processEvents();
    return *g_window;
}

// Writes the inputs into the window's fields without their change events, and lets the fields
// repaint: that belongs to the edit, not to the update measured after it.
void SetInputs(TForm1& form, const Inputs& in)
{
    {
        const QSignalBlocker a(form.EdTransA()), b(form.EdTransB()), ka(form.NIOKeyA()), kb(form.NIOKeyB()),
            kd(form.NIOKeyD());
        form.EdTransA()->setText(in.textA);
        form.EdTransB()->setText(in.textB);
        form.NIOKeyA()->setText(in.keyA);
        form.NIOKeyB()->setText(in.keyB);
        form.NIOKeyD()->setText(in.keyRx);
    }
    QApplication::processEvents();
}

// A view that lets the charts paint and keeps what they ask it to copy: charts drawn without a
// window.
class Offscreen final : public ChartView
{
public:
    explicit Offscreen(QSize size)
        : m_size(size)
    {
    }
    QSize ChartViewSize() const override { return m_size; }
    bool ChartViewReady() const override { return true; }
    void ChartViewUpdate(const std::vector<QRect>& area) override
    {
        for (const QRect& r : area)
            asked += r;
    }
    void ChartViewMinimumSize(QSize) override {}

    QRegion asked;

private:
    QSize m_size;
};

constexpr std::array<SignalChart, 4> AllCharts = {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD};

struct Charts
{
    std::vector<std::unique_ptr<QtChart>> models;
    std::vector<std::unique_ptr<Offscreen>> views;
    TSignalView view;

    explicit Charts(bool painted)
    {
        for (SignalChart which : AllCharts) {
            models.push_back(std::make_unique<QtChart>(NewSignalChart(which)));
            if (painted) {
                views.push_back(std::make_unique<Offscreen>(ToQSize(models.back()->Core().GetSize())));
                models.back()->SetView(views.back().get());
            }
        }
        view = {&models[0]->Core(), &models[1]->Core(), &models[2]->Core(), &models[3]->Core(), {}, {}};
    }
};

QString PictureFolder()
{
    return qEnvironmentVariable("DSCDMA_BENCH_PICTURES");
}

} // namespace

// --- one full update, its paint, and their shares ----------------------------------------------

// Compute, plot and draw all four charts: each iteration changes every chart. The window's
// paint is left out.
static void BM_UpdateSimulation(benchmark::State& state)
{
    TForm1& form = Window(int(state.range(0)));
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SetInputs(form, Runs[std::size_t(run)]);
        run ^= 1;
        state.ResumeTiming();
        form.UpdateSimulation();
    }
    state.counters["items"] = form.RCA()->Count() + form.RCB()->Count() + form.RCC()->Count() + form.RCD()->Count();
    if (!PictureFolder().isEmpty() && state.range(0) == MaxSpreadFactor) {
        SetInputs(form, Runs[0]);
        form.UpdateSimulation();
        QApplication::processEvents();
        QDir().mkpath(PictureFolder());
        form.grab(QRect(144, 40, 785, 665)).save(PictureFolder() + "/ours.png");
    }
}
BENCHMARK(BM_UpdateSimulation)->Apply(SpreadFactors);

// The same update, then the event loop paints the window: what the user sees.
static void BM_UpdateAndPaint(benchmark::State& state)
{
    TForm1& form = Window(int(state.range(0)));
    int run = 0;
    qint64 painted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SetInputs(form, Runs[std::size_t(run)]);
        run ^= 1;
        const qint64 before = g_meter->pixels;
        state.ResumeTiming();
        form.UpdateSimulation();
        QApplication::processEvents();
        state.PauseTiming();
        painted += g_meter->pixels - before;
        state.ResumeTiming();
    }
    state.counters["chart_px"] = benchmark::Counter(double(painted), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_UpdateAndPaint)->Apply(SpreadFactors);

static void BM_UpdateShareCompute(benchmark::State& state)
{
    const SimInput in = RunAt(int(state.range(0)));
    for (auto _ : state) {
        SimResult r = ComputeSignals(in);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_UpdateShareCompute)->Apply(SpreadFactors);

// The same calls into charts without a window: nothing is drawn.
static void BM_UpdateSharePlot(benchmark::State& state)
{
    Charts charts(false);
    const int spread = int(state.range(0));
    const SimResult r[2] = {ComputeSignals(RunAt(spread, 0)), ComputeSignals(RunAt(spread, 1))};
    int run = 0;
    for (auto _ : state) {
        PlotSignals(r[run], false, charts.view);
        run ^= 1;
    }
}
BENCHMARK(BM_UpdateSharePlot)->Apply(SpreadFactors);

// The items, labels and plot frame of the four charts drawn over their frame images, without
// anything restored under them.
static void BM_UpdateShareItems(benchmark::State& state)
{
    Charts charts(true);
    const int spread = int(state.range(0));
    const SimResult r[2] = {ComputeSignals(RunAt(spread, 0)), ComputeSignals(RunAt(spread, 1))};
    std::vector<std::unique_ptr<QtCanvas>> canvases;
    for (const auto& model : charts.models)
        canvases.push_back(std::make_unique<QtCanvas>(model->Core().Width(), model->Core().Height()));
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PlotSignals(r[run], false, charts.view);
        run ^= 1;
        state.ResumeTiming();
        for (std::size_t i = 0; i < charts.models.size(); ++i)
            RenderChart(charts.models[i]->Core().State(), charts.models[i]->Layout(), *canvases[i], ChartParts::Dynamic);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_UpdateShareItems)->Apply(SpreadFactors);

// Plotting, and bringing the frame images up to date: the background drawn again where the
// old traces were, the items over it. The compose share is this less plot and items.
static void BM_UpdateSharePlotAndCompose(benchmark::State& state)
{
    Charts charts(true);
    const int spread = int(state.range(0));
    const SimResult r[2] = {ComputeSignals(RunAt(spread, 0)), ComputeSignals(RunAt(spread, 1))};
    int run = 0;
    for (auto _ : state) {
        PlotSignals(r[run], false, charts.view);
        run ^= 1;
    }
}
BENCHMARK(BM_UpdateSharePlotAndCompose)->Apply(SpreadFactors);

// The copy to the backing store alone: the bands one update asks to repaint, copied from the
// four frame images into a window-sized image of the same format, as the charts' paint does.
static void BM_UpdateShareCopy(benchmark::State& state)
{
    Charts charts(true);
    const int spread = int(state.range(0));
    const SimResult r[2] = {ComputeSignals(RunAt(spread, 0)), ComputeSignals(RunAt(spread, 1))};
    QImage store(TForm1::ClientSize, QImage::Format_RGB32);
    store.fill(Qt::gray);
    PlotSignals(r[0], false, charts.view);
    int run = 1;
    qint64 copied = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (auto& view : charts.views)
            view->asked = QRegion();
        PlotSignals(r[run], false, charts.view);
        run ^= 1;
        state.ResumeTiming();
        QPainter painter(&store);
        for (std::size_t i = 0; i < charts.models.size(); ++i) {
            const QImage& frame = charts.models[i]->FrameImage();
            painter.save();
            painter.translate(ToQRect(SignalChartGeometry(AllCharts[i])).topLeft());
            if (!CopyToPaintDevice(painter, frame, charts.views[i]->asked)) {
                state.SkipWithError("the frame image was not copied");
                return;
            }
            painter.restore();
        }
        state.PauseTiming();
        for (auto& view : charts.views)
            for (const QRect& rect : view->asked)
                copied += qint64(rect.width()) * rect.height();
        state.ResumeTiming();
    }
    state.counters["chart_px"] = benchmark::Counter(double(copied), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_UpdateShareCopy)->Apply(SpreadFactors);

// The static pictures of the four charts (surround, caption, axis, plot background, grid),
// which an update reuses: drawn only after a change of what they show.
static void BM_StaticPictures(benchmark::State& state)
{
    Charts charts(false);
    PlotSignals(ComputeSignals(RunAt(MaxSpreadFactor)), false, charts.view);
    std::vector<std::unique_ptr<QtCanvas>> canvases;
    for (const auto& model : charts.models)
        canvases.push_back(std::make_unique<QtCanvas>(model->Core().Width(), model->Core().Height()));
    for (auto _ : state) {
        for (std::size_t i = 0; i < charts.models.size(); ++i)
            RenderChart(charts.models[i]->Core().State(), charts.models[i]->Layout(), *canvases[i], ChartParts::Static);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StaticPictures)->Unit(benchmark::kMicrosecond);

// --- a typed key --------------------------------------------------------------------------------

namespace {

// Backspace and '3' alternate in the receiver's key field between "2" and "23": each keystroke
// is one update. Key 2 matches no channel, so the receiver chart changes colour every time.
void TypeReceiverKey(TForm1& form, bool& erase)
{
    TNumIO* field = form.NIOKeyD();
    if (erase)
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClick(field, Qt::Key_3);
    erase = !erase;
}

TForm1& FocusReceiverKey(int spread)
{
    TForm1& form = Window(spread);
    SetInputs(form, Runs[0]);
    form.UpdateSimulation();
    TNumIO* field = form.NIOKeyD();
    field->setFocus();
    field->setCursorPosition(2);
    QApplication::processEvents();
    return form;
}

} // namespace

// The key event, the update it starts and the window's repaint of what changed, as the event
// loop does it.
static void BM_TypedKeyToPaintedCharts(benchmark::State& state)
{
    TForm1& form = FocusReceiverKey(int(state.range(0)));
    bool erase = true;
    qint64 painted = 0;
    for (auto _ : state) {
        const qint64 before = g_meter->pixels;
        TypeReceiverKey(form, erase);
        QApplication::processEvents();
        state.PauseTiming();
        painted += g_meter->pixels - before;
        state.ResumeTiming();
    }
    state.counters["chart_px"] = benchmark::Counter(double(painted), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TypedKeyToPaintedCharts)->Apply(SpreadFactors);

// The key and its update without any painting.
static void BM_TypedKeyShareKeyAndUpdate(benchmark::State& state)
{
    TForm1& form = FocusReceiverKey(int(state.range(0)));
    bool erase = true;
    for (auto _ : state) {
        TypeReceiverKey(form, erase);
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TypedKeyShareKeyAndUpdate)->Apply(SpreadFactors);

// The window's repaint after a keystroke, alone.
static void BM_TypedKeySharePaint(benchmark::State& state)
{
    TForm1& form = FocusReceiverKey(int(state.range(0)));
    bool erase = true;
    for (auto _ : state) {
        state.PauseTiming();
        TypeReceiverKey(form, erase);
        state.ResumeTiming();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_TypedKeySharePaint)->Apply(SpreadFactors);

// The update a keystroke starts, without the key event: the receiver's key alternates between
// 2 and 23 as above.
static void BM_TypedKeyShareUpdate(benchmark::State& state)
{
    TForm1& form = FocusReceiverKey(int(state.range(0)));
    Inputs in = Runs[0];
    bool erase = true;
    for (auto _ : state) {
        state.PauseTiming();
        in.keyRx = erase ? "2" : "23";
        erase = !erase;
        SetInputs(form, in);
        state.ResumeTiming();
        form.UpdateSimulation();
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TypedKeyShareUpdate)->Apply(SpreadFactors);

// The same key with the whole window repainted after it, every control included: what a
// forced repaint of the window costs beyond the event loop's.
static void BM_TypedKeyAndWholeWindowRepaint(benchmark::State& state)
{
    TForm1& form = FocusReceiverKey(MaxSpreadFactor);
    bool erase = true;
    for (auto _ : state) {
        TypeReceiverKey(form, erase);
        form.repaint();
    }
}
BENCHMARK(BM_TypedKeyAndWholeWindowRepaint)->Unit(benchmark::kMicrosecond);

#ifdef DSCDMA_HAVE_QCUSTOMPLOT

namespace {

// Major ticks every 200 with three minor ones between, as the receiver chart's time axis.
class TimeTicker final : public QCPAxisTickerFixed
{
protected:
    int getSubTickCount(double) override { return 3; }
};

struct PeerTrace
{
    int plot;
    int layer;
    std::uint32_t color;
    int width;
    double (*sample)(const SimResult&, int n); // 1-based; nullptr for the zero line
    bool perBit;
};

using namespace palette;

// The traces as the plotting draws them, in the same plots, layers, colours and widths.
const PeerTrace PeerTraces[] = {
    {0, 1, DarkRed, 3, [](const SimResult& r, int n) { return double(r.DataA[n - 1]); }, false},
    {0, 2, Black, 1, [](const SimResult& r, int n) { return double(r.ChipsA[n - 1]); }, false},
    {0, 3, Black, 3, [](const SimResult& r, int n) { return double(r.SpreadA[n - 1]); }, false},
    {1, 1, DarkRed, 3, [](const SimResult& r, int n) { return double(r.DataB[n - 1]); }, false},
    {1, 2, Black, 1, [](const SimResult& r, int n) { return double(r.ChipsB[n - 1]); }, false},
    {1, 3, Black, 3, [](const SimResult& r, int n) { return double(r.SpreadB[n - 1]); }, false},
    {2, 1, Navy, 3, [](const SimResult& r, int n) { return double(r.Composite[n - 1]); }, false},
    {3, 1, Black, 1, [](const SimResult& r, int n) { return double(r.RxChips[n - 1]); }, false},
    {3, 2, Navy, 3, [](const SimResult& r, int n) { return double(r.Despread(n)); }, false},
    {3, 3, Silver, 1, nullptr, false},
    {3, 3, Blue, 3, [](const SimResult& r, int n) { return double(r.NegIntegral[n - 1]); }, false},
    {3, 4, DarkRed, 3, [](const SimResult& r, int n) { return double(r.BitSigns[n - 1]); }, true},
};

// The four charts as four plots of the common plotting widget, set up to draw what ours draw,
// in a window of the main window's size at the charts' places.
struct PeerPlots
{
    std::unique_ptr<QWidget> host; // goes after the plots, which it holds
    struct Plot
    {
        std::unique_ptr<QCustomPlot> widget;
        std::array<QCPAxis*, 4> layers{}; // value axis of each layer
    };
    std::vector<Plot> plots;
    std::vector<QCPGraph*> graphs;

    explicit PeerPlots(bool antialiased)
    {
        host = std::make_unique<QWidget>();
        host->setFixedSize(TForm1::ClientSize);
        for (SignalChart w : AllCharts)
            plots.push_back(makePlot(w, antialiased));
        for (const PeerTrace& t : PeerTraces) {
            Plot& p = plots[std::size_t(t.plot)];
            QCPGraph* graph = p.widget->addGraph(p.widget->xAxis, p.layers[std::size_t(t.layer - 1)]);
            graph->setLineStyle(QCPGraph::lsStepLeft);
            graph->setPen(QPen(ToQColor(t.color), t.width));
            graphs.push_back(graph);
        }
        host->show();
        QApplication::processEvents();
    }

    // One chart's plot, from the stored layout of the chart the window would build.
    Plot makePlot(SignalChart w, bool antialiased)
    {
        const std::unique_ptr<Chart> chart = NewSignalChart(w);
        Plot p;
        p.widget = std::make_unique<QCustomPlot>(host.get());
        QCustomPlot& plot = *p.widget;
        plot.setGeometry(ToQRect(SignalChartGeometry(w)));
        if (!antialiased)
            plot.setNotAntialiasedElements(QCP::aeAll);
        plot.setBackground(ToQColor(chart->WindColor()));
        QCPAxisRect* rect = plot.axisRect();
        rect->setAutoMargins(QCP::msNone);
        rect->setMargins(QMargins(chart->MarginLeft(), chart->MarginTop(), chart->MarginRight() - 1, chart->MarginBottom() - 1));
        rect->setBackground(ToQColor(chart->ChartColor()));
        frameAndBitGrid(plot);
        if (w == SignalChart::RCD)
            timeAxis(plot, *chart);
        for (int layer = 1; layer <= 4; ++layer) {
            QCPAxis* axis = layer == 1 ? plot.yAxis : rect->addAxis(QCPAxis::atLeft);
            if (layer > 1)
                axis->setVisible(false);
            axis->setRange(chart->ScaleY(layer).RangeLow(), chart->ScaleY(layer).RangeHigh());
            axis->grid()->setVisible(false);
            p.layers[std::size_t(layer - 1)] = axis;
        }
        auto* caption = new QCPItemText(&plot);
        caption->setClipToAxisRect(false);
        caption->position->setType(QCPItemPosition::ptAbsolute);
        caption->position->setCoords(chart->Width() - chart->MarginRight(), chart->MarginTop() - 16);
        caption->setPositionAlignment(Qt::AlignRight | Qt::AlignTop);
        caption->setFont(ToQFont(DefaultChartFont()));
        caption->setText(QString::fromStdString(chart->Caption().substr(3))); // without the key prefix, as translated
        return p;
    }

    // The plot frame: four axes without ticks or numbers; the dotted bit grid every 125 from the
    // top axis' ticks.
    static void frameAndBitGrid(QCustomPlot& plot)
    {
        for (QCPAxis* axis : {plot.xAxis, plot.yAxis, plot.xAxis2, plot.yAxis2}) {
            axis->setVisible(true);
            axis->setTicks(false);
            axis->setTickLabels(false);
            axis->setBasePen(QPen(Qt::black, 1));
            axis->grid()->setVisible(false);
        }
        plot.xAxis->setRange(0, 1000);
        auto bits = QSharedPointer<QCPAxisTickerFixed>::create();
        bits->setTickStep(125);
        bits->setScaleStrategy(QCPAxisTickerFixed::ssNone);
        plot.xAxis2->setTicker(bits);
        plot.xAxis2->setRange(0, 1000);
        plot.xAxis2->grid()->setVisible(true);
        plot.xAxis2->grid()->setPen(QPen(ToQColor(clSilver), 1, Qt::DotLine));
    }

    // The receiver chart's time axis: ticks, numbers, and the caption between the numbers, 12
    // pixels below the axis, as ours.
    static void timeAxis(QCustomPlot& plot, const Chart& chart)
    {
        QCPAxis* time = plot.xAxis;
        auto ticker = QSharedPointer<TimeTicker>::create();
        ticker->setTickStep(200);
        ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
        time->setTicker(ticker);
        time->setTicks(true);
        time->setTickLabels(true);
        time->setTickLength(0, 7);
        time->setSubTickLength(0, 4);
        time->setTickLabelFont(ToQFont(DefaultChartFont()));
        time->setTickLabelPadding(0);
        auto* unit = new QCPItemText(&plot);
        unit->setClipToAxisRect(false);
        unit->position->setType(QCPItemPosition::ptAbsolute);
        unit->position->setCoords(chart.MarginLeft() + (chart.Width() - chart.MarginLeft() - chart.MarginRight() + 1) / 2,
                                  chart.Height() - chart.MarginBottom() + 12);
        unit->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
        unit->setFont(ToQFont(DefaultChartFont()));
        unit->setText(QString::fromUtf8("µs"));
    }

    // New data for every trace and the receiver's colour, then one replot of each plot.
    void update(const SimResult& r, QCustomPlot::RefreshPriority priority)
    {
        const int n = r.SampleCount();
        for (std::size_t i = 0; i < graphs.size(); ++i) {
            const PeerTrace& t = PeerTraces[i];
            QVector<double> keys, values;
            keys << 0;
            values << 0; // a trace starts with a step up from zero at x = 0
            if (!t.sample) {
                keys << 1000;
                values << 0;
            } else {
                const int count = t.perBit ? BitsPerChar : n;
                const double duration = t.perBit ? BitDuration : r.ChipDuration;
                for (int k = 1; k <= count; ++k) {
                    keys << (k - 1) * duration;
                    values << t.sample(r, k);
                }
                keys << count * duration;
                values << t.sample(r, count);
            }
            graphs[i]->setData(keys, values, true);
        }
        const TColor receiver = r.SelectedChannel == '1' ? ChannelA : r.SelectedChannel == '2' ? ChannelB : White;
        plots[3].widget->axisRect()->setBackground(ToQColor(receiver));
        for (Plot& p : plots)
            p.widget->replot(priority);
    }

    QImage picture() const
    {
        QImage image(785, 665, QImage::Format_RGB32);
        image.fill(ToQColor(clBtnFace));
        QPainter painter(&image);
        const int tops[4] = {0, 144, 296, 384};
        for (std::size_t i = 0; i < plots.size(); ++i)
            painter.drawPixmap(0, tops[i], plots[i].widget->toPixmap());
        return image;
    }
};

} // namespace

// The peer's replot with an immediate refresh: drawn and painted into the window at once, as
// BM_UpdateAndPaint. With its default antialiasing (1) and without any (0).
static void BM_PeerReplot(benchmark::State& state)
{
    const bool antialiased = state.range(0) != 0;
    const int spread = int(state.range(1));
    PeerPlots peer(antialiased);
    int run = 0;
    for (auto _ : state) {
        peer.update(ComputeSignals(RunAt(spread, run)), QCustomPlot::rpImmediateRefresh);
        run ^= 1;
    }
    if (!PictureFolder().isEmpty() && spread == MaxSpreadFactor) {
        QDir().mkpath(PictureFolder());
        peer.update(ComputeSignals(RunAt(spread, 0)), QCustomPlot::rpImmediateRefresh);
        peer.picture().save(PictureFolder() + (antialiased ? "/peer.png" : "/peer-aliased.png"));
    }
}
BENCHMARK(BM_PeerReplot)
    ->ArgNames({"antialiased", "spread"})
    ->ArgsProduct({{1, 0}, {2, 8, 14, 20}})
    ->Unit(benchmark::kMicrosecond);

#endif
