#include "web/tracetable.h"

namespace web {
namespace {

TraceValues Chips(char letter, int chart, const SampleArray& samples, int count)
{
    return {letter, chart, false, std::vector<std::int32_t>(samples.begin(), samples.begin() + count)};
}

// A data trace holds its bit over the whole bit period: the first chip of each period says it.
TraceValues Bits(char letter, int chart, const SampleArray& samples, int spread)
{
    TraceValues t{letter, chart, true, {}};
    for (int bit = 0; bit < BitsPerChar; ++bit)
        t.values.push_back(samples[std::size_t(bit * spread)]);
    return t;
}

} // namespace

std::vector<TraceValues> TraceTable(const SimResult& run)
{
    const int n = run.SampleCount();
    SampleArray despread{};
    for (int i = 1; i <= n; ++i)
        despread[std::size_t(i - 1)] = run.Despread(i);
    return {
        Bits('A', 0, run.DataA, run.SpreadFactor),
        Chips('B', 0, run.ChipsA, n),
        Chips('C', 0, run.SpreadA, n),
        Bits('D', 1, run.DataB, run.SpreadFactor),
        Chips('E', 1, run.ChipsB, n),
        Chips('F', 1, run.SpreadB, n),
        Chips('G', 2, run.Composite, n),
        Chips('H', 3, run.RxChips, n),
        Chips('I', 3, despread, n),
        Chips('J', 3, run.NegIntegral, n),
        {'K', 3, true, std::vector<std::int32_t>(run.BitSigns.begin(), run.BitSigns.end())},
    };
}

} // namespace web
