#pragma once

#include "core/chart/canvas.h"
#include "core/chart/chartlayout.h"
#include "core/chart/chartstate.h"
#include "core/chart/geometry.h"

#include <vector>

// What a rendering draws. The static parts change only with the state they show and can be kept
// as a picture; the dynamic parts are drawn over them on every update.
enum class ChartParts
{
    Frame = 1,          // surround, shadow, caption and axes
    PlotBackground = 2, // the plot's background with its outline, and the grid
    Static = 3,
    Dynamic = 4, // items, text labels and the plot frame over them
    All = 7,
};

// Draws a chart from its state and a layout of that state onto any surface, with the chart's
// top-left corner at the surface's (0, 0). Reads both and changes neither; the surface's pen,
// brush and font are set before each use. The plot content is clipped to the plot area.
//
// `damage`, when given, receives rectangles that cover every pixel the dynamic parts drew.
void RenderChart(const ChartState& state, const ChartLayout& layout, Canvas& canvas, ChartParts parts,
                 std::vector<Rect>* damage = nullptr);
