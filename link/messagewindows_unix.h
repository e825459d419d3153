#pragma once

#include "link/messagewindows.h"
#include "link/receivetable_unix.h"
#include "link/sendloop_unix.h"
#include "link/windowdirectory_unix.h"

// Message windows as Unix-domain sockets in the user's runtime folder. Three parts do the
// work: the window directory (the windows' files: a listening socket and an info file each),
// the receive table (the connections accepted on this process's windows, served by the Qt
// event loop when idle) and the send loop (one connection per message sent, which serves the
// table while it waits). Peers of another user are refused both ways.
class TUnixMessageWindows final : public TMessageWindows
{
public:
    static constexpr int MaxConnections = TReceiveTable::MaxConnections;
    static constexpr int DefaultFrameTimeLimit = TReceiveTable::DefaultFrameTimeLimit;
    static constexpr int DefaultSendTimeLimit = TSendLoop::DefaultTimeLimit;
    static constexpr qint64 DefaultInFlightBudget = TReceiveTable::DefaultInFlightBudget;
    static constexpr int OrphanSocketAgeSeconds = TWindowDirectory::OrphanSocketAgeSeconds;

    TUnixMessageWindows();
    ~TUnixMessageWindows() override;
    TUnixMessageWindows(const TUnixMessageWindows&) = delete;
    TUnixMessageWindows& operator=(const TUnixMessageWindows&) = delete;

    bool RegisterClass(const QByteArray& className) override;
    bool UnregisterClass(const QByteArray& className) override;
    quint32 CreateWindow(const QByteArray& className, const QByteArray& windowName, WindowProc proc) override;
    void SetWindowProc(quint32 window, WindowProc proc) override;
    void DestroyWindow(quint32 window) override;
    quint32 FindWindow(QByteArrayView className, QByteArrayView windowName) override;
    bool IsWindow(quint32 window) override;
    std::int32_t SendCopyData(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload) override;
    SendOutcome LastSendOutcome() const override { return m_lastOutcome; }
    void CancelSends() override { ++m_cancelGeneration; }
    QString RefusalReason() override;
    QString LastErrorString() const override { return m_lastError; }

    // The limits (see the parts); tests shorten them.
    void SetFrameTimeLimit(int milliseconds) { m_table.SetFrameTimeLimit(milliseconds); }
    int FrameTimeLimit() const { return m_table.FrameTimeLimit(); }
    void SetSendTimeLimit(int milliseconds) { m_sendTimeLimit = milliseconds; }
    int SendTimeLimit() const { return m_sendTimeLimit; }
    void SetInFlightBudget(qint64 bytes) { m_table.SetInFlightBudget(bytes); }
    qint64 InFlightBudget() const { return m_table.InFlightBudget(); }

    // Connections accepted and not yet answered or dropped.
    int OpenConnections() const { return m_table.OpenConnections(); }
    // Frames dropped unanswered since the start (truncated, too large, over the budget, too late).
    int DroppedFrames() const { return m_table.DroppedFrames(); }
    // Connections refused since the start because their peer is another user.
    int RefusedPeers() const { return m_table.RefusedPeers(); }
    // Payload bytes that the frames being received hold.
    qint64 BytesInFlight() const { return m_table.BytesInFlight(); }

    // Called when the application object goes: the event loop's watchers go with it.
    void DetachFromEventLoop() { m_table.DetachFromEventLoop(); }

private:
    std::int32_t CallOwnWindow(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload);

    QString m_lastError;
    TWindowDirectory m_directory{m_lastError};
    TReceiveTable m_table;
    int m_sendTimeLimit = DefaultSendTimeLimit;
    quint64 m_cancelGeneration = 0;
    SendOutcome m_lastOutcome = SendOutcome::NotDelivered;
};

// The process's instance, the one TMessageWindows::Default() returns.
TUnixMessageWindows& UnixMessageWindows();
