#include "core/chart/recordingtext.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// Every kind of command, with the state that goes with it, in one line each.
TEST(RecordingText, WritesEveryCommandWithItsStateOnOneLine)
{
    RecordingCanvas canvas(20, 10);
    canvas.resize(30, 12);
    canvas.setPen({clRed, 3, Canvas::PenStyle::Solid});
    canvas.setBrush({clBtnFace, Canvas::BrushStyle::Clear});
    canvas.moveTo(1, 2);
    canvas.lineTo(5, 2);
    const std::array<Point, 3> points{Point{0, 0}, Point{4, 0}, Point{4, -3}};
    canvas.setPenStyle(Canvas::PenStyle::Dot);
    canvas.setPenWidth(1);
    canvas.polyline(points);
    canvas.setBrush({clYellow, Canvas::BrushStyle::Solid});
    canvas.rectangle(1, 2, 11, 12);
    canvas.polygon(points);
    canvas.setPixel(7, 8, RgbColor(1, 2, 3));
    canvas.setFont(FontDesc{"MS Sans Serif,Arial", 13, 0, fsBold | fsItalic}, clNavy);
    canvas.textOut(3, 4, "A \"q\" \\ \xB5s\n");
    canvas.setClipRect(Rect{1, 2, 3, 4});
    canvas.clearClip();
    RecordingCanvas other(5, 6);
    canvas.copyFrom(other, 9, 10);

    EXPECT_EQ(RecordingText(canvas),
              "resize rect=0,0,30x12\n"
              "line pen=0000ff/3/solid brush=c0c0c0/clear 1,2 5,2\n"
              "polyline pen=0000ff/1/dot brush=c0c0c0/clear 0,0 4,0 4,-3\n"
              "rectangle pen=0000ff/1/dot brush=00ffff/solid rect=1,2,11x11\n"
              "polygon pen=0000ff/1/dot brush=00ffff/solid 0,0 4,0 4,-3\n"
              "pixel color=030201 7,8\n"
              "text font=\"MS Sans Serif,Arial\"/13px/0pt/3 color=800000 brush=00ffff/solid 3,4 "
              "\"A \\x22q\\x22 \\x5c \\xb5s\\x0a\"\n"
              "clip rect=1,2,3x4\n"
              "clearclip\n"
              "copy source=5x6 9,10\n");
}

TEST(RecordingText, DiffersWhereTheDrawingDiffers)
{
    RecordingCanvas a(10, 10), b(10, 10);
    a.setPixel(1, 1, clBlack);
    b.setPixel(1, 1, RgbColor(0, 0, 1));
    EXPECT_NE(RecordingText(a), RecordingText(b));
    EXPECT_EQ(RecordingText(RecordingCanvas(3, 3)), "");
}

} // namespace
