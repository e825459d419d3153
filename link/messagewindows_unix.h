#pragma once

#include "messagewindows.h"
#include "runtimefolder_unix.h"
#include "tutorixcodec.h"

#include <QDeadlineTimer>

#include <map>
#include <memory>
#include <set>

class QObject;
class QSocketNotifier;
class QTimer;

// Message windows as Unix-domain sockets in the user's runtime folder: a window is a listening
// socket "<handle>.sock" plus an info file "<handle>.win" with its class and window name. A
// message is one connection carrying one frame; its result comes back on the same connection.
//
// When idle, the Qt event loop watches the sockets (socket notifiers; a QCoreApplication must
// exist for that). Inside a send, one poll loop serves the sending connection and every window
// and connection of the process. Accepted connections are read without blocking into one
// table shared by both; a connection whose frame is truncated, announces more than 64 MiB,
// brings bytes that would take the frames in flight over their common budget, or is not
// complete within the frame time limit is closed without dispatch. Peers of another user are
// refused both ways.
class TUnixMessageWindows final : public TMessageWindows
{
public:
    // At most this many connections are read at once; more wait in the sockets' backlogs.
    static constexpr int MaxConnections = 512;
    // How long an accepted connection may take to deliver its frame.
    static constexpr int DefaultFrameTimeLimit = 5000;
    // How long a send waits without progress of its own (bytes of its frame taken, bytes of its
    // result arriving) before it counts as unanswered; messages served meanwhile do not count.
    static constexpr int DefaultSendTimeLimit = 10000;
    // The payload bytes that the frames being received may hold together, over all connections,
    // counted as they arrive; the frame whose bytes would go beyond is dropped. What a header
    // announces costs nothing until it comes, so a peer that sends nothing takes nothing.
    static constexpr qint64 DefaultInFlightBudget = qint64(128) * 1024 * 1024;
    // A socket file without its info file is left alone this long: its window may be in the
    // making.
    static constexpr int OrphanSocketAgeSeconds = 60;

    TUnixMessageWindows();
    ~TUnixMessageWindows() override;
    TUnixMessageWindows(const TUnixMessageWindows&) = delete;
    TUnixMessageWindows& operator=(const TUnixMessageWindows&) = delete;

    // Registering the first class also makes sure the runtime folder may be used; if not, the
    // registration fails with an error that names the folder. The first registration in a
    // folder clears the files of this user's windows whose processes died.
    bool RegisterClass(const QByteArray& className) override;
    bool UnregisterClass(const QByteArray& className) override;
    quint32 CreateWindow(const QByteArray& className, const QByteArray& windowName, WindowProc proc) override;
    void SetWindowProc(quint32 window, WindowProc proc) override;
    void DestroyWindow(quint32 window) override;
    quint32 FindWindow(QByteArrayView className, QByteArrayView windowName) override;
    bool IsWindow(quint32 window) override;
    std::int32_t SendCopyData(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload) override;
    SendOutcome LastSendOutcome() const override { return lastOutcome; }
    void CancelSends() override { ++cancelGeneration; }
    QString RefusalReason() override;
    QString LastErrorString() const override { return lastError; }

    // The limits above; tests shorten them.
    void SetFrameTimeLimit(int milliseconds) { frameTimeLimit = milliseconds; }
    int FrameTimeLimit() const { return frameTimeLimit; }
    void SetSendTimeLimit(int milliseconds) { sendTimeLimit = milliseconds; }
    int SendTimeLimit() const { return sendTimeLimit; }
    void SetInFlightBudget(qint64 bytes) { inFlightBudget = bytes; }
    qint64 InFlightBudget() const { return inFlightBudget; }

    // Connections accepted and not yet answered or dropped.
    int OpenConnections() const { return int(connections.size()); }
    // Frames dropped unanswered since the start (truncated, too large, over the budget, too late).
    int DroppedFrames() const { return dropped; }
    // Connections refused since the start because their peer is another user.
    int RefusedPeers() const { return refusedPeers; }
    // Payload bytes that the frames being received hold.
    qint64 BytesInFlight() const { return inFlight; }

    // Called when the application object goes: the event loop's watchers go with it.
    void DetachFromEventLoop();

private:
    struct Window
    {
        int fd = -1;
        QByteArray folder;
        QByteArray className;
        QByteArray windowName;
        WindowProc proc;
        std::unique_ptr<QSocketNotifier> notifier;
    };
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
    void WatchWindow(quint32 handle, Window& window);
    void WatchConnection(quint64 id, Connection& connection);
    void OnWindowReadable(quint32 handle);
    void OnConnectionReadable(quint64 id);
    void OnLateTimer();

    void AcceptOne(quint32 handle);
    const TRuntimeFolder& Folder(bool create);
    ReadOutcome ReadConnection(Connection& connection);
    // Brings the connection's claim up to the payload bytes it holds; false when they do not
    // fit into the budget.
    bool Claim(Connection& connection);
    void Release(Connection& connection);
    void SweepStale(const QByteArray& folder);
    void Drop(quint64 id);
    bool HasCompleteFrame() const;
    void DispatchReady();
    void Dispatch(quint64 id);
    // Drops the connections whose time is up; returns milliseconds until the next is due, or -1.
    int JudgeLate();
    void ArmLateTimer();
    void QueueService();
    void UpdateAccepting();
    void CloseAll();

    std::int32_t CallOwnWindow(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload);
    std::int32_t SendOverSocket(const QByteArray& path, quint32 wParam, quint32 dwData, QByteArrayView payload);
    void SetSystemError(const QString& what, int error);

    std::set<QByteArray> classes;
    std::map<quint32, Window> windows;
    std::map<quint64, std::unique_ptr<Connection>> connections;
    quint64 nextConnectionId = 1;
    int sendDepth = 0;
    int frameTimeLimit = DefaultFrameTimeLimit;
    int sendTimeLimit = DefaultSendTimeLimit;
    qint64 inFlightBudget = DefaultInFlightBudget;
    qint64 inFlight = 0;
    quint64 cancelGeneration = 0;
    SendOutcome lastOutcome = SendOutcome::NotDelivered;
    int dropped = 0;
    int refusedPeers = 0;
    std::set<QByteArray> swept; // folders cleared of dead windows
    bool accepting = true;
    bool serviceQueued = false;
    std::unique_ptr<QObject> context; // receives the event loop's calls
    QTimer* lateTimer = nullptr;      // owned by context
    TRuntimeFolder folderChecked;
    QString lastError;
};

// The process's instance, the one TMessageWindows::Default() returns.
TUnixMessageWindows& UnixMessageWindows();
