#include "messagewindows_unix.h"

#include "demonrules.h"
#include "runtimefolder_unix.h"

#include <QCoreApplication>
#include <QFile>
#include <QObject>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <set>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr qint64 kReadChunk = 1024 * 1024;
constexpr qint64 kMaxInfoFile = 64 * 1024;
constexpr qint64 kLargeFrame = 256 * 1024;
constexpr qint64 kMaxSendBuffer = 4 * 1024 * 1024;
// How often a send retries a connection that found the target's backlog full.
constexpr int kConnectRetryMs = 5;

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

bool FillAddress(const QByteArray& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
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

// The process at the other end of a connected socket runs as this user.
bool PeerIsThisUser(int fd)
{
    ucred cred {};
    socklen_t length = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && length == sizeof cred
           && cred.uid == ::geteuid();
}

enum class Probe { Alive, Stale, Foreign };

// Only a refused connection or a missing socket mean that the window's process is gone; a full
// backlog or any other outcome count as alive. A window that answers for another user is no
// window of ours.
Probe ProbeSocket(const QByteArray& path)
{
    sockaddr_un address;
    if (!FillAddress(path, address))
        return Probe::Stale;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Probe::Alive;
    const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int error = errno;
    const bool foreign = rc == 0 && !PeerIsThisUser(fd);
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

void SendResult(int fd, std::int32_t result)
{
    char bytes[4];
    qToLittleEndian(result, bytes);
    // Written once; a sender that has gone or does not read loses it.
    (void)::send(fd, bytes, sizeof bytes, MSG_DONTWAIT | MSG_NOSIGNAL);
}

} // namespace

TMessageWindows::~TMessageWindows() = default;

TMessageWindows& TMessageWindows::Default()
{
    return UnixMessageWindows();
}

TUnixMessageWindows& UnixMessageWindows()
{
    // Never destroyed: windows still open at exit are taken down with the process, and the
    // event loop's watchers go with the application object (see DetachFromEventLoop).
    static TUnixMessageWindows* instance = new TUnixMessageWindows;
    return *instance;
}

TUnixMessageWindows::TUnixMessageWindows() = default;

TUnixMessageWindows::~TUnixMessageWindows()
{
    while (!windows.empty())
        DestroyWindow(windows.begin()->first);
    CloseAll();
}

void TUnixMessageWindows::SetSystemError(const QString& what, int error)
{
    lastError = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

bool TUnixMessageWindows::RegisterClass(const QByteArray& className)
{
    if (classes.count(className)) {
        lastError = QStringLiteral("The window class \"%1\" is already registered").arg(QString::fromLatin1(className));
        return false;
    }
    const TRuntimeFolder& folder = Folder(true);
    if (!folder.Usable())
        return false;
    if (swept.insert(folder.path).second)
        SweepStale(folder.path);
    classes.insert(className);
    return true;
}

QString TUnixMessageWindows::RefusalReason()
{
    return Folder(true).error;
}

void TUnixMessageWindows::SweepStale(const QByteArray& folder)
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
        if (!windows.count(handle) && ours(InfoPath(folder, handle), 0)
            && ProbeSocket(SocketPath(folder, handle)) == Probe::Stale)
            remove(handle);
    }
    // A socket without its info file may belong to a window being made (bound, not yet
    // listening, which refuses too): only an old one is a dead process's.
    const time_t old = ::time(nullptr) - OrphanSocketAgeSeconds;
    for (const quint32 handle : sockets) {
        if (!infos.count(handle) && !windows.count(handle) && ours(SocketPath(folder, handle), old)
            && ProbeSocket(SocketPath(folder, handle)) == Probe::Stale)
            remove(handle);
    }
}

bool TUnixMessageWindows::UnregisterClass(const QByteArray& className)
{
    if (classes.erase(className) == 0) {
        lastError = QStringLiteral("The window class \"%1\" is not registered").arg(QString::fromLatin1(className));
        return false;
    }
    return true;
}

