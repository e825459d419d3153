#include "link/receivetable_unix.h"

#include "link/localsocket_unix.h"
#include "link/windowdirectory_unix.h"

#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cerrno>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qint64 kReadChunk = 1024 * 1024;

void SendResult(int fd, std::int32_t result)
{
    char bytes[4];
    qToLittleEndian(result, bytes);
    // Written once; a sender that has gone or does not read loses it.
    (void)::send(fd, bytes, sizeof bytes, MSG_DONTWAIT | MSG_NOSIGNAL);
}

} // namespace

TReceiveTable::TReceiveTable(TWindowDirectory& directory, void (*applicationGone)())
    : m_directory(directory)
    , m_applicationGone(applicationGone)
{
}

TReceiveTable::~TReceiveTable()
{
    CloseAll();
}

void TReceiveTable::WatchWindow(quint32 handle)
{
    const TWindowDirectory::Window* window = m_directory.Find(handle);
    if (!window || !EnsureEventLoopContext())
        return;
    auto notifier = std::make_unique<QSocketNotifier>(window->fd, QSocketNotifier::Read);
    notifier->setEnabled(m_accepting);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, m_context.get(),
                     [this, handle]() { OnWindowReadable(handle); });
    m_windowNotifiers[handle] = std::move(notifier);
}

void TReceiveTable::UnwatchWindow(quint32 handle)
{
    m_windowNotifiers.erase(handle);
}

void TReceiveTable::DropConnectionsOf(quint32 handle)
{
    std::vector<quint64> orphans;
    for (const auto& [id, connection] : m_connections) {
        if (connection->window == handle)
            orphans.push_back(id);
    }
    for (const quint64 id : orphans)
        Drop(id);
}

void TReceiveTable::EndSend()
{
    if (--m_sendDepth > 0)
        return;
    // What arrived while the send waited is the event loop's again.
    if (HasCompleteFrame())
        QueueService();
    ArmLateTimer();
}

void TReceiveTable::AcceptOne(quint32 handle)
{
    // One per readiness: the sockets are watched level-triggered, so more pending connections
    // are reported again, and nobody pays for an accept that finds none.
    for (;;) {
        const TWindowDirectory::Window* window = m_directory.Find(handle);
        if (!window || !m_accepting)
            return;
        const int fd = ::accept4(window->fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE)
                SetAccepting(false); // until a connection closes
            return;
        }
        // Another user's process reaches no window of ours, whatever the folder allowed.
        if (!localsocket::PeerIsThisUser(fd)) {
            ::close(fd);
            ++m_refusedPeers;
            continue;
        }
        const quint64 id = m_nextConnectionId++;
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->window = handle;
        connection->deadline = QDeadlineTimer(m_frameTimeLimit);
        Connection& added = *connection;
        m_connections.emplace(id, std::move(connection));
        if (ReadConnection(added) == ReadOutcome::Closed) {
            Drop(id);
            continue;
        }
        WatchConnection(id, added);
        if (int(m_connections.size()) >= MaxConnections)
            SetAccepting(false);
        return;
    }
}

TReceiveTable::ReadOutcome TReceiveTable::ReadConnection(Connection& connection)
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
                chunk = std::min(chunk, std::max<qint64>(0, m_inFlightBudget - m_inFlight) + 1);
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

bool TReceiveTable::Claim(Connection& connection)
{
    const qint64 held = connection.reader.PayloadKept();
    m_inFlight += held - connection.claim;
    connection.claim = held;
    return m_inFlight <= m_inFlightBudget;
}

void TReceiveTable::Release(Connection& connection)
{
    m_inFlight -= connection.claim;
    connection.claim = 0;
}

void TReceiveTable::Drop(quint64 id)
{
    const auto it = m_connections.find(id);
    if (it == m_connections.end())
        return;
    if (!it->second->reader.Empty())
        ++m_dropped;
    Release(*it->second);
    it->second->notifier.reset();
    ::close(it->second->fd);
    m_connections.erase(it);
    if (!m_accepting && int(m_connections.size()) < MaxConnections)
        SetAccepting(true);
}

bool TReceiveTable::HasCompleteFrame() const
{
    for (const auto& [id, connection] : m_connections) {
        if (connection->reader.Status() == TFrameReader::State::Complete)
            return true;
    }
    return false;
}

