#pragma once

// What a raster surface fills for the strokes the charts draw: horizontal and vertical segments
// as rectangles of whole pixels, with the classic device's rules (a thin line leaves out its
// last pixel; a dotted line's gaps are the brush's). A backend fills these instead of stroking
// paths, which is exact and fast; slanted segments are left to the backend's stroker.

#include "core/chart/canvas.h"
#include "core/chart/geometry.h"

#include <span>
#include <vector>

// The pixel a thin line from `from` to `to` ends on, its end pixel left out.
Point LastCoveredPixel(Point from, Point to);

// A thin polyline as the pixels it covers, into `out`: consecutive equal points dropped at the
// end, the last point moved onto the last covered pixel. Returns false, `out` empty, when nothing
// is drawn.
bool ThinPolyline(std::span<const Point> points, std::vector<Point>& out);

// Rectangles that cover a polyline of horizontal and vertical segments drawn with a solid pen
// of `penWidth` (1 to 3; thin polylines given as ThinPolyline makes them), as a raster device
// fills them. A run along one line (a step trace between its steps) is one rectangle. Returns
// false, leaving `out` unspecified, when a segment is slanted.
bool StrokeRuns(std::span<const Point> points, int penWidth, std::vector<Rect>& out);

// The corners of a polyline of horizontal and vertical segments, into `out`: repeated points and
// points inside a straight run dropped, a point where the line turns back kept. A pen covers the
// same pixels along the corners as along the points (StrokeRuns), in fewer segments.
void PolylineCorners(std::span<const Point> points, std::vector<Point>& out);

// The dashes of a thin dotted or dashed horizontal or vertical line from `from` to `to`, both
// included, counted from `from` as the cosmetic stroker counts them. With `visible`, only the
// periods of the pattern that reach into it are laid out (a grid redrawn under a few traces).
// Returns false when the line is slanted or the style solid.
bool DashRuns(Point from, Point to, Canvas::PenStyle style, std::vector<Rect>& dashes, const Rect* visible = nullptr);

// The dash pattern of a thin pen: dash, gap, dash, ...; empty for solid and clear.
std::span<const int> DashPattern(Canvas::PenStyle style);
