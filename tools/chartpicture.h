#pragma once

#include "core/sim/signalmodel.h"

#include <QImage>
#include <QPoint>

class Chart;
class QPainter;

// The four charts of one run as the main window shows them, stacked without the controls: a
// picture of 785 x 665 pixels on the window's button-face colour, each chart at (0, its top in
// the window - 40). Drawn by the same plotting and drawing code as the screen, without widgets.
namespace chartpicture {

constexpr int Width = 785;
constexpr int Height = 665;

void Paint(const SimResult& result, bool labels, QPainter& painter);
QImage Render(const SimResult& result, bool labels);

// One chart with its top-left corner at `origin`, onto any painter: an image, an SVG file.
void PaintChart(QPainter& painter, QPoint origin, const Chart& chart);

} // namespace chartpicture
