#pragma once

#include "core/chart/chart.h"
#include "core/chart/recordingcanvas.h"

#include <ostream>
#include <string>
#include <vector>

// Points and rectangles in failure messages as numbers, not bytes.
inline void PrintTo(const Point& p, std::ostream* os)
{
    *os << "(" << p.x << ", " << p.y << ")";
}

inline void PrintTo(const Rect& r, std::ostream* os)
{
    *os << "(" << r.x << ", " << r.y << ") " << r.width << " x " << r.height;
}

// Charts configured as the main window's stored layout configures them.
namespace charttest {

struct LayerRange
{
    double xlo, xhi, ylo, yhi;
};

inline void configure(Chart& c, const std::string& name, Rect geometry, int ml, int mr, int mt, int mb, TColor chartColor,
                      const std::string& caption, std::vector<LayerRange> layers)
{
    c.SetName(name);
    c.BeginLoading();
    c.Resize(geometry.width, geometry.height);
    c.SetAllocSize(1000);
    c.SetAutoRedraw(false);
    c.SetMarginLeft(ml);
    c.SetMarginRight(mr);
    c.SetMarginTop(mt);
    c.SetMarginBottom(mb);
    c.SetChartColor(chartColor);
    c.SetCaption(caption);
    c.SetCaptionPosX(0);
    c.SetCaptionPosY(-16);
    c.SetGridStyle(gsVertDotLines);
    c.SetGridDx(125);
    c.SetGridColor(clSilver);
    for (int n = 1; n <= int(layers.size()); ++n) {
        const LayerRange& r = layers[std::size_t(n - 1)];
        c.ScaleX(n).SetRangeLow(r.xlo);
        c.ScaleX(n).SetRangeHigh(r.xhi);
        c.ScaleY(n).SetRangeLow(r.ylo);
        c.ScaleY(n).SetRangeHigh(r.yhi);
        c.ScaleX(n).SetScaleLocation(n % 2 ? slBottom : slTop);
        c.ScaleY(n).SetScaleLocation(n % 2 ? slLeft : slRight);
    }
}

// Where the main window places the two charts.
inline constexpr Rect RcaGeometry{144, 40, 785, 137};
inline constexpr Rect RcdGeometry{144, 424, 785, 281};

inline void configureRca(Chart& c)
{
    configure(c, "RCA", RcaGeometry, 10, 18, 20, 2, 0xFFDDDD, "BF_Channel 1",
              {{0, 1000, -7.5, 2.5}, {0, 1000, -4, 6}, {0, 1000, -2.5, 17.5}, {0, 1, 0, 1}});
    c.Loaded();
}

inline void configureRcd(Chart& c)
{
    configure(c, "RCD", RcdGeometry, 10, 18, 20, 28, 0xFFFFFF, "BF_Recovered Signals",
              {{0, 1000, -35, 5}, {0, 1000, -18, 8}, {0, 1000, -40, 60}, {0, 1000, -4, 36}});
    ScaleProps& axis = c.ScaleX(1);
    axis.SetCaption("\xB5s");
    axis.SetCaptionPosY(12);
    axis.SetCaptionAnchor(uaSclCenter);
    axis.SetCaptionAlignment(taCenter);
    axis.SetVisible(true);
    c.Loaded();
}

// A step trace as the plotting draws it: a move to (0, 0), then two line items per sample.
inline void stepTrace(Chart& c, const std::vector<double>& values, double duration)
{
    c.MoveToPoint(0, 0);
    for (std::size_t n = 0; n < values.size(); ++n) {
        c.LineToPoint(double(n) * duration, values[n]);
        c.LineToPoint(double(n + 1) * duration, values[n]);
    }
}

// Labels are created boxed, so none is free until a caller frees them.
inline void freeLabels(Chart& c, int from = 1)
{
    for (int i = from; i <= Chart::LabelCount; ++i)
        c.TextLabel(i)->SetMode(tlOff);
}

} // namespace charttest
