// The pixel rules that the raster canvases of the window and the page share.
#include "core/chart/pixelruns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

// Horizontal and vertical strokes as the pixels a raster device fills.
TEST(PixelRuns, StrokesOfAStepTraceBecomeRectanglesOfWholePixels)
{
    std::vector<Rect> runs;
    std::vector<Point> thin;
    const std::vector<Point> step{{0, 10}, {5, 10}, {9, 10}, {9, 4}, {20, 4}};
    ASSERT_TRUE(ThinPolyline(step, thin));
    ASSERT_TRUE(StrokeRuns(thin, 1, runs));
    EXPECT_EQ(runs, (std::vector<Rect>{Rect::FromCorners(0, 10, 9, 10), Rect::FromCorners(9, 4, 9, 10),
                                       Rect::FromCorners(9, 4, 19, 4)}))
        << "the last pixel left out, joints covered";
    ASSERT_TRUE(StrokeRuns(step, 3, runs));
    EXPECT_EQ(runs, (std::vector<Rect>{Rect::FromCorners(-1, 9, 10, 11), Rect::FromCorners(8, 3, 10, 11),
                                       Rect::FromCorners(8, 3, 21, 5)}));
    ASSERT_TRUE(StrokeRuns(step, 2, runs));
    EXPECT_EQ(runs.front(), Rect::FromCorners(-1, 9, 9, 10)) << "an even pen lies left of and above its line";
    const std::vector<Point> slanted{{0, 0}, {3, 1}};
    EXPECT_FALSE(StrokeRuns(slanted, 1, runs));
    EXPECT_FALSE(ThinPolyline(std::vector<Point>{{2, 2}, {2, 2}}, thin));
    EXPECT_TRUE(thin.empty());
    ASSERT_TRUE(ThinPolyline(std::vector<Point>{{0, 0}, {0, 5}, {0, 5}}, thin));
    EXPECT_EQ(thin, (std::vector<Point>{{0, 0}, {0, 4}})) << "repeated end points dropped first";
    EXPECT_EQ(LastCoveredPixel({0, 0}, {4, -2}), (Point{3, -2}));
    EXPECT_EQ(LastCoveredPixel({0, 0}, {-1, 6}), (Point{-1, 5}));
}

TEST(PixelRuns, ADottedLineIsCountedFromItsStart)
{
    std::vector<Rect> dashes;
    ASSERT_TRUE(DashRuns({5, 0}, {5, 13}, Canvas::PenStyle::Dot, dashes));
    EXPECT_EQ(dashes, (std::vector<Rect>{Rect::FromCorners(5, 0, 5, 2), Rect::FromCorners(5, 6, 5, 8),
                                         Rect::FromCorners(5, 12, 5, 13)}));
    ASSERT_TRUE(DashRuns({10, 1}, {0, 1}, Canvas::PenStyle::Dash, dashes));
    EXPECT_EQ(dashes, (std::vector<Rect>{Rect::FromCorners(0, 1, 10, 1)}));
    EXPECT_FALSE(DashRuns({0, 0}, {1, 1}, Canvas::PenStyle::Dot, dashes));
    EXPECT_FALSE(DashRuns({0, 0}, {0, 9}, Canvas::PenStyle::Solid, dashes));
    EXPECT_FALSE(DashRuns({0, 0}, {0, 9}, Canvas::PenStyle::Clear, dashes));
}

