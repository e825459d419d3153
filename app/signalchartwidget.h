#pragma once

#include "core/sim/signalcharts.h"

class QWidget;
class TRChart;

// Creates and configures one chart widget at its place in the main window, with the stored
// configuration of the core's signal charts.
TRChart* CreateSignalChart(QWidget* parent, SignalChart which);