quint32 TUnixMessageWindows::CreateWindow(const QByteArray& className, const QByteArray& windowName, WindowProc proc)
{
    if (!classes.count(className)) {
        lastError = QStringLiteral("The window class \"%1\" is not registered").arg(QString::fromLatin1(className));
        return 0;
    }
    if (className.contains('\n') || windowName.contains('\n')) {
        lastError = QStringLiteral("A window name cannot hold a line break");
        return 0;
    }
    const TRuntimeFolder folder = Folder(true);
    if (!folder.Usable())
        return 0;

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetSystemError(QStringLiteral("Could not create a socket"), errno);
        return 0;
    }
    quint32 handle = 0;
    for (int attempt = 0; attempt < 100 && handle == 0; ++attempt) {
        const quint32 candidate = QRandomGenerator::global()->generate();
        if (candidate == 0 || windows.count(candidate))
            continue;
        sockaddr_un address;
        FillAddress(SocketPath(folder.path, candidate), address);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            handle = candidate;
        } else if (errno != EADDRINUSE) {
            SetSystemError(QStringLiteral("Could not create a window in %1").arg(QFile::decodeName(folder.path)), errno);
            ::close(fd);
            return 0;
        }
    }
    if (handle == 0) {
        lastError = QStringLiteral("Could not find a free window handle in %1").arg(QFile::decodeName(folder.path));
        ::close(fd);
        return 0;
    }
    const QByteArray socketPath = SocketPath(folder.path, handle);
    const auto fail = [&](const QString& what, int error) {
        SetSystemError(what, error);
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

    Window& window = windows[handle];
    window.fd = fd;
    window.folder = folder.path;
    window.className = className;
    window.windowName = windowName;
    window.proc = std::move(proc);
    WatchWindow(handle, window);
    return handle;
}

void TUnixMessageWindows::SetWindowProc(quint32 window, WindowProc proc)
{
    const auto it = windows.find(window);
    if (it != windows.end())
        it->second.proc = std::move(proc);
}

void TUnixMessageWindows::DestroyWindow(quint32 handle)
{
    const auto it = windows.find(handle);
    if (it == windows.end())
        return;
    Window& window = it->second;
    ::unlink(InfoPath(window.folder, handle).constData());
    ::unlink(SocketPath(window.folder, handle).constData());
    window.notifier.reset();
    ::close(window.fd);
    windows.erase(it);

    std::vector<quint64> orphans;
    for (const auto& [id, connection] : connections) {
        if (connection->window == handle)
            orphans.push_back(id);
    }
    // Closed unanswered: their senders' sends end with 0.
    for (const quint64 id : orphans)
        Drop(id);
}

const TRuntimeFolder& TUnixMessageWindows::Folder(bool create)
{
    // Sends check the folder once per path; making windows checks it every time.
    if (create || folderChecked.path != RuntimeFolderPath() || !folderChecked.Usable())
        folderChecked = OpenRuntimeFolder(create);
    if (!folderChecked.Usable())
        lastError = folderChecked.error;
    return folderChecked;
}

quint32 TUnixMessageWindows::FindWindow(QByteArrayView className, QByteArrayView windowName)
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
        if (windows.count(handle))
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

bool TUnixMessageWindows::IsWindow(quint32 window)
{
    if (window == 0)
        return false;
    if (windows.count(window))
        return true;
    const TRuntimeFolder& folder = Folder(false);
    if (!folder.Usable())
        return false;
    return ProbeSocket(SocketPath(folder.path, window)) == Probe::Alive;
}

std::int32_t TUnixMessageWindows::SendCopyData(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload)
{
    lastOutcome = SendOutcome::NotDelivered;
    if (target == 0)
        return 0;
    if (payload.size() > MaxFramePayload) {
        lastError = QStringLiteral("A message of %1 bytes is larger than 64 MiB").arg(payload.size());
        return 0;
    }
    if (windows.count(target))
        return CallOwnWindow(target, wParam, dwData, payload);
    const TRuntimeFolder& folder = Folder(false);
    if (!folder.Usable())
        return 0;
    return SendOverSocket(SocketPath(folder.path, target), wParam, dwData, payload);
}

