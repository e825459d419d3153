#pragma once

#include "core/chart/palette.h"
#include "core/sim/signalmodel.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class Chart;

// Where one run is drawn: the four charts of the main window (or of a picture, or of a web page)
// and the result display. A TRChart shows its Core().
struct TSignalView
{
    Chart* RCA = nullptr; // traces A, B, C
    Chart* RCB = nullptr; // traces D, E, F
    Chart* RCC = nullptr; // trace G
    Chart* RCD = nullptr; // traces H, I, J, K
    // Keyed text lookup (Windows-1252); a key without an entry yields the key itself. Empty
    // means identity.
    std::function<std::string(const std::string& key)> Translate;
    // Shows the received character and the verdict; empty where there is no result display.
    std::function<void(const std::string& recoveredText, bool ok)> ShowResult;
    // Charts, in the order above, that the caller knows to show this run already: left as they
    // are rather than filled and compared again.
    std::array<bool, 4> Unchanged{};
};

// Clears and refills all four charts with the eleven step traces of one run, the explanation
// labels when asked for, and the result display. Every chart repaints once, at its ShowItems.
void PlotSignals(const SimResult& result, bool showExplanations, const TSignalView& view);

// Whether two runs draw the same traces on chart `chart` (0 to 3, RCA to RCD), the receiver's
// chart in the same colour: with the same explanations and layout, the same picture.
bool SamePlot(int chart, const SimResult& a, const SimResult& b);
