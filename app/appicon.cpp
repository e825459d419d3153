#include "app/appicon.h"

#include <QDir>
#include <QImageReader>
#include <QPixmap>
#include <QSaveFile>

#include <stdexcept>

namespace {

// An icon file holds a handful of sizes; an animation is not read frame by frame for ever.
constexpr int MaxPictures = 32;

[[noreturn]] void Fail(const QString& message)
{
    throw std::runtime_error(message.toLocal8Bit().toStdString());
}

} // namespace

bool appicon::IsBareFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == u'/' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

void appicon::Save(const QString& path, const QByteArray& bytes)
{
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        Fail(QStringLiteral("Cannot create file \"%1\". %2").arg(shown, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        Fail(QStringLiteral("Cannot write file \"%1\". %2").arg(shown, file.errorString()));
}

QIcon appicon::Load(const QString& path)
{
    QImageReader reader(path);
    QIcon icon;
    for (int i = 0; i < MaxPictures; ++i) {
        const QImage picture = reader.read();
        if (picture.isNull())
            break;
        icon.addPixmap(QPixmap::fromImage(picture));
        if (!reader.jumpToNextImage())
            break;
    }
    if (icon.isNull())
        Fail(QStringLiteral("The icon file \"%1\" is not a valid picture. %2")
                 .arg(QDir::toNativeSeparators(path), reader.errorString()));
    return icon;
}
