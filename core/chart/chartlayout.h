#pragma once

#include "core/chart/axis.h"
#include "core/chart/canvas.h"
#include "core/chart/chartmapping.h"
#include "core/chart/chartstate.h"
#include "core/chart/geometry.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

// Where the parts of one chart go, computed from its state: the world-to-pixel map of every
// layer, the axis drawers with their ticks, the caption's place and font, the grid lines and
// the text labels' boxes. Computing it never draws; drawing reads it and changes nothing.
// All positions are control pixels, already limited to the drawing range.
struct ChartLayout
{
    struct Caption
    {
        bool shown = false;
        Point topLeft;
        ChartFont font;
        bool operator==(const Caption&) const = default;
    };

    struct Grid
    {
        int layer = 0; // the active layer the grid was laid out for; 0 for none
        bool dotted = false;
        std::vector<std::pair<Point, Point>> lines; // from, to
        std::vector<Point> points;                  // gsPoints
        bool operator==(const Grid&) const = default;
    };

    struct Label
    {
        int index = 0;  // 1..30; font, colours and mode are the state's
        Rect box;        // the frame box: the canvas takes (left, top) to (right, bottom)
        Point underline; // the underline's left end; it is `width` long
        int width = 0;
        struct Line
        {
            std::string text;
            Point topLeft;
            bool operator==(const Line&) const = default;
        };
        std::vector<Line> lines;
        bool operator==(const Label&) const = default;
    };

    ChartGeometry geometry;
    ChartMapping mapping;
    std::array<TScale, ChartState::Layers> scaleX; // axis drawers "RC_FScale_X_n"
    std::array<TScale, ChartState::Layers> scaleY;
    Caption caption;
    // The frame surface's font once the visible axes have drawn: the caption's font next time.
    ChartFont frameFontAfter;
    Grid grid;
    std::vector<Label> labels; // those drawn, in drawing order (30 down to 1)

    ChartLayout();

    // The plot area, frame included: (ML, MT) to (ML + PW, MT + PH); empty without room.
    Rect PlotRect() const;
    // A world point of a layer as drawn: mapped, then limited to the drawing range.
    Point DrawPoint(int layer, double x, double y) const
    {
        return {ClampDraw(mapping.MapX(layer, x)), ClampDraw(mapping.MapY(layer, y))};
    }

    bool operator==(const ChartLayout&) const = default;
};

// The parts that stay until the state changes: map, axes, caption and grid.
void LayoutStatic(const ChartState& state, const TextMetrics& metrics, ChartLayout& layout);
// The grid alone: it follows the active layer, which changes while a chart is filled.
void LayoutGrid(const ChartState& state, ChartLayout& layout);
// The text labels; reads the map, so it comes after LayoutStatic.
void LayoutLabels(const ChartState& state, const TextMetrics& metrics, ChartLayout& layout);
// All of it.
ChartLayout LayoutChart(const ChartState& state, const TextMetrics& metrics);
