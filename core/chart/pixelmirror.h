#pragma once

#include "core/chart/color.h"
#include "core/chart/geometry.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// A copy of a surface's pixels, kept beside a surface that draws slowly piece by piece but takes
// a block of pixels at once (a browser's canvas): whole-pixel fills go into the copy, and the
// surface gets the changed area as one image. What the surface draws itself (texts, slanted
// strokes) the copy does not know; such areas are handed over only where a fill has covered
// them again, so the surface never gets stale pixels back.
class PixelMirror
{
public:
    // `size` in the surface's pixels, each `scale` x `scale` device pixels. The copy knows
    // nothing of the surface then.
    void Reset(Size size, int scale);
    Size DeviceSize() const { return {m_size.width * m_scale, m_size.height * m_scale}; }
    int Scale() const { return m_scale; }

    // Fills and the surface's own drawings are confined to `clip` (surface pixels); null lifts it.
    void SetClip(const Rect* clip);
    // Fills whole pixels with an opaque colour (0x00BBGGRR), within the clip.
    void Fill(std::span<const Rect> rects, TColor rgb);
    void Fill(const Rect& rect, TColor rgb) { Fill(std::span<const Rect>(&rect, 1), rgb); }
    // The surface is about to draw within `area` itself, so the copy will not know those pixels
    // until they are filled again. Answers what the surface must take from the copy first (as
    // TakeChanged), so that no older fill is handed over later on top of the drawing.
    [[nodiscard]] std::vector<Rect> DrawElsewhere(const Rect& area);

    // Where the surface must take the copy's pixels to show the fills since the last call, in
    // device pixels; none when nothing was filled. Forgets them.
    std::vector<Rect> TakeChanged();

    // The device pixels, row after row, as red, green, blue and alpha bytes.
    const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(m_pixels.get()); }

private:
    Rect bounds() const { return Rect::FromSize(m_size); }
    void fillDevice(const Rect& rect, TColor rgb);
    bool unknownWithin(const Rect& area) const;

    Size m_size;
    int m_scale = 1;
    // Each the four bytes of a pixel, in their order in memory; left as allocated, since a pixel
    // is handed over only once a fill has set it (the rest is unknown until then).
    std::unique_ptr<std::uint32_t[]> m_pixels;
    Rect m_clip;
    bool m_clipped = false;
    // Surface pixels: what was filled since the last hand-over (each piece, and all of it),
    // and what the copy does not know.
    std::vector<Rect> m_filled;
    Rect m_filledBounds;
    std::vector<Rect> m_unknown;
};
