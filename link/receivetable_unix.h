#pragma once

#include "link/tutorixcodec.h"

#include <QDeadlineTimer>

#include <map>
#include <memory>
#include <vector>

#include <poll.h>

class QObject;
class QSocketNotifier;
class QTimer;
class TWindowDirectory;

// The connections accepted on this process's windows, read without blocking into one table,
// each until its frame is complete; then the frame goes to its window's procedure and the
// procedure's result back on the connection. A message is one connection carrying one frame.
//
// When no send is under way, the Qt event loop watches the sockets (socket notifiers; a
// QCoreApplication must exist for that). While a send waits, its loop polls the same sockets
// (AddPollEntries, Serve) and dispatches between its own steps, and the event loop leaves them
// alone. A connection whose frame is truncated, announces more than 64 MiB, brings bytes that
// would take the frames in flight over their common budget, or is not complete within the
// frame time limit is closed without dispatch. Peers of another user are refused.
class TReceiveTable
{
public:
    // At most this many connections are read at once; more wait in the sockets' backlogs.
    static constexpr int MaxConnections = 512;
    // How long an accepted connection may take to deliver its frame.
    static constexpr int DefaultFrameTimeLimit = 5000;
    // The payload bytes that the frames being received may hold together, over all connections,
    // counted as they arrive; the frame whose bytes would go beyond is dropped. What a header
    // announces costs nothing until it comes, so a peer that sends nothing takes nothing.
    static constexpr qint64 DefaultInFlightBudget = qint64(128) * 1024 * 1024;

    // applicationGone is called, as a post routine, when the application object goes, so that
    // the event loop's watchers go with it (see DetachFromEventLoop).
    TReceiveTable(TWindowDirectory& directory, void (*applicationGone)());
    ~TReceiveTable();
    TReceiveTable(const TReceiveTable&) = delete;
    TReceiveTable& operator=(const TReceiveTable&) = delete;

    void SetFrameTimeLimit(int milliseconds) { m_frameTimeLimit = milliseconds; }
    int FrameTimeLimit() const { return m_frameTimeLimit; }
    void SetInFlightBudget(qint64 bytes) { m_inFlightBudget = bytes; }
    qint64 InFlightBudget() const { return m_inFlightBudget; }
    int OpenConnections() const { return int(m_connections.size()); }
    int DroppedFrames() const { return m_dropped; }
    int RefusedPeers() const { return m_refusedPeers; }
    qint64 BytesInFlight() const { return m_inFlight; }

    // A new window of the directory is watched by the event loop.
    void WatchWindow(quint32 handle);
    // Before a window's socket closes: its watcher goes.
    void UnwatchWindow(quint32 handle);
    // After it closed: its connections are closed unanswered, and their senders' sends end.
    void DropConnectionsOf(quint32 handle);

    // Sends under way, nested ones counted each. While there is one, the event loop leaves the
    // sockets to the send's loop; when the outermost ends, the event loop takes over again.
    void BeginSend() { ++m_sendDepth; }
    void EndSend();

    // For the send loop.
    bool HasCompleteFrame() const;
    // Dispatches every complete frame; each dispatch may nest and change the table.
    void DispatchReady();
    // Drops the connections whose time is up; returns milliseconds until the next is due, or -1.
    int JudgeLate();
    // Appends what to poll: the windows while connections are taken, and the connections whose
    // frames are not complete.
    void AddPollEntries(std::vector<pollfd>& fds);
    // Serves what the poll found ready among the entries from first on, as AddPollEntries made
    // them. Reads only: no procedure is called, so the table stays as polled.
    void Serve(const std::vector<pollfd>& fds, size_t first);

    // The event loop's watchers go; the connections stay.
    void DetachFromEventLoop();
    // Every connection is closed unanswered.
    void CloseAll();

private:
    struct Connection
    {
        int fd = -1;
        quint32 window = 0;
        TFrameReader reader;
        qint64 claim = 0; // of the in-flight budget: the payload bytes it holds
        QDeadlineTimer deadline;
        std::unique_ptr<QSocketNotifier> notifier;
    };
    enum class ReadOutcome { Open, Complete, Closed };

    bool EnsureEventLoopContext();
    void WatchConnection(quint64 id, Connection& connection);
    void OnWindowReadable(quint32 handle);
    void OnConnectionReadable(quint64 id);
    void OnLateTimer();

    void AcceptOne(quint32 handle);
    ReadOutcome ReadConnection(Connection& connection);
    // Brings the connection's claim up to the payload bytes it holds; false when they do not
    // fit into the budget.
    bool Claim(Connection& connection);
    void Release(Connection& connection);
    void Drop(quint64 id);
    void Dispatch(quint64 id);
    void ArmLateTimer();
    void QueueService();
    void SetAccepting(bool on);

    TWindowDirectory& m_directory;
    void (*m_applicationGone)();
    std::map<quint64, std::unique_ptr<Connection>> m_connections;
    std::map<quint32, std::unique_ptr<QSocketNotifier>> m_windowNotifiers;
    std::vector<quint64> m_polled; // connection ids of the entries AddPollEntries made; 0: a window
    quint64 m_nextConnectionId = 1;
    int m_sendDepth = 0;
    int m_frameTimeLimit = DefaultFrameTimeLimit;
    qint64 m_inFlightBudget = DefaultInFlightBudget;
    qint64 m_inFlight = 0;
    int m_dropped = 0;
    int m_refusedPeers = 0;
    bool m_accepting = true;
    bool m_serviceQueued = false;
    std::unique_ptr<QObject> m_context; // receives the event loop's calls
    QTimer* m_lateTimer = nullptr;      // owned by m_context
};
