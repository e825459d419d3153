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
// table shared by both; a connection whose frame is truncated, announces more than 64 MiB or is
// not complete within the frame time limit is closed without dispatch.
class TUnixMessageWindows final : public TMessageWindows
{
public:
    // At most this many connections are read at once; more wait in the sockets' backlogs.
    static constexpr int MaxConnections = 512;

    TUnixMessageWindows();
    ~TUnixMessageWindows() override;
    TUnixMessageWindows(const TUnixMessageWindows&) = delete;
    TUnixMessageWindows& operator=(const TUnixMessageWindows&) = delete;

    // Registering the first class also makes sure the runtime folder may be used; if not, the
    // registration fails with an error that names the folder.
    bool RegisterClass(const QByteArray& className) override;
    bool UnregisterClass(const QByteArray& className) override;
    quint32 CreateWindow(const QByteArray& className, const QByteArray& windowName, WindowProc proc) override;
    void SetWindowProc(quint32 window, WindowProc proc) override;
    void DestroyWindow(quint32 window) override;
    quint32 FindWindow(QByteArrayView className, QByteArrayView windowName) override;
    bool IsWindow(quint32 window) override;
    std::int32_t SendCopyData(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload) override;
    QString LastErrorString() const override { return lastError; }

    // How long an accepted connection may take to deliver its frame: 5 s; tests shorten it.
    void SetFrameTimeLimit(int milliseconds) { frameTimeLimit = milliseconds; }
    int FrameTimeLimit() const { return frameTimeLimit; }

    // Connections accepted and not yet answered or dropped.
    int OpenConnections() const { return int(connections.size()); }
    // Frames dropped unanswered since the start (truncated, too large, too late).
    int DroppedFrames() const { return dropped; }

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
    int frameTimeLimit = 5000;
    int dropped = 0;
    bool accepting = true;
    bool serviceQueued = false;
    std::unique_ptr<QObject> context; // receives the event loop's calls
    QTimer* lateTimer = nullptr;      // owned by context
    TRuntimeFolder folderChecked;
    QString lastError;
};

// The process's instance, the one TMessageWindows::Default() returns.
TUnixMessageWindows& UnixMessageWindows();
