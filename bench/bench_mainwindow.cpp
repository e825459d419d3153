// One update of the main window at spreading factor 20 (compute, plot, draw the four charts),
// split into its shares, and the road from a typed key to painted charts. Beside them, the
// plotting widget a Qt developer would otherwise reach for, drawing the same picture: the
// eleven step traces, each in its band of its plot, with the window's pens, plot sizes and
// colours, the dotted bit grid, the captions and the one axis with numbers.
//
// DSCDMA_BENCH_PICTURES=<folder> writes both pictures there (ours.png, peer.png,
// peer-aliased.png) to compare them by eye.

#include "chart.h"
#include "chartrender.h"
#include "mainfrm.h"
#include "numio.h"
#include "plotsignals.h"
#include "qtcanvas.h"
#include "qtchart.h"
#include "qtconvert.h"
#include "rchart.h"
#include "signalcharts.h"
#include "signalmodel.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
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

SimInput WidestRun(int run = 0)
{
    SimInput in;
    in.SpreadFactor = MaxSpreadFactor;
    in.SetTextA(Runs[std::size_t(run)].textA);
    in.SetTextB(Runs[std::size_t(run)].textB);
    in.KeyA = std::atof(Runs[std::size_t(run)].keyA);
    in.KeyB = std::atof(Runs[std::size_t(run)].keyB);
    in.KeyRx = std::atof(Runs[std::size_t(run)].keyRx);
    return in;
}

// The main window shown offscreen at spreading factor 20, the About box out of the way.
TForm1* g_window = nullptr;

TForm1& Window()
{
    if (!g_window) {
        g_window = new TForm1();
        // A window outliving the application crashes at exit: it goes while the application
        // still runs its clean-up.
        qAddPostRoutine([] { delete std::exchange(g_window, nullptr); });
        g_window->SetModalRunner([](QDialog&) {});
        g_window->show();
        QApplication::processEvents();
        g_window->SBarSpread()->setValue(MaxSpreadFactor);
        QApplication::processEvents();
    }
    return *g_window;
}

// Writes the inputs into the window's fields without their change events.
void SetInputs(TForm1& form, const Inputs& in)
{
    const QSignalBlocker a(form.EdTransA()), b(form.EdTransB()), ka(form.NIOKeyA()), kb(form.NIOKeyB()),
        kd(form.NIOKeyD());
    form.EdTransA()->setText(in.textA);
    form.EdTransB()->setText(in.textB);
    form.NIOKeyA()->setText(in.keyA);
    form.NIOKeyB()->setText(in.keyB);
    form.NIOKeyD()->setText(in.keyRx);
}

// A view that lets the charts paint and takes nothing from them: charts drawn without a window.
class Offscreen final : public ChartView
{
public:
    explicit Offscreen(QSize size)
        : m_size(size)
    {
    }
    QSize ChartViewSize() const override { return m_size; }
    bool ChartViewReady() const override { return true; }
    void ChartViewUpdate(const std::vector<QRect>&) override {}
    void ChartViewMinimumSize(QSize) override {}

private:
    QSize m_size;
};

struct Charts
{
    std::vector<std::unique_ptr<QtChart>> models;
    std::vector<std::unique_ptr<Offscreen>> views;
    TSignalView view;

