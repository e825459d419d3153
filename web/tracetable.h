#pragma once

// The traces of one run as numbers, per bit period: what the four charts show, for the page's
// text alternative to them.

#include "core/sim/signalmodel.h"

#include <cstdint>
#include <vector>

namespace web {

struct TraceValues
{
    char letter = 'A'; // 'A' to 'K', as the explanations name the traces
    int chart = 0;     // 0 to 3: the charts RCA to RCD
    bool perBit = false; // one value per bit period (A, D, K); otherwise one per chip
    std::vector<std::int32_t> values; // BitsPerChar values, or SampleCount() in bit order
};

// The eleven traces A to K of a run, chart by chart, each as the values it steps through.
std::vector<TraceValues> TraceTable(const SimResult& run);

} // namespace web
