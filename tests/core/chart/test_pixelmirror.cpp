// The copy of a canvas's pixels that the page fills and hands over in one piece.
#include "core/chart/pixelmirror.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr TColor Red = 0x0000FF, Blue = 0xFF0000, Grey = 0x808080;

// The four bytes of a device pixel of the copy.
std::vector<int> PixelAt(const PixelMirror& m, int x, int y)
{
    const std::uint8_t* p = m.Bytes() + (std::size_t(y) * std::size_t(m.DeviceSize().width) + std::size_t(x)) * 4;
    return {p[0], p[1], p[2], p[3]};
}

TEST(PixelMirror, FillsWholeDevicePixelsWithinTheSurfaceAndTheClip)
{
    struct Case
    {
        int scale;
        bool clipped;
        Rect fill;
        Rect expected; // surface pixels
    };
    const Rect clip{2, 2, 4, 4};
    const Case cases[] = {
        {1, false, {1, 1, 3, 2}, {1, 1, 3, 2}},
        {2, false, {1, 1, 3, 2}, {1, 1, 3, 2}},
        {1, false, {-3, 8, 20, 9}, {0, 8, 10, 2}}, // beyond the surface on three sides
        {1, true, {0, 0, 10, 10}, clip},
        {3, true, {3, 0, 1, 10}, {3, 2, 1, 4}},
    };
    for (const Case& c : cases) {
        PixelMirror m;
        m.Reset({10, 10}, c.scale);
        ASSERT_EQ(m.DeviceSize(), (Size{10 * c.scale, 10 * c.scale}));
        // A ground that the fill below must leave where it does not reach.
        m.Fill(Rect{0, 0, 10, 10}, clNavy);
        m.TakeChanged();
        if (c.clipped)
            m.SetClip(&clip);
        m.Fill(c.fill, Red);
        for (int y = 0; y < 10 * c.scale; ++y)
            for (int x = 0; x < 10 * c.scale; ++x) {
                const bool inside = c.expected.contains({x / c.scale, y / c.scale});
                ASSERT_EQ(PixelAt(m, x, y), inside ? (std::vector<int>{255, 0, 0, 255}) : (std::vector<int>{0, 0, 128, 255}))
                    << "scale " << c.scale << " at " << x << "," << y;
            }
        // What changed, in device pixels, and only once.
        EXPECT_EQ(m.TakeChanged(), (std::vector<Rect>{Rect{c.expected.x * c.scale, c.expected.y * c.scale,
                                                           c.expected.width * c.scale, c.expected.height * c.scale}}))
            << "scale " << c.scale;
        EXPECT_TRUE(m.TakeChanged().empty());
    }
}

TEST(PixelMirror, ColoursAreStoredAsRedGreenBlueAndOpaque)
{
    PixelMirror m;
    m.Reset({2, 1}, 1);
    m.Fill(Rect{0, 0, 2, 1}, 0x00336699); // 0x00BBGGRR
    m.Fill(Rect{1, 0, 1, 1}, Blue);
    EXPECT_EQ(PixelAt(m, 0, 0), (std::vector<int>{0x99, 0x66, 0x33, 255}));
    EXPECT_EQ(PixelAt(m, 1, 0), (std::vector<int>{0, 0, 255, 255}));
}