std::int32_t TUnixMessageWindows::CallOwnWindow(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload)
{
    // The procedure may destroy its window: call a copy.
    const WindowProc proc = windows[target].proc;
    if (!proc)
        return 0;
    ++sendDepth;
    std::int32_t result = 0;
    try {
        result = proc(WM_COPYDATA, wParam, dwData, payload.toByteArray());
    } catch (...) {
        result = 0;
    }
    --sendDepth;
    lastOutcome = SendOutcome::Answered;
    return result;
}

std::int32_t TUnixMessageWindows::SendOverSocket(const QByteArray& path, quint32 wParam, quint32 dwData,
                                                 QByteArrayView payload)
{
    sockaddr_un address;
    if (!FillAddress(path, address))
        return 0;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetSystemError(QStringLiteral("Could not create a socket"), errno);
        return 0;
    }
    // A large frame crosses in fewer, larger pieces (the system caps what it grants).
    if (payload.size() > kLargeFrame) {
        const int buffer = int(std::min<qint64>(FrameHeaderSize + payload.size(), kMaxSendBuffer));
        (void)::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    }
    bool connected = false;
    bool foreign = false;
    const auto tryConnect = [&]() {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            connected = true;
            // Whoever listens there must be this user: nothing of ours goes to anyone else.
            foreign = !PeerIsThisUser(fd);
            return !foreign;
        }
        // A full backlog: the target lives but is busy; try again while serving our windows.
        return errno == EAGAIN || errno == EINTR;
    };
    if (!tryConnect()) {
        if (foreign)
            lastError = QStringLiteral("The window %1 belongs to another user").arg(QFile::decodeName(path));
        ::close(fd);
        return 0;
    }

    const QByteArray header = EncodeFrameHeader({WM_COPYDATA, wParam, dwData, quint32(payload.size())});
    const qint64 total = FrameHeaderSize + payload.size();
    qint64 sent = 0;
    char resultBytes[4];
    int resultHave = 0;
    bool done = false;
    // A send gives up after this long without progress: a target that takes the frame and
    // never answers, or a stopped one, must not hold this process for good.
    QDeadlineTimer quiet(sendTimeLimit);
    const auto progress = [&]() { quiet.setRemainingTime(sendTimeLimit); };
    const quint64 generation = cancelGeneration;

    // Writes what the socket takes now; false once the receiver has gone.
    const auto writeMore = [&]() {
        iovec parts[2];
        int count = 0;
        if (sent < FrameHeaderSize) {
            parts[count++] = {const_cast<char*>(header.constData() + sent), size_t(FrameHeaderSize - sent)};
            if (!payload.isEmpty())
                parts[count++] = {const_cast<char*>(payload.data()), size_t(payload.size())};
        } else {
            const qint64 offset = sent - FrameHeaderSize;
            parts[count++] = {const_cast<char*>(payload.data() + offset), size_t(payload.size() - offset)};
        }
        msghdr message{};
        message.msg_iov = parts;
        message.msg_iovlen = size_t(count);
        const ssize_t n = ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += n;
            progress();
        }
        return n > 0 || errno == EAGAIN || errno == EINTR;
    };

    // Reads what has come of the result; false once the receiver closed without a whole one.
    const auto readResult = [&]() {
        const ssize_t n = ::recv(fd, resultBytes + resultHave, size_t(4 - resultHave), MSG_DONTWAIT);
        if (n > 0) {
            resultHave += int(n);
            progress();
            return true;
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    };

    ++sendDepth;
    std::vector<pollfd> fds;
    std::vector<quint64> ids;
    // Most frames fit into the socket at once: no poll before the first write.
    if (connected && !writeMore())
        done = true;
    while (!done) {
        if (cancelGeneration != generation)
            break;
        // Until our frame is out, others' frames wait: two peers that send each other large
        // frames both keep reading and never block each other.
        // Serving them is no progress of this send: a peer that keeps talking and never
        // answers must not hold it for good.
        if (connected && sent == total && HasCompleteFrame()) {
            DispatchReady();
            continue;
        }
        // The result may have come while a message was served.
        if (quiet.hasExpired() && connected && sent == total && readResult() && resultHave == 4) {
            done = true;
            break;
        }
        if (quiet.hasExpired()) {
            lastError = QStringLiteral("No answer from %1 within %2 ms").arg(QFile::decodeName(path)).arg(sendTimeLimit);
            break;
        }

        fds.clear();
        ids.clear();
        short sendEvents = 0;
        if (connected)
            sendEvents = sent < total ? POLLOUT : POLLIN;
        fds.push_back({fd, sendEvents, 0});
        if (accepting) {
            for (const auto& [handle, window] : windows) {
                fds.push_back({window.fd, POLLIN, 0});
                ids.push_back(0);
            }
        }
        const size_t firstConnection = fds.size();
        for (const auto& [id, connection] : connections) {
            if (connection->reader.Status() == TFrameReader::State::Complete)
                continue;
            fds.push_back({connection->fd, POLLIN, 0});
            ids.push_back(id);
        }
        int timeout = JudgeLate();
        const int quietLeft = int(std::max<qint64>(0, quiet.remainingTime()) + 1);
        timeout = timeout < 0 ? quietLeft : std::min(timeout, quietLeft);
        if (!connected)
            timeout = std::min(timeout, kConnectRetryMs);
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), timeout);
        if (ready < 0 && errno != EINTR)
            break;

        if (!connected) {
            if (!tryConnect() || (connected && !writeMore()))
                break;
        } else if (sent < total) {
            if ((fds[0].revents & (POLLOUT | POLLERR | POLLHUP)) && !writeMore())
                break; // the receiver has gone
        } else if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
            if (!readResult()) {
                lastError = QStringLiteral("%1 closed the connection without an answer").arg(QFile::decodeName(path));
                break;
            }
            if (resultHave == 4)
                done = true;
        }

        if (ready > 0) {
            // Reads only: nothing here calls a window procedure, so the table stays as polled.
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!fds[i].revents)
                    continue;
                const quint64 id = ids[i - 1];
                if (i < firstConnection) {
                    for (const auto& [handle, window] : windows) {
                        if (window.fd == fds[i].fd) {
                            AcceptOne(handle);
                            break;
                        }
                    }
                    continue;
                }
                const auto it = connections.find(id);
                if (it != connections.end() && it->second->fd == fds[i].fd
                    && ReadConnection(*it->second) == ReadOutcome::Closed)
                    Drop(id);
            }
        }
    }
    --sendDepth;
    ::close(fd);
    if (foreign)
        lastError = QStringLiteral("The window %1 belongs to another user").arg(QFile::decodeName(path));

    if (sendDepth == 0) {
        if (HasCompleteFrame())
            QueueService();
        ArmLateTimer();
    }
    if (resultHave == 4) {
        lastOutcome = SendOutcome::Answered;
        return qFromLittleEndian<qint32>(resultBytes);
    }
    lastOutcome = connected && !foreign && sent == total ? SendOutcome::Unanswered : SendOutcome::NotDelivered;
    return 0;
}

