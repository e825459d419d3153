#include "link/windowdirectory_unix.h"

#include "link/demonrules.h"
#include "link/localsocket_unix.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kMaxInfoFile = 64 * 1024;

QByteArray HandleText(quint32 handle)
{
    return QByteArray::number(handle, 16).rightJustified(8, '0');
}

QByteArray SocketPath(const QByteArray& folder, quint32 handle)
{
    return folder + '/' + HandleText(handle) + ".sock";
}

QByteArray InfoPath(const QByteArray& folder, quint32 handle)
{
    return folder + '/' + HandleText(handle) + ".win";
}

// A handle written as its file name gives it: 8 lower-case hex digits, not 0.
quint32 HandleFromName(const char* name, const char* suffix)
{
    const size_t suffixLength = std::strlen(suffix);
    if (std::strlen(name) != 8 + suffixLength || std::strcmp(name + 8, suffix) != 0)
        return 0;
    quint32 handle = 0;
    for (int i = 0; i < 8; ++i) {
        const char c = name[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return 0;
        handle = (handle << 4) | quint32(digit);
    }
    return handle;
}

enum class Probe { Alive, Stale, Foreign };

// Only a refused connection or a missing socket mean that the window's process is gone; a full
// backlog or any other outcome count as alive. A window that answers for another user is no
// window of ours.
Probe ProbeSocket(const QByteArray& path)
{
    sockaddr_un address;
    if (!localsocket::FillAddress(path, address))
        return Probe::Stale;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Probe::Alive;
    const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int error = errno;
    const bool foreign = rc == 0 && !localsocket::PeerIsThisUser(fd);
    ::close(fd);
    if (rc != 0 && (error == ECONNREFUSED || error == ENOENT))
        return Probe::Stale;
    return foreign ? Probe::Foreign : Probe::Alive;
}

bool ReadInfoFile(const QByteArray& path, QByteArray& className, QByteArray& windowName)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    QByteArray content;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxInfoFile) {
        content.resize(qsizetype(st.st_size));
        qsizetype have = 0;
        while (have < content.size()) {
            const ssize_t n = ::read(fd, content.data() + have, size_t(content.size() - have));
            if (n <= 0)
                break;
            have += n;
        }
        content.truncate(have);
    }
    ::close(fd);
    const qsizetype first = content.indexOf('\n');
    if (first < 0)
        return false;
    qsizetype second = content.indexOf('\n', first + 1);
    if (second < 0)
        second = content.size();
    className = content.first(first);
    windowName = content.sliced(first + 1, second - first - 1);
    return true;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

TWindowDirectory::TWindowDirectory(QString& lastError)
    : m_lastError(lastError)
{
}

bool TWindowDirectory::RegisterClass(const QByteArray& className)
{
    if (m_classes.count(className)) {
        m_lastError = QStringLiteral("The window class \"%1\" is already registered").arg(QString::fromLatin1(className));
        return false;
    }
    const TRuntimeFolder& folder = Folder(true);
    if (!folder.Usable())
        return false;
    if (m_swept.insert(folder.path).second)
        SweepStale(folder.path);
    m_classes.insert(className);
    return true;
}

QString TWindowDirectory::RefusalReason()
{
    return Folder(true).error;
}

void TWindowDirectory::SweepStale(const QByteArray& folder)
{
    // A killed process leaves its window's files behind; nobody else would ever remove those
    // that no search happens to find.
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    std::set<quint32> infos;
    std::set<quint32> sockets;
    while (const dirent* entry = ::readdir(dir)) {
        if (const quint32 handle = HandleFromName(entry->d_name, ".win"))
            infos.insert(handle);
        else if (const quint32 socketHandle = HandleFromName(entry->d_name, ".sock"))
            sockets.insert(socketHandle);
    }
    ::closedir(dir);

    const uid_t user = ::geteuid();
    const auto ours = [&](const QByteArray& path, time_t olderThan) {
        struct stat st {};
        return ::lstat(path.constData(), &st) == 0 && st.st_uid == user && (olderThan == 0 || st.st_mtime < olderThan);
    };
    const auto remove = [&](quint32 handle) {
        ::unlink(InfoPath(folder, handle).constData());
        ::unlink(SocketPath(folder, handle).constData());
        ::unlink((folder + '/' + HandleText(handle) + ".tmp").constData());
    };
    for (const quint32 handle : infos) {
        if (!m_windows.count(handle) && ours(InfoPath(folder, handle), 0)
            && ProbeSocket(SocketPath(folder, handle)) == Probe::Stale)
            remove(handle);
    }
    // A socket without its info file may belong to a window being made (bound, not yet
    // listening, which refuses too): only an old one is a dead process's.
    const time_t old = ::time(nullptr) - OrphanSocketAgeSeconds;
    for (const quint32 handle : sockets) {
        if (!infos.count(handle) && !m_windows.count(handle) && ours(SocketPath(folder, handle), old)
            && ProbeSocket(SocketPath(folder, handle)) == Probe::Stale)
            remove(handle);
    }
}

bool TWindowDirectory::UnregisterClass(const QByteArray& className)
{
    if (m_classes.erase(className) == 0) {
        m_lastError = QStringLiteral("The window class \"%1\" is not registered").arg(QString::fromLatin1(className));
        return false;
    }
    return true;
}

