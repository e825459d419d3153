#pragma once

#include <QImage>
#include <QPainter>
#include <QRegion>

// Copies `region` (in the painter's logical coordinates) of `image`, placed at the painter's
// (0, 0), into the image the painter draws on as plain rows of pixels: what drawImage does for a
// widget's backing store, without its conversions, blending and helper threads. Only where that
// gives drawImage's pixels: the painter translates by whole pixels and nothing else, sets no
// clip of its own, and draws on an image of the same 32-bit format; otherwise it
// copies nothing and returns false. The system clip (the area being painted) is honoured.
bool CopyToPaintDevice(QPainter& painter, const QImage& image, const QRegion& region);
