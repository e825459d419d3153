#pragma once

#include "signalmodel.h"

#include <QImage>

class QPainter;

// The four charts of one run as the main window shows them, stacked without the controls: a
// picture of 785 x 665 pixels on the window's button-face colour, each chart at (0, its top in
// the window - 40). Drawn by the same plotting and painting code as the screen.
namespace ChartPicture {

constexpr int Width = 785;
constexpr int Height = 665;

void Paint(const SimResult& result, bool labels, QPainter& painter);
QImage Render(const SimResult& result, bool labels);

} // namespace ChartPicture
