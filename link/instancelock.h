#pragma once

#include <QByteArray>

// The named lock that marks a running instance of a program. Whoever holds it is the first
// instance; the lock goes with its holder, so a crashed instance never blocks the next start.
// It also names its holder's message window, the one that other instances hand over to.
class TInstanceLock
{
public:
    enum class Outcome {
        Acquired,   // this process is the first instance; the handle is not 0
        HeldByOther, // another instance runs
        Failed,     // no lock could be had; run as if first, without one
    };
    struct Result
    {
        Outcome outcome = Outcome::Failed;
        quint32 handle = 0;
    };

    virtual ~TInstanceLock();

    // The process's implementation for this platform.
    static TInstanceLock& Default();

    // Opens or creates the lock as one step. The one who obtains it names its window (0 for
    // none) as the holder's, so that other instances can find it.
    virtual Result Acquire(const QByteArray& name, quint32 window) = 0;
    virtual void Release(quint32 handle) = 0;
    // The window that the lock's present or last holder named; 0 when none is named.
    virtual quint32 HolderWindow(const QByteArray& name) = 0;
};