void TUnixMessageWindows::AcceptOne(quint32 handle)
{
    // One per readiness: the sockets are watched level-triggered, so more pending connections
    // are reported again, and nobody pays for an accept that finds none.
    for (;;) {
        const auto window = windows.find(handle);
        if (window == windows.end() || !accepting)
            return;
        const int fd = ::accept4(window->second.fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE) {
                accepting = false; // until a connection closes
                UpdateAccepting();
            }
            return;
        }
        // Another user's process reaches no window of ours, whatever the folder allowed.
        if (!PeerIsThisUser(fd)) {
            ::close(fd);
            ++refusedPeers;
            continue;
        }
        const quint64 id = nextConnectionId++;
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->window = handle;
        connection->deadline = QDeadlineTimer(frameTimeLimit);
        Connection& added = *connection;
        connections.emplace(id, std::move(connection));
        if (ReadConnection(added) == ReadOutcome::Closed) {
            Drop(id);
            continue;
        }
        WatchConnection(id, added);
        if (int(connections.size()) >= MaxConnections) {
            accepting = false;
            UpdateAccepting();
        }
        return;
    }
}

TUnixMessageWindows::ReadOutcome TUnixMessageWindows::ReadConnection(Connection& connection)
{
    TFrameReader& reader = connection.reader;
    for (;;) {
        switch (reader.Status()) {
        case TFrameReader::State::Complete:
            return ReadOutcome::Complete; // bytes after the frame are ignored
        case TFrameReader::State::TooLarge:
            return ReadOutcome::Closed;
        default:
            break;
        }
        ssize_t n;
        if (reader.Status() == TFrameReader::State::Header) {
            // Header and a small payload in one read; what follows the frame is ignored anyway.
            // At most this much goes past the budget before the claim finds it out.
            char first[16 * 1024];
            n = ::read(connection.fd, first, sizeof first);
            if (n > 0)
                reader.Feed(QByteArrayView(first, n));
        } else {
            // One byte beyond what the budget allows tells that the frame does not fit. Only
            // copy-data frames keep their payload, so only they count.
            qint64 chunk = kReadChunk;
            if (reader.Header().Message == WM_COPYDATA)
                chunk = std::min(chunk, std::max<qint64>(0, inFlightBudget - inFlight) + 1);
            qint64 room = 0;
            char* space = reader.Space(chunk, room);
            n = ::read(connection.fd, space, size_t(room));
            if (n > 0)
                reader.Commit(n);
        }
        if (n > 0) {
            if (!Claim(connection))
                return ReadOutcome::Closed;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return ReadOutcome::Open;
        // Closed before the frame was complete, or without any frame at all.
        return ReadOutcome::Closed;
    }
}

bool TUnixMessageWindows::Claim(Connection& connection)
{
    const qint64 held = connection.reader.PayloadKept();
    inFlight += held - connection.claim;
    connection.claim = held;
    return inFlight <= inFlightBudget;
}

void TUnixMessageWindows::Release(Connection& connection)
{
    inFlight -= connection.claim;
    connection.claim = 0;
}

void TUnixMessageWindows::Drop(quint64 id)
{
    const auto it = connections.find(id);
    if (it == connections.end())
        return;
    if (!it->second->reader.Empty())
        ++dropped;
    Release(*it->second);
    it->second->notifier.reset();
    ::close(it->second->fd);
    connections.erase(it);
    if (!accepting && int(connections.size()) < MaxConnections) {
        accepting = true;
        UpdateAccepting();
    }
}

bool TUnixMessageWindows::HasCompleteFrame() const
{
    for (const auto& [id, connection] : connections) {
        if (connection->reader.Status() == TFrameReader::State::Complete)
            return true;
    }
    return false;
}

void TUnixMessageWindows::DispatchReady()
{
    // Each dispatch may nest and change the table: look again after every one.
    for (;;) {
        quint64 next = 0;
        for (const auto& [id, connection] : connections) {
            if (connection->reader.Status() == TFrameReader::State::Complete) {
                next = id;
                break;
            }
        }
        if (next == 0)
            return;
        Dispatch(next);
    }
}

void TUnixMessageWindows::Dispatch(quint64 id)
{
    const auto it = connections.find(id);
    if (it == connections.end())
        return;
    // Out of the table first, so that nested loops leave it alone.
    std::unique_ptr<Connection> connection = std::move(it->second);
    connections.erase(it);
    connection->notifier.reset();
    Release(*connection);
    if (!accepting && int(connections.size()) < MaxConnections) {
        accepting = true;
        UpdateAccepting();
    }

    const TFrameHeader header = connection->reader.Header();
    std::int32_t result = 0;
    if (header.Message == WM_COPYDATA) {
        const auto window = windows.find(connection->window);
        if (window != windows.end() && window->second.proc) {
            const WindowProc proc = window->second.proc; // may destroy its window
            try {
                result = proc(header.Message, header.WParam, header.DwData, connection->reader.TakePayload());
            } catch (...) {
                result = 0;
            }
        }
    }
    SendResult(connection->fd, result);
    ::close(connection->fd);
}

int TUnixMessageWindows::JudgeLate()
{
    std::vector<quint64> late;
    qint64 next = -1;
    for (const auto& [id, connection] : connections) {
        if (connection->reader.Status() == TFrameReader::State::Complete)
            continue;
        if (connection->deadline.hasExpired()) {
            late.push_back(id);
            continue;
        }
        const qint64 remaining = connection->deadline.remainingTime();
        next = next < 0 ? remaining : std::min(next, remaining);
    }
    for (const quint64 id : late) {
        // Bytes already queued count before the frame is judged late.
        auto& connection = *connections.at(id);
        if (ReadConnection(connection) != ReadOutcome::Complete)
            Drop(id);
    }
    return int(next);
}

void TUnixMessageWindows::ArmLateTimer()
{
    if (!lateTimer)
        return;
    int next = -1;
    for (const auto& [id, connection] : connections) {
        if (connection->reader.Status() == TFrameReader::State::Complete)
            continue;
        const int remaining = int(std::max<qint64>(0, connection->deadline.remainingTime()));
        next = next < 0 ? remaining : std::min(next, remaining);
    }
    if (next < 0)
        lateTimer->stop();
    else
        lateTimer->start(next + 1);
}

void TUnixMessageWindows::QueueService()
{
    if (serviceQueued || !EnsureEventLoopContext())
        return;
    serviceQueued = true;
    QMetaObject::invokeMethod(
        context.get(),
        [this]() {
            serviceQueued = false;
            if (sendDepth == 0)
                DispatchReady();
        },
        Qt::QueuedConnection);
}

bool TUnixMessageWindows::EnsureEventLoopContext()
{
    if (context)
        return true;
    if (!QCoreApplication::instance())
        return false;
    context = std::make_unique<QObject>();
    lateTimer = new QTimer(context.get());
    lateTimer->setSingleShot(true);
    QObject::connect(lateTimer, &QTimer::timeout, context.get(), [this]() { OnLateTimer(); });
    qAddPostRoutine([]() { UnixMessageWindows().DetachFromEventLoop(); });
    return true;
}

void TUnixMessageWindows::DetachFromEventLoop()
{
    for (auto& [handle, window] : windows)
        window.notifier.reset();
    for (auto& [id, connection] : connections)
        connection->notifier.reset();
    lateTimer = nullptr;
    context.reset();
    serviceQueued = false;
}

void TUnixMessageWindows::WatchWindow(quint32 handle, Window& window)
{
    if (!EnsureEventLoopContext())
        return;
    window.notifier = std::make_unique<QSocketNotifier>(window.fd, QSocketNotifier::Read);
    window.notifier->setEnabled(accepting);
    QObject::connect(window.notifier.get(), &QSocketNotifier::activated, context.get(),
                     [this, handle]() { OnWindowReadable(handle); });
}

void TUnixMessageWindows::WatchConnection(quint64 id, Connection& connection)
{
    if (connection.reader.Status() == TFrameReader::State::Complete || !EnsureEventLoopContext())
        return;
    connection.notifier = std::make_unique<QSocketNotifier>(connection.fd, QSocketNotifier::Read);
    QObject::connect(connection.notifier.get(), &QSocketNotifier::activated, context.get(),
                     [this, id]() { OnConnectionReadable(id); });
}

void TUnixMessageWindows::UpdateAccepting()
{
    for (auto& [handle, window] : windows) {
        if (window.notifier)
            window.notifier->setEnabled(accepting);
    }
}

void TUnixMessageWindows::OnWindowReadable(quint32 handle)
{
    if (sendDepth > 0)
        return;
    AcceptOne(handle);
    DispatchReady();
    ArmLateTimer();
}

void TUnixMessageWindows::OnConnectionReadable(quint64 id)
{
    if (sendDepth > 0)
        return;
    const auto it = connections.find(id);
    if (it == connections.end())
        return;
    const ReadOutcome outcome = ReadConnection(*it->second);
    if (outcome == ReadOutcome::Closed)
        Drop(id);
    else if (outcome == ReadOutcome::Complete)
        DispatchReady();
    ArmLateTimer();
}

void TUnixMessageWindows::OnLateTimer()
{
    if (sendDepth > 0)
        return;
    JudgeLate();
    DispatchReady();
    ArmLateTimer();
}

void TUnixMessageWindows::CloseAll()
{
    for (auto& [id, connection] : connections) {
        connection->notifier.reset();
        ::close(connection->fd);
    }
    connections.clear();
    inFlight = 0;
    DetachFromEventLoop();
}
