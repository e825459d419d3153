#pragma once

#include "tests/core/chart/chart_test_support.h"

#include "widgets/qtconvert.h"
#include "widgets/rchart.h"

#include <QBackingStore>
#include <QImage>

// The same charts as widgets: named and placed as the window places them, the chart inside
// configured as above.
namespace charttest {

inline void configureRca(TRChart& c)
{
    c.setObjectName(QStringLiteral("RCA"));
    c.setGeometry(ToQRect(RcaGeometry));
    configureRca(c.Core());
}

inline void configureRcd(TRChart& c)
{
    c.setObjectName(QStringLiteral("RCD"));
    c.setGeometry(ToQRect(RcdGeometry));
    configureRcd(c.Core());
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
