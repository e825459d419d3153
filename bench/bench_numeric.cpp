#include "core/numeric/numparse.h"
#include "widgets/numlab.h"
#include "widgets/qtcanvas.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

// Every keystroke in a key field parses its whole text once (more with a rejected edit).
void BM_ParseKeyTexts(benchmark::State& state)
{
    const std::vector<std::string> texts = {"23", "-1000000", "$ff", "%101", "&17", "2.5e3", "1e5000", "12x", ""};
    for (auto _ : state)
        for (const std::string& t : texts)
            benchmark::DoNotOptimize(ParseText(t, itDynamic, dsDot));
    state.SetItemsProcessed(state.iterations() * int64_t(texts.size()));
}
BENCHMARK(BM_ParseKeyTexts);

// A 4000-digit mantissa: the longest texts stay cheap.
void BM_ParseLongText(benchmark::State& state)
{
    const std::string text = "1" + std::string(4000, '0') + "e-4200";
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseText(text, itDynamic, dsDot));
}
BENCHMARK(BM_ParseLongText);

// One scroll-bar step repaints the processing-gain label through its off-screen image.
void BM_PaintProcessingGainLabel(benchmark::State& state)
{
    TNumLab lab;
    lab.resize(169, 22);
    lab.SetLeftText("Processing Gain");
    lab.SetLeftSpace(108);
    lab.SetLabelWidth(50);
    lab.SetDisplayType(TNumLab::dtInt);
    double v = 2;
    for (auto _ : state) {
        lab.SetValue(v);
        v = v >= 20 ? 2 : v + 1;
        QtCanvas canvas(169, 22);
        lab.Paint(canvas);
        benchmark::DoNotOptimize(canvas.image().constBits());
    }
}
BENCHMARK(BM_PaintProcessingGainLabel);

} // namespace
