#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>

// Message windows of the user's session: named endpoints found by class and window name, each
// with a procedure that answers synchronous messages from other processes. One instance serves
// every window of the process; the link, the teaching server and the tests all go through it,
// so a backend for another platform replaces this interface only.
//
// Everything runs on the thread that created the windows. A send is synchronous: while it
// waits for its result, the windows of this process keep being served (their procedures may
// send again, nesting deeper), and nothing else runs: no timers, no user input, no paint.
class TMessageWindows
{
public:
    // Answers one message; the payload is handed over (not shared), so it may be kept without
    // a copy.
    using WindowProc = std::function<std::int32_t(quint32 message, quint32 wParam, quint32 dwData,
                                                  QByteArray payload)>;

    virtual ~TMessageWindows();

    // The process's implementation for this platform.
    static TMessageWindows& Default();

    // Window classes are a table of the process; registering a name twice fails.
    virtual bool RegisterClass(const QByteArray& className) = 0;
    virtual bool UnregisterClass(const QByteArray& className) = 0;

    // A new window of a registered class; 0 on failure (LastErrorString says why).
    virtual quint32 CreateWindow(const QByteArray& className, const QByteArray& windowName, WindowProc proc) = 0;
    virtual void SetWindowProc(quint32 window, WindowProc proc) = 0;
    // Safe from inside the window's own procedure.
    virtual void DestroyWindow(quint32 window) = 0;

    // A live window whose class and window name both match without regard to ASCII case; of
    // several, the lowest handle; 0 for none.
    virtual quint32 FindWindow(const QByteArrayView className, const QByteArrayView windowName) = 0;
    virtual bool IsWindow(quint32 window) = 0;

    // Sends a copy-data message and waits for the target's result, serving this process's
    // windows meanwhile. A missing target, handle 0 or an oversized payload give 0 at once;
    // a target that goes away before answering, or that makes no progress for the send time
    // limit, gives 0.
    virtual std::int32_t SendCopyData(quint32 target, quint32 wParam, quint32 dwData, QByteArrayView payload) = 0;

    // What became of the last send that returned, so that 0 as a result can be told from 0 as
    // no result at all.
    enum class SendOutcome {
        Answered,     // the target's procedure returned the result
        Unanswered,   // the message went out whole; no result came back
        NotDelivered, // no such window, a peer of another user, an oversized payload, or the
                      // message was not taken whole
    };
    virtual SendOutcome LastSendOutcome() const = 0;

    // Every send under way returns as unanswered once control is back in it; sends begun
    // afterwards go ahead as usual.
    virtual void CancelSends() = 0;

    // Why no window can be made in this session at all (the folder of the windows refused,
    // named in the text); empty when windows can be made.
    virtual QString RefusalReason() = 0;

    // What the last failing call of this interface ran into; empty when the system gave no text.
    virtual QString LastErrorString() const = 0;
};
