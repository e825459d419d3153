#pragma once

#include "rchart.h"
#include "recordingcanvas.h"

#include <QBackingStore>
#include <QString>

#include <vector>

// Charts configured as the main window's stored layout configures them.
namespace charttest {

struct LayerRange
{
    double xlo, xhi, ylo, yhi;
};

inline void configure(TRChart& c, const QString& name, QRect geometry, int ml, int mr, int mt, int mb,
                      TColor chartColor, const QString& caption, std::vector<LayerRange> layers)
{
    c.setObjectName(name);
    c.BeginLoading();
    c.setGeometry(geometry);
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
        c.ScaleX(n)->SetRangeLow(r.xlo);
        c.ScaleX(n)->SetRangeHigh(r.xhi);
        c.ScaleY(n)->SetRangeLow(r.ylo);
        c.ScaleY(n)->SetRangeHigh(r.yhi);
        c.ScaleX(n)->SetScaleLocation(n % 2 ? slBottom : slTop);
        c.ScaleY(n)->SetScaleLocation(n % 2 ? slLeft : slRight);
    }
}

inline void configureRca(TRChart& c)
{
    configure(c, QStringLiteral("RCA"), QRect(144, 40, 785, 137), 10, 18, 20, 2, 0xFFDDDD,
              QStringLiteral("BF_Channel 1"),
              {{0, 1000, -7.5, 2.5}, {0, 1000, -4, 6}, {0, 1000, -2.5, 17.5}, {0, 1, 0, 1}});
    c.Loaded();
}

inline void configureRcd(TRChart& c)
{
    configure(c, QStringLiteral("RCD"), QRect(144, 424, 785, 281), 10, 18, 20, 28, 0xFFFFFF,
              QStringLiteral("BF_Recovered Signals"),
              {{0, 1000, -35, 5}, {0, 1000, -18, 8}, {0, 1000, -40, 60}, {0, 1000, -4, 36}});
    TScalePropsHoriz* axis = c.Scale1X();
    axis->SetCaption(QString::fromUtf8("µs"));
    axis->SetCaptionPosY(12);
    axis->SetCaptionAnchor(uaSclCenter);
    axis->SetCaptionAlignment(taCenter);
    axis->SetVisible(true);
    c.Loaded();
}

// A step trace as the plotting draws it: a move to (0, 0), then two line items per sample.
inline void stepTrace(TRChart& c, const std::vector<double>& values, double duration)
{
    c.MoveToPoint(0, 0);
    for (std::size_t n = 0; n < values.size(); ++n) {
        c.LineToPoint(double(n) * duration, values[n]);
        c.LineToPoint(double(n + 1) * duration, values[n]);
    }
}

// Labels are created boxed, so none is free until a caller frees them.
inline void freeLabels(TRChart& c, int from = 1)
{
    for (int i = from; i <= TRChart::LabelCount; ++i)
        c.TextLabel(i)->SetMode(tlOff);
}

// What the window's backing store holds where `widget` is, in device pixels: what the window
// shows.
inline QImage shownInWindow(QWidget& widget)
{
    QWidget* window = widget.window();
    QBackingStore* store = window->backingStore();
    if (!store || !store->paintDevice() || store->paintDevice()->devType() != QInternal::Image)
        return {};
    const auto* image = static_cast<const QImage*>(store->paintDevice());
    const qreal ratio = image->devicePixelRatio();
    const QRect area(widget.mapTo(window, QPoint(0, 0)) * ratio, widget.size() * ratio);
    QImage shown = image->copy(area).convertToFormat(QImage::Format_RGB32);
    shown.setDevicePixelRatio(1);
    return shown;
}

} // namespace charttest
