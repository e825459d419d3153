#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;

// A picture as the simulator writes it: a size and what paints it, top-left at (0, 0).
struct Picture
{
    QSize size;
    std::function<void(QPainter&)> paint;
    QString title;
    QString description;
};

namespace picturefile {

// Encoded whole in memory, so that nothing reaches the file before the picture is complete.
// Both return an empty array when encoding fails.
QByteArray Png(const Picture& picture);
// Declares the picture's size in pixels, so that it shows at the size of the PNG.
QByteArray Svg(const Picture& picture);

// Writes all of data to fileName and returns an empty text, or the reason it could not. A
// regular file is replaced only once every byte is on disk, through a temporary file in its
// folder, so that a failure leaves the old file or none; a device or pipe is written in place,
// since renaming over it would replace the device itself.
QString Write(const QString& fileName, const QByteArray& data);

} // namespace picturefile
