#pragma once

#include "core/chart/canvas.h"
#include "core/chart/pixelmirror.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A browser canvas element as a drawing surface: the page hands the module its canvases
// (Module.canvases), and this draws onto one of them with the classic device's rules, as the
// desktop's canvas does: horizontal and vertical strokes and dotted lines as whole-pixel fills,
// other strokes through the browser's stroker. Texts are measured by the browser in the fonts the
// page has. System colours resolve by the core's classic table.
//
// A canvas that keeps its pixels draws the whole-pixel fills into a copy in the module's memory
// and gives the browser only the changed area, as one image, at ShowChanges() and before the
// browser draws something itself: the browser then rasterises a few texts instead of every
// stroke of every trace. It needs a whole-number pixel ratio; at any other it draws as the rest.
class BrowserCanvas final : public Canvas
{
public:
    // Draws onto Module.canvases[index], `width` x `height` CSS pixels (its backing store scaled
    // to the screen's pixel ratio).
    BrowserCanvas(int index, int width, int height, bool keepPixels = false);
    ~BrowserCanvas() override;

    Size size() const override { return m_size; }
    void resize(int width, int height) override;

    void polyline(std::span<const Point> points) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void polygon(std::span<const Point> points) override;
    void setPixel(int x, int y, TColor color) override;
    void textOut(int x, int y, std::string_view text) override;
    int measureWidth(const FontDesc& font, std::string_view text) const override;
    int measureHeight(const FontDesc& font, std::string_view text) const override;
    void setClipRect(const Rect& rect) override;
    void clearClip() override;
    void copyFrom(const Canvas& source, int x, int y) override;

    // The smallest text drawn, in CSS pixels: a smaller font is measured and drawn at this
    // size (0: as asked). The page's narrow layout keeps every text readable this way.
    void setMinimumTextPixels(int pixels);

    // Hands the browser what was filled since the last time; call it once a paint has ended.
    void ShowChanges();

    // The CSS font that stands for a font description, at least `minimumPixels` high.
    static std::string CssFont(const FontDesc& font, int minimumPixels = 0);

protected:
    void drawLine(Point from, Point to) override;
    void fontChanged() override;

private:
    struct Metrics
    {
        int width, height, ascent;
    };
    const Metrics& measured(const FontDesc& font, std::string_view text) const;
    void strokeOpen(std::span<const Point> points);
    void fillRects(const std::vector<Rect>& rects, TColor color);
    // Before the browser draws within `area` by itself.
    void drawnByBrowser(const Rect& area);
    void drawnByBrowser(std::span<const Point> points, int penWidth);
    void put(const std::vector<Rect>& deviceRects);
    // Gives the browser's own drawing the clip last asked for.
    void clipBrowser();

    int m_index;
    int m_minimumText = 0;
    Size m_size;
    std::optional<Rect> m_clip;        // the clip asked for
    std::optional<Rect> m_browserClip; // the clip the browser's context holds
    bool m_keepPixels;
    bool m_mirrored = false; // kept pixels at this pixel ratio
    PixelMirror m_mirror;
    std::string m_font; // the current font as CSS
    std::vector<Point> m_thin;
    std::vector<Point> m_corners;
    std::vector<Rect> m_rects;
    std::vector<Rect> m_dashes;
    // Measured texts per font, for all four charts: layout asks for the same few again and
    // again, and each measurement is a trip to the browser.
    static std::map<std::pair<std::string, std::string>, Metrics> s_measured;
};