    explicit Charts(bool painted)
    {
        for (SignalChart which : {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD}) {
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

// --- one full update and its shares -------------------------------------------------------------

// Compute, plot and draw all four charts: each iteration changes every chart.
static void BM_UpdateSimulation(benchmark::State& state)
{
    TForm1& form = Window();
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SetInputs(form, Runs[std::size_t(run)]);
        run ^= 1;
        state.ResumeTiming();
        form.UpdateSimulation();
    }
    state.counters["items"] = form.RCA()->Count() + form.RCB()->Count() + form.RCC()->Count() + form.RCD()->Count();
    if (!PictureFolder().isEmpty()) {
        SetInputs(form, Runs[0]);
        form.UpdateSimulation();
        QApplication::processEvents();
        QDir().mkpath(PictureFolder());
        form.grab(QRect(144, 40, 785, 665)).save(PictureFolder() + "/ours.png");
    }
}
BENCHMARK(BM_UpdateSimulation)->Unit(benchmark::kMicrosecond);

static void BM_UpdateShareCompute(benchmark::State& state)
{
    const SimInput in = WidestRun();
    for (auto _ : state) {
        SimResult r = ComputeSignals(in);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_UpdateShareCompute)->Unit(benchmark::kMicrosecond);

// The same calls into charts without a window: nothing is drawn.
static void BM_UpdateSharePlot(benchmark::State& state)
{
    Charts charts(false);
    const SimResult r[2] = {ComputeSignals(WidestRun(0)), ComputeSignals(WidestRun(1))};
    int run = 0;
    for (auto _ : state) {
        PlotSignals(r[run], false, charts.view);
        run ^= 1;
    }
}
BENCHMARK(BM_UpdateSharePlot)->Unit(benchmark::kMicrosecond);

// Plotting and drawing the items over the cached static pictures: the items' share is this
// less the plotting's.
static void BM_UpdateSharePlotAndItems(benchmark::State& state)
{
    Charts charts(true);
    const SimResult r[2] = {ComputeSignals(WidestRun(0)), ComputeSignals(WidestRun(1))};
    int run = 0;
    for (auto _ : state) {
        PlotSignals(r[run], false, charts.view);
        run ^= 1;
    }
}
BENCHMARK(BM_UpdateSharePlotAndItems)->Unit(benchmark::kMicrosecond);

// The static pictures of the four charts (surround, caption, axis, plot background, grid),
// which an update reuses: drawn only after a change of what they show.
static void BM_StaticPictures(benchmark::State& state)
{
    Charts charts(false);
    PlotSignals(ComputeSignals(WidestRun()), false, charts.view);
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

void FocusReceiverKey(TForm1& form)
{
    SetInputs(form, Runs[0]);
    form.UpdateSimulation();
    TNumIO* field = form.NIOKeyD();
    field->setFocus();
    field->setCursorPosition(2);
    QApplication::processEvents();
}

} // namespace

// The key event, the update it starts and the window's repaint of what changed, as the event
// loop does it.
static void BM_TypedKeyToPaintedCharts(benchmark::State& state)
{
    TForm1& form = Window();
    FocusReceiverKey(form);
    bool erase = true;
    for (auto _ : state) {
        TypeReceiverKey(form, erase);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_TypedKeyToPaintedCharts)->Unit(benchmark::kMicrosecond);

// The key and its update without any painting.
static void BM_TypedKeyShareKeyAndUpdate(benchmark::State& state)
{
    TForm1& form = Window();
    FocusReceiverKey(form);
    bool erase = true;
    for (auto _ : state) {
        TypeReceiverKey(form, erase);
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TypedKeyShareKeyAndUpdate)->Unit(benchmark::kMicrosecond);

// The window's repaint after a keystroke, alone.
static void BM_TypedKeySharePaint(benchmark::State& state)
{
    TForm1& form = Window();
    FocusReceiverKey(form);
    bool erase = true;
    for (auto _ : state) {
        state.PauseTiming();
        TypeReceiverKey(form, erase);
        state.ResumeTiming();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_TypedKeySharePaint)->Unit(benchmark::kMicrosecond);

// The update a keystroke starts, without the key event: the receiver's key alternates between
// 2 and 23 as above.
static void BM_TypedKeyShareUpdate(benchmark::State& state)
{
    TForm1& form = Window();
    FocusReceiverKey(form);
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
BENCHMARK(BM_TypedKeyShareUpdate)->Unit(benchmark::kMicrosecond);

// The same key with the whole window repainted after it, every control included: what a
// forced repaint of the window costs beyond the event loop's.
static void BM_TypedKeyAndWholeWindowRepaint(benchmark::State& state)
{
    TForm1& form = Window();
    FocusReceiverKey(form);
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

using namespace TraceColors;

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

// The four charts as four plots of the common plotting widget, set up to draw what ours draw.
struct PeerPlots
{
    struct Plot
    {
        std::unique_ptr<QCustomPlot> widget;
        std::array<QCPAxis*, 4> layers{}; // value axis of each layer
    };
    std::vector<Plot> plots;
    std::vector<QCPGraph*> graphs;

    explicit PeerPlots(bool antialiased)
    {
        const std::array<SignalChart, 4> which = {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD};
        for (SignalChart w : which) {
            // The stored layout, read from the chart the window would build.
            const std::unique_ptr<Chart> chart = NewSignalChart(w);
            Plot p;
            p.widget = std::make_unique<QCustomPlot>();
            QCustomPlot& plot = *p.widget;
            plot.resize(ToQSize(chart->GetSize()));
            if (!antialiased)
                plot.setNotAntialiasedElements(QCP::aeAll);
            plot.setBackground(ToQColor(chart->WindColor()));
            QCPAxisRect* rect = plot.axisRect();
            rect->setAutoMargins(QCP::msNone);
            rect->setMargins(QMargins(chart->MarginLeft(), chart->MarginTop(), chart->MarginRight() - 1, chart->MarginBottom() - 1));
            rect->setBackground(ToQColor(chart->ChartColor()));
            // The plot frame: four axes without ticks or numbers.
            for (QCPAxis* axis : {plot.xAxis, plot.yAxis, plot.xAxis2, plot.yAxis2}) {
                axis->setVisible(true);
                axis->setTicks(false);
                axis->setTickLabels(false);
                axis->setBasePen(QPen(Qt::black, 1));
                axis->grid()->setVisible(false);
            }
            plot.xAxis->setRange(0, 1000);
            // The dotted bit grid every 125 from the top axis' ticks.
            auto bits = QSharedPointer<QCPAxisTickerFixed>::create();
            bits->setTickStep(125);
            bits->setScaleStrategy(QCPAxisTickerFixed::ssNone);
            plot.xAxis2->setTicker(bits);
            plot.xAxis2->setRange(0, 1000);
            plot.xAxis2->grid()->setVisible(true);
            plot.xAxis2->grid()->setPen(QPen(ToQColor(clSilver), 1, Qt::DotLine));
            if (w == SignalChart::RCD) {
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
                // The axis caption between the numbers, 12 pixels below the axis, as ours.
                auto* unit = new QCPItemText(&plot);
                unit->setClipToAxisRect(false);
                unit->position->setType(QCPItemPosition::ptAbsolute);
                unit->position->setCoords(chart->MarginLeft() + (chart->Width() - chart->MarginLeft() - chart->MarginRight() + 1) / 2,
                                          chart->Height() - chart->MarginBottom() + 12);
                unit->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
                unit->setFont(ToQFont(DefaultChartFont()));
                unit->setText(QString::fromUtf8("µs"));
            }
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
            plots.push_back(std::move(p));
        }
        for (const PeerTrace& t : PeerTraces) {
            Plot& p = plots[std::size_t(t.plot)];
            QCPGraph* graph = p.widget->addGraph(p.widget->xAxis, p.layers[std::size_t(t.layer - 1)]);
            graph->setLineStyle(QCPGraph::lsStepLeft);
            graph->setPen(QPen(ToQColor(t.color), t.width));
            graphs.push_back(graph);
        }
        for (Plot& p : plots)
            p.widget->show();
        QApplication::processEvents();
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

// The peer's replot as it comes (replot(): drawn now, shown at the next paint, as our update),
// with its default antialiasing (1) and without any (0).
static void BM_PeerReplot(benchmark::State& state)
{
    const bool antialiased = state.range(0) != 0;
    PeerPlots peer(antialiased);
    int run = 0;
    for (auto _ : state) {
        peer.update(ComputeSignals(WidestRun(run)), QCustomPlot::rpRefreshHint);
        run ^= 1;
    }
    if (!PictureFolder().isEmpty()) {
        QDir().mkpath(PictureFolder());
        peer.update(ComputeSignals(WidestRun(0)), QCustomPlot::rpRefreshHint);
        peer.picture().save(PictureFolder() + (antialiased ? "/peer.png" : "/peer-aliased.png"));
    }
}
BENCHMARK(BM_PeerReplot)->ArgName("antialiased")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

#endif
