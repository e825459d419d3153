#pragma once

// What the lab's view charts share, in the style of the main window's charts: a frame of a
// given size with a white plot and the caption above it at the right, axes that a view shows
// as it needs them, texts pinned in pixels or in data units, and legend rows. Every text comes
// translated; the charts are built only through the chart's published operations.

#include "core/chart/chart.h"

#include <memory>
#include <string>

namespace lab {

struct ViewMargins
{
    int Left = 56;
    int Right = 16;
    int Top = 26;
    int Bottom = 44;
};

// A layer's data box and the plot's size in pixels: marks and legend samples keep their size
// on screen at every chart size.
struct PlotBox
{
    double XLow = 0, XHigh = 1, YLow = 0, YHigh = 1;
    int Width = 1, Height = 1;

    double DxPerPixel() const { return (XHigh - XLow) / Width; }
    double DyPerPixel() const { return (YHigh - YLow) / Height; }
    // The data point `px` pixels right of the plot's left edge and `py` pixels below its top.
    double XAt(double px) const { return XLow + px * DxPerPixel(); }
    double YAt(double py) const { return YHigh - py * DyPerPixel(); }
};

// A chart of `size` (raised to what the margins need), still loading, every axis hidden, no
// grid: the caller sets its axes, then calls BeginViewItems.
std::unique_ptr<Chart> NewViewChart(Size size, const ViewMargins& margins, const std::string& caption);
// Ends the set-up, empties the items and frees every label.
void BeginViewItems(Chart& chart);
// Layer `layer`'s data box over the plot.
PlotBox BoxOf(const Chart& chart, int layer);

// Sets layer `layer`'s ranges, both axes hidden.
void SetRanges(Chart& chart, int layer, double xLow, double xHigh, double yLow, double yHigh);
// Shows layer `layer`'s x axis along the bottom, captioned below it.
void ShowXAxis(Chart& chart, int layer, const std::string& caption);
// Shows layer `layer`'s y axis along the left, captioned above it at the plot's left corner.
void ShowYAxis(Chart& chart, int layer, const std::string& caption);

// Label `index` at (x, y) of layer 1's data, or in pixels of the chart where inPixels is set.
TTextLabel* PlaceText(Chart& chart, int index, double x, double y, const std::string& text, TColor color,
                      TAlignment alignment, TVerticalAlignment vertical, bool inPixels = false);
// A legend row in the plot's top-left corner (or top-right), row 0 at the top: a sample line of
// the pen, then the text in label `index`. Draws on layer 1.
void LegendRow(Chart& chart, const PlotBox& box, int index, int row, TColor color, TPenStyle pen, int width,
               const std::string& text, bool right = false);

} // namespace lab
