#pragma once

#include <QRect>

class QWidget;
class TRChart;

// The four charts the traces are drawn into, as the main window stores them: place, margins,
// colours, layer ranges, dotted bit grid, caption placement and the receiver's time axis.
// The main window and the simulator's pictures build them here, so both show the same.
enum class SignalChart { RCA, RCB, RCC, RCD };

// Creates and configures one chart; its geometry is the one it has in the main window.
TRChart* CreateSignalChart(QWidget* parent, SignalChart which);

// The main window's place of a chart (left, top, width, height).
QRect SignalChartGeometry(SignalChart which);