void TReceiveTable::DispatchReady()
{
    // Each dispatch may nest and change the table: look again after every one.
    for (;;) {
        quint64 next = 0;
        for (const auto& [id, connection] : m_connections) {
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

void TReceiveTable::Dispatch(quint64 id)
{
    const auto it = m_connections.find(id);
    if (it == m_connections.end())
        return;
    // Out of the table first, so that nested loops leave it alone.
    std::unique_ptr<Connection> connection = std::move(it->second);
    m_connections.erase(it);
    connection->notifier.reset();
    Release(*connection);
    if (!m_accepting && int(m_connections.size()) < MaxConnections)
        SetAccepting(true);

    const TFrameHeader header = connection->reader.Header();
    std::int32_t result = 0;
    if (header.Message == WM_COPYDATA) {
        const TWindowDirectory::Window* window = m_directory.Find(connection->window);
        if (window && window->proc) {
            const TMessageWindows::WindowProc proc = window->proc; // may destroy its window
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

int TReceiveTable::JudgeLate()
{
    std::vector<quint64> late;
    qint64 next = -1;
    for (const auto& [id, connection] : m_connections) {
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
        auto& connection = *m_connections.at(id);
        if (ReadConnection(connection) != ReadOutcome::Complete)
            Drop(id);
    }
    return int(next);
}

void TReceiveTable::AddPollEntries(std::vector<pollfd>& fds)
{
    m_polled.clear();
    if (m_accepting) {
        for (const auto& [handle, window] : m_directory.Windows()) {
            fds.push_back({window.fd, POLLIN, 0});
            m_polled.push_back(0);
        }
    }
    for (const auto& [id, connection] : m_connections) {
        if (connection->reader.Status() == TFrameReader::State::Complete)
            continue;
        fds.push_back({connection->fd, POLLIN, 0});
        m_polled.push_back(id);
    }
}

void TReceiveTable::Serve(const std::vector<pollfd>& fds, size_t first)
{
    for (size_t i = first; i < fds.size() && i - first < m_polled.size(); ++i) {
        if (!fds[i].revents)
            continue;
        const quint64 id = m_polled[i - first];
        if (id == 0) {
            for (const auto& [handle, window] : m_directory.Windows()) {
                if (window.fd == fds[i].fd) {
                    AcceptOne(handle);
                    break;
                }
            }
            continue;
        }
        const auto it = m_connections.find(id);
        if (it != m_connections.end() && it->second->fd == fds[i].fd
            && ReadConnection(*it->second) == ReadOutcome::Closed)
            Drop(id);
    }
}

void TReceiveTable::ArmLateTimer()
{
    if (!m_lateTimer)
        return;
    int next = -1;
    for (const auto& [id, connection] : m_connections) {
        if (connection->reader.Status() == TFrameReader::State::Complete)
            continue;
        const int remaining = int(std::max<qint64>(0, connection->deadline.remainingTime()));
        next = next < 0 ? remaining : std::min(next, remaining);
    }
    if (next < 0)
        m_lateTimer->stop();
    else
        m_lateTimer->start(next + 1);
}

void TReceiveTable::QueueService()
{
    if (m_serviceQueued || !EnsureEventLoopContext())
        return;
    m_serviceQueued = true;
    QMetaObject::invokeMethod(
        m_context.get(),
        [this]() {
            m_serviceQueued = false;
            if (m_sendDepth == 0)
                DispatchReady();
        },
        Qt::QueuedConnection);
}

bool TReceiveTable::EnsureEventLoopContext()
{
    if (m_context)
        return true;
    if (!QCoreApplication::instance())
        return false;
    m_context = std::make_unique<QObject>();
    m_lateTimer = new QTimer(m_context.get());
    m_lateTimer->setSingleShot(true);
    QObject::connect(m_lateTimer, &QTimer::timeout, m_context.get(), [this]() { OnLateTimer(); });
    if (m_applicationGone)
        qAddPostRoutine(m_applicationGone);
    return true;
}

void TReceiveTable::DetachFromEventLoop()
{
    m_windowNotifiers.clear();
    for (auto& [id, connection] : m_connections)
        connection->notifier.reset();
    m_lateTimer = nullptr;
    m_context.reset();
    m_serviceQueued = false;
}

void TReceiveTable::WatchConnection(quint64 id, Connection& connection)
{
    if (connection.reader.Status() == TFrameReader::State::Complete || !EnsureEventLoopContext())
        return;
    connection.notifier = std::make_unique<QSocketNotifier>(connection.fd, QSocketNotifier::Read);
    QObject::connect(connection.notifier.get(), &QSocketNotifier::activated, m_context.get(),
                     [this, id]() { OnConnectionReadable(id); });
}

void TReceiveTable::SetAccepting(bool on)
{
    m_accepting = on;
    for (auto& [handle, notifier] : m_windowNotifiers)
        notifier->setEnabled(on);
}

void TReceiveTable::OnWindowReadable(quint32 handle)
{
    if (m_sendDepth > 0)
        return;
    AcceptOne(handle);
    DispatchReady();
    ArmLateTimer();
}

void TReceiveTable::OnConnectionReadable(quint64 id)
{
    if (m_sendDepth > 0)
        return;
    const auto it = m_connections.find(id);
    if (it == m_connections.end())
        return;
    const ReadOutcome outcome = ReadConnection(*it->second);
    if (outcome == ReadOutcome::Closed)
        Drop(id);
    else if (outcome == ReadOutcome::Complete)
        DispatchReady();
    ArmLateTimer();
}

void TReceiveTable::OnLateTimer()
{
    if (m_sendDepth > 0)
        return;
    JudgeLate();
    DispatchReady();
    ArmLateTimer();
}

void TReceiveTable::CloseAll()
{
    for (auto& [id, connection] : m_connections) {
        connection->notifier.reset();
        ::close(connection->fd);
    }
    m_connections.clear();
    m_inFlight = 0;
    DetachFromEventLoop();
}
