#include "tools/picturefile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>

QByteArray picturefile::Png(const Picture& picture)
{
    QImage image(picture.size, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        picture.paint(painter);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

QByteArray picturefile::Svg(const Picture& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(picture.size);
    svg.setViewBox(QRect(QPoint(0, 0), picture.size));
    svg.setResolution(96);
    svg.setTitle(picture.title);
    svg.setDescription(picture.description);
    QPainter painter;
    if (!painter.begin(&svg))
        return {};
    picture.paint(painter);
    painter.end();
    buffer.close();

    // The generator states the size in millimetres rounded to six digits, which renders a pixel
    // too large; pixels are exact. Only the root element's own attributes are touched.
    const qsizetype root = bytes.indexOf("<svg");
    const qsizetype rootEnd = root < 0 ? -1 : bytes.indexOf('>', root);
    if (rootEnd < 0)
        return {};
    QString head = QString::fromUtf8(bytes.sliced(root, rootEnd - root));
    static const QRegularExpression width(QStringLiteral("\\swidth=\"[^\"]*\""));
    static const QRegularExpression height(QStringLiteral("\\sheight=\"[^\"]*\""));
    if (!head.contains(width) || !head.contains(height))
        return {};
    head.replace(width, QStringLiteral(" width=\"%1\"").arg(picture.size.width()));
    head.replace(height, QStringLiteral(" height=\"%1\"").arg(picture.size.height()));
    return bytes.first(root) + head.toUtf8() + bytes.sliced(rootEnd);
}

namespace {

// Unbuffered, so that every write reaches the system at once: a buffered short write (a file
// size limit, a full disk) can pass the device's flush unnoticed. A short write is retried, as
// the retry is what reports the system's reason.
QString WriteEverything(QFileDevice& file, const QByteArray& data)
{
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        if (written <= 0)
            return file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("the write failed");
        done += written;
    }
    return {};
}

} // namespace

QString picturefile::Write(const QString& fileName, const QByteArray& data)
{
    const QFileInfo info(fileName);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (info.exists() && !info.isFile()) {
        QFile device(fileName);
        if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return device.errorString();
        const QString reason = WriteEverything(device, data);
        if (!reason.isEmpty())
            return reason;
        device.close();
        return device.error() != QFileDevice::NoError ? device.errorString() : QString();
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    const QString reason = WriteEverything(file, data);
    if (!reason.isEmpty()) {
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
