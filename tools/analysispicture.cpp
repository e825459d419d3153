#include "tools/analysispicture.h"

#include "core/chart/chart.h"
#include "i18n/cp1252.h"
#include "widgets/qtcanvas.h"
#include "widgets/qtconvert.h"

#include <QFontMetrics>
#include <QPainter>

int analysispicture::ScreenTextMetrics::measureWidth(const FontDesc& font, std::string_view text) const
{
    return QFontMetrics(ToQFont(font)).horizontalAdvance(cp1252::ToQString(text));
}

int analysispicture::ScreenTextMetrics::measureHeight(const FontDesc& font, std::string_view) const
{
    return QFontMetrics(ToQFont(font)).height();
}

void analysispicture::Paint(const Chart& chart, QPainter& painter)
{
    PaintWith(chart.GetSize(), painter, [&chart](Canvas& canvas) { chart.RenderTo(canvas); });
}

void analysispicture::PaintWith(Size size, QPainter& painter, const std::function<void(Canvas&)>& draw)
{
    painter.fillRect(0, 0, size.width, size.height, ToQColor(clBtnFace));
    QtCanvas canvas(painter, QPoint(0, 0), ToQSize(size));
    draw(canvas);
}

QImage analysispicture::Render(const Chart& chart)
{
    const Size size = chart.GetSize();
    QImage image(size.width, size.height, QImage::Format_RGB32);
    QPainter painter(&image);
    Paint(chart, painter);
    return image;
}
