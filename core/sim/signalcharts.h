#pragma once

#include "core/chart/geometry.h"

#include <memory>

class Chart;

// The four charts the traces are drawn into, as the main window stores them: place, margins,
// colours, layer ranges, dotted bit grid, caption placement and the receiver's time axis.
// The main window and the simulator's pictures build them here, so both show the same.
enum class SignalChart { RCA, RCB, RCC, RCD };

// Applies the stored layout of one chart to a chart that is loading (between BeginLoading and
// Loaded): everything but its place in the window.
void ConfigureSignalChart(Chart& chart, SignalChart which);

// One chart without a window, loaded, named and as large as in the main window.
std::unique_ptr<Chart> NewSignalChart(SignalChart which);

// The main window's place of a chart (left, top, width, height).
Rect SignalChartGeometry(SignalChart which);

// The component name of a chart: "RCA" .. "RCD".
const char* SignalChartName(SignalChart which);
