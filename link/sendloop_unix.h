#pragma once

#include "link/messagewindows.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDeadlineTimer>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include <poll.h>
#include <sys/un.h>

class TReceiveTable;

// One copy-data message to a window of another process: a connection of its own carries the
// frame, and the 4-byte result comes back on it. While it waits, this process's windows are
// served through the receive table, so their procedures run meanwhile (and may send again,
// nesting deeper). Only bytes of its own frame taken and of its result arriving count as
// progress: a send without progress for its time limit counts as unanswered, however much the
// others talk meanwhile.
class TSendLoop
{
public:
    // How long a send waits without progress of its own before it counts as unanswered.
    static constexpr int DefaultTimeLimit = 10000;

    struct Result
    {
        TMessageWindows::SendOutcome outcome = TMessageWindows::SendOutcome::NotDelivered;
        std::int32_t value = 0;
        QString error; // what went wrong, when it is worth telling; else empty
    };

    TSendLoop(TReceiveTable& table, QByteArray path, int timeLimit);
    ~TSendLoop();
    TSendLoop(const TSendLoop&) = delete;
    TSendLoop& operator=(const TSendLoop&) = delete;

    // Sends one frame and waits for its result; cancelled is asked before every step, and a
    // cancelled send ends as unanswered.
    Result Run(quint32 wParam, quint32 dwData, QByteArrayView payload, const std::function<bool()>& cancelled);

private:
    enum class Step { Go, Done, Failed };

    bool Open();
    // False when the target cannot be reached: no listener, or one of another user.
    bool TryConnect();
    // Writes what the socket takes now; false once the receiver has gone.
    bool WriteMore();
    // Reads what has come of the result; false once the receiver closed without a whole one.
    bool ReadResult();
    void Progress() { m_quiet.setRemainingTime(m_timeLimit); }
    bool FrameOut() const { return m_connected && m_sent == m_total; }

    // One round: serves complete frames, or waits for this socket and the table's and handles
    // what became ready.
    Step Next();
    int PollTimeout(int lateDue) const;
    Step HandleOwnSocket(short revents);
    Result Finish() const;

    TReceiveTable& m_table;
    QByteArray m_path;
    int m_timeLimit;
    sockaddr_un m_address {};
    int m_fd = -1;
    bool m_connected = false;
    bool m_foreign = false;
    QByteArray m_header;
    QByteArrayView m_payload;
    qint64 m_total = 0;
    qint64 m_sent = 0;
    char m_resultBytes[4] = {};
    int m_resultHave = 0;
    QDeadlineTimer m_quiet;
    QString m_error;
    std::vector<pollfd> m_fds;
};
