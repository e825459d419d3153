#include "widgets/devicecopy.h"

#include <QPaintEngine>

#include <cmath>
#include <cstring>

bool CopyToPaintDevice(QPainter& painter, const QImage& image, const QRegion& region)
{
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || image.isNull() || image.depth() != 32 || painter.hasClipping() || painter.opacity() != 1.0)
        return false;
    // The image is opaque: over or in place of what is there, it ends up the same.
    const QPainter::CompositionMode mode = painter.compositionMode();
    if (mode != QPainter::CompositionMode_SourceOver && mode != QPainter::CompositionMode_Source)
        return false;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return false;
    auto* target = static_cast<QImage*>(device);
    // An image being painted is never shared (a copy of it is a deep one): bits() below does
    // not detach it from the painter.
    if (target->format() != image.format())
        return false;
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate)
        return false;
    const int dx = int(std::lround(transform.dx()));
    const int dy = int(std::lround(transform.dy()));
    if (double(dx) != transform.dx() || double(dy) != transform.dy())
        return false;

    QRegion area = (region & image.rect()).translated(dx, dy) & target->rect();
    const QRegion system = engine->systemClip();
    if (!system.isEmpty())
        area &= system;
    uchar* const bits = target->bits();
    const qsizetype stride = target->bytesPerLine();
    const qsizetype sourceStride = image.bytesPerLine();
    for (const QRect& r : area) {
        const uchar* from = image.constBits() + (r.top() - dy) * sourceStride + qsizetype(r.left() - dx) * 4;
        uchar* to = bits + r.top() * stride + qsizetype(r.left()) * 4;
        const std::size_t bytes = std::size_t(r.width()) * 4;
        for (int y = r.top(); y <= r.bottom(); ++y, from += sourceStride, to += stride)
            std::memcpy(to, from, bytes);
    }
    return true;
}