quint32 TWindowDirectory::CreateWindow(const QByteArray& className, const QByteArray& windowName,
                                       TMessageWindows::WindowProc proc)
{
    if (!m_classes.count(className)) {
        m_lastError = QStringLiteral("The window class \"%1\" is not registered").arg(QString::fromLatin1(className));
        return 0;
    }
    if (className.contains('\n') || windowName.contains('\n')) {
        m_lastError = QStringLiteral("A window name cannot hold a line break");
        return 0;
    }
    const TRuntimeFolder folder = Folder(true);
    if (!folder.Usable())
        return 0;

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_lastError = localsocket::SystemError(QStringLiteral("Could not create a socket"), errno);
        return 0;
    }
    quint32 handle = 0;
    for (int attempt = 0; attempt < 100 && handle == 0; ++attempt) {
        const quint32 candidate = QRandomGenerator::global()->generate();
        if (candidate == 0 || m_windows.count(candidate))
            continue;
        sockaddr_un address;
        localsocket::FillAddress(SocketPath(folder.path, candidate), address);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            handle = candidate;
        } else if (errno != EADDRINUSE) {
            m_lastError = localsocket::SystemError(
                QStringLiteral("Could not create a window in %1").arg(QFile::decodeName(folder.path)), errno);
            ::close(fd);
            return 0;
        }
    }
    if (handle == 0) {
        m_lastError = QStringLiteral("Could not find a free window handle in %1").arg(QFile::decodeName(folder.path));
        ::close(fd);
        return 0;
    }
    const QByteArray socketPath = SocketPath(folder.path, handle);
    const auto fail = [&](const QString& what, int error) {
        m_lastError = localsocket::SystemError(what, error);
        ::unlink(socketPath.constData());
        ::close(fd);
        return quint32(0);
    };
    if (::listen(fd, SOMAXCONN) != 0)
        return fail(QStringLiteral("Could not listen on a window socket"), errno);

    // The info file appears only complete, and only once the socket accepts.
    const QByteArray tmpPath = folder.path + '/' + HandleText(handle) + ".tmp";
    const int info = ::open(tmpPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (info < 0)
        return fail(QStringLiteral("Could not write a window's info file"), errno);
    const bool written = WriteAll(info, className + '\n' + windowName + '\n');
    const int writeError = errno;
    ::close(info);
    if (!written || ::rename(tmpPath.constData(), InfoPath(folder.path, handle).constData()) != 0) {
        const int error = written ? errno : writeError;
        ::unlink(tmpPath.constData());
        return fail(QStringLiteral("Could not write a window's info file"), error);
    }

    Window& window = m_windows[handle];
    window.fd = fd;
    window.folder = folder.path;
    window.className = className;
    window.windowName = windowName;
    window.proc = std::move(proc);
    return handle;
}

bool TWindowDirectory::DestroyWindow(quint32 handle)
{
    const auto it = m_windows.find(handle);
    if (it == m_windows.end())
        return false;
    const Window& window = it->second;
    ::unlink(InfoPath(window.folder, handle).constData());
    ::unlink(SocketPath(window.folder, handle).constData());
    ::close(window.fd);
    m_windows.erase(it);
    return true;
}

TWindowDirectory::Window* TWindowDirectory::Find(quint32 handle)
{
    const auto it = m_windows.find(handle);
    return it == m_windows.end() ? nullptr : &it->second;
}

const TRuntimeFolder& TWindowDirectory::Folder(bool create)
{
    // Sends check the folder once per path; making windows checks it every time.
    if (create || m_folderChecked.path != RuntimeFolderPath() || !m_folderChecked.Usable())
        m_folderChecked = OpenRuntimeFolder(create);
    if (!m_folderChecked.Usable())
        m_lastError = m_folderChecked.error;
    return m_folderChecked;
}

quint32 TWindowDirectory::FindWindow(QByteArrayView className, QByteArrayView windowName)
{
    const TRuntimeFolder folder = Folder(false);
    if (!folder.Usable())
        return 0;
    DIR* dir = ::opendir(folder.path.constData());
    if (!dir)
        return 0;
    std::vector<quint32> candidates;
    while (const dirent* entry = ::readdir(dir)) {
        const quint32 handle = HandleFromName(entry->d_name, ".win");
        if (handle == 0)
            continue;
        QByteArray foundClass;
        QByteArray foundName;
        if (!ReadInfoFile(InfoPath(folder.path, handle), foundClass, foundName))
            continue;
        if (demonrules::EqualsIgnoringAsciiCase(foundClass, className)
            && demonrules::EqualsIgnoringAsciiCase(foundName, windowName))
            candidates.push_back(handle);
    }
    ::closedir(dir);

    std::sort(candidates.begin(), candidates.end());
    for (const quint32 handle : candidates) {
        if (m_windows.count(handle))
            return handle;
        const Probe probe = ProbeSocket(SocketPath(folder.path, handle));
        if (probe == Probe::Alive)
            return handle;
        if (probe == Probe::Stale) {
            // Its process died: clear the way for others.
            ::unlink(InfoPath(folder.path, handle).constData());
            ::unlink(SocketPath(folder.path, handle).constData());
        }
    }
    return 0;
}

bool TWindowDirectory::IsWindow(quint32 handle)
{
    if (handle == 0)
        return false;
    if (m_windows.count(handle))
        return true;
    const TRuntimeFolder& folder = Folder(false);
    if (!folder.Usable())
        return false;
    return ProbeSocket(SocketPath(folder.path, handle)) == Probe::Alive;
}

QByteArray TWindowDirectory::SocketPathOf(quint32 handle)
{
    const TRuntimeFolder& folder = Folder(false);
    return folder.Usable() ? SocketPath(folder.path, handle) : QByteArray();
}