// Only the periods that reach into the visible part are laid out; within it they are the same
// dashes as those of the whole line, whichever way the line runs.
TEST(PixelRuns, ADottedLineSeenInPartKeepsTheDashesOfTheWholeLine)
{
    for (const auto& [from, to] : {std::pair{Point{0, 3}, Point{40, 3}}, std::pair{Point{40, 3}, Point{0, 3}},
                                   std::pair{Point{3, 0}, Point{3, 40}}, std::pair{Point{3, 40}, Point{3, 0}}}) {
        for (const Rect visible : {Rect::FromCorners(10, 10, 13, 13), Rect::FromCorners(0, 0, 2, 2),
                                   Rect::FromCorners(14, 0, 40, 40), Rect::FromCorners(50, 50, 60, 60)}) {
            const Rect window = from.y == to.y ? Rect{visible.x, 3, visible.width, 1} : Rect{3, visible.y, 1, visible.height};
            std::vector<Rect> whole, part;
            ASSERT_TRUE(DashRuns(from, to, Canvas::PenStyle::DashDot, whole));
            ASSERT_TRUE(DashRuns(from, to, Canvas::PenStyle::DashDot, part, &window));
            std::vector<Rect> wholeSeen, partSeen;
            for (const Rect& r : whole)
                if (!r.intersected(window).isEmpty())
                    wholeSeen.push_back(r.intersected(window));
            for (const Rect& r : part)
                if (!r.intersected(window).isEmpty())
                    partSeen.push_back(r.intersected(window));
            std::sort(wholeSeen.begin(), wholeSeen.end(), [](const Rect& a, const Rect& b) { return a.x + a.y < b.x + b.y; });
            std::sort(partSeen.begin(), partSeen.end(), [](const Rect& a, const Rect& b) { return a.x + a.y < b.x + b.y; });
            EXPECT_EQ(partSeen, wholeSeen);
        }
    }
    // A long grid line under a narrow redraw lays out the dashes of one period, not hundreds.
    std::vector<Rect> part;
    const Rect narrow = Rect::FromCorners(2000, 0, 2003, 10);
    ASSERT_TRUE(DashRuns({0, 5}, {4000, 5}, Canvas::PenStyle::Dot, part, &narrow));
    EXPECT_LE(part.size(), 2u);
}

// The pixels a set of rectangles covers.
std::set<std::pair<int, int>> Covered(const std::vector<Rect>& rects)
{
    std::set<std::pair<int, int>> pixels;
    for (const Rect& r : rects)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                pixels.insert({x, y});
    return pixels;
}

TEST(PixelRuns, APolylineKeepsItsCornersAndTurningPointsOnly)
{
    const struct {
        std::vector<Point> points, corners;
        const char* what;
    } cases[] = {
        {{{0, 4}, {3, 4}, {3, 4}, {7, 4}, {7, 0}, {7, 0}, {9, 0}}, {{0, 4}, {7, 4}, {7, 0}, {9, 0}}, "repeats and straight runs"},
        {{{0, 0}, {5, 0}, {2, 0}}, {{0, 0}, {5, 0}, {2, 0}}, "a run that turns back on its row"},
        {{{1, 0}, {1, 6}, {1, 3}, {1, 8}}, {{1, 0}, {1, 6}, {1, 3}, {1, 8}}, "and on its column"},
        {{{0, 0}, {0, 2}, {0, 5}}, {{0, 0}, {0, 5}}, "a column"},
        {{{4, 4}, {4, 4}}, {{4, 4}}, "one point"},
        {{}, {}, "nothing"},
    };
    std::vector<Point> corners;
    for (const auto& c : cases) {
        PolylineCorners(c.points, corners);
        EXPECT_EQ(corners, c.corners) << c.what;
    }
}

// Step traces as the charts draw them (each chip's level held, repeated points included): a pen
// of each width covers the same pixels along the corners.
TEST(PixelRuns, APenCoversTheSamePixelsAlongTheCornersOfAStepTrace)
{
    std::mt19937 random(7);
    std::vector<Point> corners;
    std::vector<Rect> along;
    std::vector<Rect> alongCorners;
    for (int trace = 0; trace < 200; ++trace) {
        std::vector<Point> points{{0, 10}};
        int y = 10;
        for (int chip = 0, x = 0; chip < 40; ++chip) {
            const int level = std::uniform_int_distribution<int>(0, 2)(random) * 6;
            points.push_back({x, level});
            x += std::uniform_int_distribution<int>(0, 4)(random);
            points.push_back({x, level});
            points.push_back({x, level});
            y = level;
        }
        points.push_back({points.back().x, y});
        PolylineCorners(points, corners);
        EXPECT_LE(corners.size(), points.size());
        for (int width = 1; width <= 3; ++width) {
            ASSERT_TRUE(StrokeRuns(points, width, along));
            ASSERT_TRUE(StrokeRuns(corners, width, alongCorners));
            EXPECT_EQ(Covered(along), Covered(alongCorners)) << "trace " << trace << ", width " << width;
        }
    }
}

} // namespace