// The fills of a plot around a text drawn before: as long as the text's area was not filled
// again, the fills go over piece by piece; once a fill covered it, in one piece.
TEST(PixelMirror, HandsOverOnePieceOnlyWhereItKnowsEveryPixel)
{
    PixelMirror m;
    m.Reset({20, 10}, 1);
    m.Fill(Rect{0, 0, 20, 10}, Grey); // covers what a new copy does not know
    EXPECT_EQ(m.TakeChanged(), (std::vector<Rect>{{0, 0, 20, 10}}));

    m.Fill(Rect{0, 0, 4, 1}, Red);
    const std::vector<Rect> before = m.DrawElsewhere({5, 5, 6, 3});
    EXPECT_EQ(before, (std::vector<Rect>{{0, 0, 4, 1}})) << "fills before the text go over before it";

    m.Fill(Rect{0, 2, 3, 1}, Red);
    m.Fill(Rect{15, 8, 3, 1}, Red);
    EXPECT_EQ(m.TakeChanged(), (std::vector<Rect>{{0, 2, 3, 1}, {15, 8, 3, 1}})) << "their bounds hold the text";

    m.Fill(Rect{4, 4, 8, 5}, Grey); // the text's area filled again
    m.Fill(Rect{0, 2, 3, 1}, Red);
    EXPECT_EQ(m.TakeChanged(), (std::vector<Rect>{{0, 2, 12, 7}}));
}

TEST(PixelMirror, ANewSizeForgetsEverythingTheSurfaceShowed)
{
    PixelMirror m;
    m.Reset({8, 8}, 1);
    m.Fill(Rect{0, 0, 8, 8}, Grey);
    (void)m.TakeChanged();
    m.Reset({8, 8}, 2);
    m.Fill(Rect{1, 1, 1, 1}, Red);
    m.Fill(Rect{5, 5, 1, 1}, Red);
    EXPECT_EQ(m.TakeChanged(), (std::vector<Rect>{{2, 2, 2, 2}, {10, 10, 2, 2}}));
}

// Whatever the order of fills, clips and texts, the surface ends up showing the last drawing of
// every pixel: the copy never hands over a pixel that it does not know.
TEST(PixelMirror, TheSurfaceAlwaysShowsTheLastDrawingOfEachPixel)
{
    constexpr int W = 24, H = 16;
    constexpr std::uint32_t Unset = 0xFFFFFFFF, Text = 0xFEFEFEFE;
    std::mt19937 random(7);
    const auto pick = [&](int n) { return int(random() % std::uint32_t(n)); };
    const auto anyRect = [&] { return Rect{pick(W + 4) - 2, pick(H + 4) - 2, pick(W), pick(H / 2) + 1}; };

    for (int round = 0; round < 200; ++round) {
        const int scale = 1 + round % 2;
        PixelMirror m;
        m.Reset({W, H}, scale);
        std::vector<std::uint32_t> truth(W * H, Unset), surface(W * H, Unset);
        Rect clip;
        bool clipped = false;
        const auto within = [&](Rect r) {
            r = r.intersected({0, 0, W, H});
            return clipped ? r.intersected(clip) : r;
        };
        const auto handOver = [&](const std::vector<Rect>& device) {
            for (const Rect& d : device)
                for (int y = d.y; y < d.bottom() + 1; ++y)
                    for (int x = d.x; x < d.right() + 1; ++x) {
                        const std::vector<int> p = PixelAt(m, x, y);
                        surface[std::size_t(y / scale * W + x / scale)] = std::uint32_t(p[0] | p[1] << 8 | p[2] << 16);
                    }
        };
        const auto paint = [&](std::vector<std::uint32_t>& image, Rect r, std::uint32_t value) {
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x)
                    image[std::size_t(y * W + x)] = value;
        };
        for (int step = 0; step < 60; ++step) {
            const int what = pick(10);
            if (what < 6) {
                const Rect r = anyRect();
                const TColor color = TColor(pick(0xFFFFFF));
                m.Fill(r, color);
                paint(truth, within(r), color);
            } else if (what < 8) {
                const Rect r = anyRect();
                handOver(m.DrawElsewhere(r));
                paint(truth, within(r), Text);
                paint(surface, within(r), Text);
            } else if (what < 9) {
                clip = anyRect();
                clipped = true;
                m.SetClip(&clip);
            } else {
                clipped = false;
                m.SetClip(nullptr);
            }
            if (pick(8) == 0)
                handOver(m.TakeChanged());
        }
        handOver(m.TakeChanged());
        ASSERT_EQ(surface, truth) << "round " << round;
    }
}

} // namespace
