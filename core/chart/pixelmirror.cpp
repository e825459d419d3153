#include "core/chart/pixelmirror.h"

#include <algorithm>
#include <cstring>

namespace {

// The unknown areas are a few texts per chart; past this many they are kept as one.
constexpr std::size_t MaxUnknownAreas = 32;

// Whether `outer` holds every pixel of `inner`, which is not empty.
bool Covers(const Rect& outer, const Rect& inner)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

Rect Scaled(const Rect& r, int scale)
{
    return {r.x * scale, r.y * scale, r.width * scale, r.height * scale};
}

} // namespace

void PixelMirror::Reset(Size size, int scale)
{
    m_size = {std::max(size.width, 0), std::max(size.height, 0)};
    m_scale = std::max(scale, 1);
    const Size device = DeviceSize();
    // Not zeroed: a phone's charts at three device pixels per pixel are megabytes to clear.
    m_pixels.reset(new std::uint32_t[std::size_t(device.width) * std::size_t(device.height)]);
    m_filled.clear();
    m_filledBounds = {};
    m_unknown.assign(1, bounds());
    m_clipped = false;
}

void PixelMirror::SetClip(const Rect* clip)
{
    m_clipped = clip != nullptr;
    if (clip)
        m_clip = *clip;
}

void PixelMirror::Fill(std::span<const Rect> rects, TColor rgb)
{
    for (const Rect& asked : rects) {
        Rect r = asked.intersected(bounds());
        if (m_clipped)
            r = r.intersected(m_clip);
        if (r.isEmpty())
            continue;
        fillDevice(Scaled(r, m_scale), rgb);
        m_filled.push_back(r);
        m_filledBounds = m_filledBounds.united(r);
        // The runs of a trace are too thin to cover a text: the plot's ground covers them.
        if (r.width > 2 && r.height > 2)
            std::erase_if(m_unknown, [&](const Rect& u) { return Covers(r, u); });
    }
}

void PixelMirror::fillDevice(const Rect& rect, TColor rgb)
{
    // The bytes in their order whatever the processor's: one word to store per pixel.
    const std::uint8_t bytes[4] = {std::uint8_t(RedOf(rgb)), std::uint8_t(GreenOf(rgb)), std::uint8_t(BlueOf(rgb)), 255};
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, bytes, 4);
    const std::size_t stride = std::size_t(m_size.width) * std::size_t(m_scale);
    std::uint32_t* row = m_pixels.get() + std::size_t(rect.y) * stride + std::size_t(rect.x);
    for (int y = 0; y < rect.height; ++y, row += stride)
        std::fill_n(row, rect.width, pixel);
}

std::vector<Rect> PixelMirror::DrawElsewhere(const Rect& area)
{
    std::vector<Rect> first = TakeChanged();
    Rect r = area.intersected(bounds());
    if (m_clipped)
        r = r.intersected(m_clip);
    if (r.isEmpty())
        return first;
    m_unknown.push_back(r);
    if (m_unknown.size() > MaxUnknownAreas) {
        Rect all;
        for (const Rect& u : m_unknown)
            all = all.united(u);
        m_unknown.assign(1, all);
    }
    return first;
}

bool PixelMirror::unknownWithin(const Rect& area) const
{
    return std::any_of(m_unknown.begin(), m_unknown.end(), [&](const Rect& u) { return !u.intersected(area).isEmpty(); });
}

std::vector<Rect> PixelMirror::TakeChanged()
{
    std::vector<Rect> out;
    if (m_filled.empty()) {
        m_filledBounds = {};
        return out;
    }
    if (!unknownWithin(m_filledBounds)) {
        out.push_back(Scaled(m_filledBounds, m_scale));
    } else {
        // Around what the copy does not know, each fill alone: every pixel of a fill is known.
        for (const Rect& f : m_filled)
            out.push_back(Scaled(f, m_scale));
    }
    m_filled.clear();
    m_filledBounds = {};
    return out;
}
