#include "link/sendloop_unix.h"

#include "link/localsocket_unix.h"
#include "link/receivetable_unix.h"
#include "link/tutorixcodec.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

constexpr qint64 kLargeFrame = 256 * 1024;
constexpr qint64 kMaxSendBuffer = 4 * 1024 * 1024;
// How often a send retries a connection that found the target's backlog full.
constexpr int kConnectRetryMs = 5;

} // namespace

TSendLoop::TSendLoop(TReceiveTable& table, QByteArray path, int timeLimit)
    : m_table(table)
    , m_path(std::move(path))
    , m_timeLimit(timeLimit)
{
}

TSendLoop::~TSendLoop()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

TSendLoop::Result TSendLoop::Run(quint32 wParam, quint32 dwData, QByteArrayView payload,
                                 const std::function<bool()>& cancelled)
{
    m_payload = payload;
    m_total = FrameHeaderSize + payload.size();
    if (!Open())
        return Finish();
    if (!TryConnect()) {
        ::close(std::exchange(m_fd, -1));
        return Finish();
    }
    m_header = EncodeFrameHeader({WM_COPYDATA, wParam, dwData, quint32(payload.size())});
    // A send gives up after this long without progress: a target that takes the frame and
    // never answers, or a stopped one, must not hold this process for good.
    m_quiet = QDeadlineTimer(m_timeLimit);

    m_table.BeginSend();
    // Most frames fit into the socket at once: no poll before the first write.
    bool ended = m_connected && !WriteMore();
    while (!ended && !cancelled()) {
        const Step step = Next();
        ended = step != Step::Go;
    }
    ::close(std::exchange(m_fd, -1));
    m_table.EndSend();
    return Finish();
}

bool TSendLoop::Open()
{
    if (!localsocket::FillAddress(m_path, m_address))
        return false;
    m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        m_error = localsocket::SystemError(QStringLiteral("Could not create a socket"), errno);
        return false;
    }
    // A large frame crosses in fewer, larger pieces (the system caps what it grants).
    if (m_payload.size() > kLargeFrame) {
        const int buffer = int(std::min<qint64>(m_total, kMaxSendBuffer));
        (void)::setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    }
    return true;
}

bool TSendLoop::TryConnect()
{
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&m_address), sizeof m_address) == 0) {
        m_connected = true;
        // Whoever listens there must be this user: nothing of ours goes to anyone else.
        m_foreign = !localsocket::PeerIsThisUser(m_fd);
        return !m_foreign;
    }
    // A full backlog: the target lives but is busy; try again while serving our windows.
    return errno == EAGAIN || errno == EINTR;
}

bool TSendLoop::WriteMore()
{
    iovec parts[2];
    int count = 0;
    if (m_sent < FrameHeaderSize) {
        parts[count++] = {const_cast<char*>(m_header.constData() + m_sent), size_t(FrameHeaderSize - m_sent)};
        if (!m_payload.isEmpty())
            parts[count++] = {const_cast<char*>(m_payload.data()), size_t(m_payload.size())};
    } else {
        const qint64 offset = m_sent - FrameHeaderSize;
        parts[count++] = {const_cast<char*>(m_payload.data() + offset), size_t(m_payload.size() - offset)};
    }
    msghdr message {};
    message.msg_iov = parts;
    message.msg_iovlen = size_t(count);
    const ssize_t n = ::sendmsg(m_fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
        m_sent += n;
        Progress();
    }
    return n > 0 || errno == EAGAIN || errno == EINTR;
}

bool TSendLoop::ReadResult()
{
    const ssize_t n = ::recv(m_fd, m_resultBytes + m_resultHave, size_t(4 - m_resultHave), MSG_DONTWAIT);
    if (n > 0) {
        m_resultHave += int(n);
        Progress();
        return true;
    }
    return n < 0 && (errno == EAGAIN || errno == EINTR);
}

TSendLoop::Step TSendLoop::Next()
{
    // Until our frame is out, others' frames wait: two peers that send each other large frames
    // both keep reading and never block each other. Serving them is no progress of this send:
    // a peer that keeps talking and never answers must not hold it for good.
    if (FrameOut() && m_table.HasCompleteFrame()) {
        m_table.DispatchReady();
        return Step::Go;
    }
    if (m_quiet.hasExpired()) {
        // The result may have come while a message was served.
        if (FrameOut() && ReadResult() && m_resultHave == 4)
            return Step::Done;
        if (m_quiet.hasExpired()) {
            m_error = QStringLiteral("No answer from %1 within %2 ms").arg(QFile::decodeName(m_path)).arg(m_timeLimit);
            return Step::Failed;
        }
    }

    const int lateDue = m_table.JudgeLate();
    if (FrameOut() && m_table.HasCompleteFrame())
        return Step::Go; // a late look completed one
    short events = 0;
    if (m_connected)
        events = m_sent < m_total ? POLLOUT : POLLIN;
    m_fds.clear();
    m_fds.push_back({m_fd, events, 0});
    m_table.AddPollEntries(m_fds);
    const int ready = ::poll(m_fds.data(), nfds_t(m_fds.size()), PollTimeout(lateDue));
    if (ready < 0 && errno != EINTR)
        return Step::Failed;
    const Step own = HandleOwnSocket(ready > 0 ? m_fds[0].revents : 0);
    if (own != Step::Failed && ready > 0)
        m_table.Serve(m_fds, 1);
    return own;
}

int TSendLoop::PollTimeout(int lateDue) const
{
    const int quietLeft = int(std::max<qint64>(0, m_quiet.remainingTime()) + 1);
    int timeout = lateDue < 0 ? quietLeft : std::min(lateDue, quietLeft);
    if (!m_connected)
        timeout = std::min(timeout, kConnectRetryMs);
    return timeout;
}

TSendLoop::Step TSendLoop::HandleOwnSocket(short revents)
{
    if (!m_connected)
        return !TryConnect() || (m_connected && !WriteMore()) ? Step::Failed : Step::Go;
    if (m_sent < m_total) {
        if ((revents & (POLLOUT | POLLERR | POLLHUP)) && !WriteMore())
            return Step::Failed; // the receiver has gone
        return Step::Go;
    }
    if (!(revents & (POLLIN | POLLERR | POLLHUP)))
        return Step::Go;
    if (!ReadResult()) {
        m_error = QStringLiteral("%1 closed the connection without an answer").arg(QFile::decodeName(m_path));
        return Step::Failed;
    }
    return m_resultHave == 4 ? Step::Done : Step::Go;
}

TSendLoop::Result TSendLoop::Finish() const
{
    Result result;
    result.error = m_error;
    if (m_foreign)
        result.error = QStringLiteral("The window %1 belongs to another user").arg(QFile::decodeName(m_path));
    if (m_resultHave == 4) {
        result.outcome = TMessageWindows::SendOutcome::Answered;
        result.value = qFromLittleEndian<qint32>(m_resultBytes);
        return result;
    }
    result.outcome = m_connected && !m_foreign && m_sent == m_total ? TMessageWindows::SendOutcome::Unanswered
                                                                     : TMessageWindows::SendOutcome::NotDelivered;
    return result;
}
