#pragma once

#include "core/chart/canvas.h"

#include <QImage>

#include <functional>

class QPainter;
class Chart;

// A picture of one chart of the simulator (the margins, the sweep, the bit-error rates) as a
// file holds it: the chart on the window's button-face colour, its top-left at (0, 0).
namespace analysispicture {

// Text widths as the screen measures them in a font, which the pictures' legends are laid out by.
class ScreenTextMetrics final : public TextMetrics
{
public:
    int measureWidth(const FontDesc& font, std::string_view text) const override;
    int measureHeight(const FontDesc& font, std::string_view text) const override;
};

void Paint(const Chart& chart, QPainter& painter);
// The button-face colour over `size`, then `draw` on a canvas of that size.
void PaintWith(Size size, QPainter& painter, const std::function<void(Canvas&)>& draw);
QImage Render(const Chart& chart);

} // namespace analysispicture
