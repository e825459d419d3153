#include "link/runtimefolder_unix.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

QByteArray RuntimeFolderPath()
{
    QByteArray path = qgetenv("TUTORIX_RUNTIME_DIR");
    if (path.isEmpty()) {
        const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
        path = xdg.isEmpty() ? "/tmp/tutorix-" + QByteArray::number(quint64(geteuid())) : xdg + "/tutorix";
    }
    // A trailing slash would make lstat look through a symbolic link.
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

TRuntimeFolder OpenRuntimeFolder(bool create)
{
    TRuntimeFolder folder;
    folder.path = RuntimeFolderPath();
    const auto refuse = [&](const QString& why) {
        folder.error = QStringLiteral("The folder for message windows %1 cannot be used: %2")
                           .arg(QFile::decodeName(folder.path), why);
        return folder;
    };

    if (folder.path.size() > MaxRuntimeFolderLength)
        return refuse(QStringLiteral("its path is longer than %1 bytes").arg(MaxRuntimeFolderLength));
    struct stat st {};
    if (lstat(folder.path.constData(), &st) != 0) {
        if (errno != ENOENT || !create)
            return refuse(QString::fromLocal8Bit(std::strerror(errno)));
        if (mkdir(folder.path.constData(), 0700) != 0 && errno != EEXIST)
            return refuse(QString::fromLocal8Bit(std::strerror(errno)));
        if (lstat(folder.path.constData(), &st) != 0)
            return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (S_ISLNK(st.st_mode))
        return refuse(QStringLiteral("it is a symbolic link"));
    if (!S_ISDIR(st.st_mode))
        return refuse(QStringLiteral("it is not a directory"));
    if (st.st_uid != geteuid())
        return refuse(QStringLiteral("it belongs to another user"));
    if ((st.st_mode & 077) != 0)
        return refuse(QStringLiteral("its group or others have permissions on it (mode %1)")
                          .arg(st.st_mode & 0777, 3, 8, QLatin1Char('0')));
    return folder;
}
