#pragma once

// The signals view: the main window's recovered signals with noise and more users. For the first
// few bits of a set-up, in bands from the top: the decoded user's data, its chips, what arrives
// from every user with the noise, the correlator's running sum over each bit, and the decision
// at each bit's end, its digit green where it is right and red where it is wrong.

#include "core/chart/geometry.h"
#include "core/lab/labtraces.h"

#include <memory>

class Chart;
class Dictionary;

namespace lab {

constexpr int TracesBands = 5;

// `rx` names the decoded user in the texts. Throws std::invalid_argument for no bits or more than
// MaxTraceBits.
std::unique_ptr<Chart> TracesChart(const LabTraces& traces, int rx, Dictionary& translator, Size size);

} // namespace lab
