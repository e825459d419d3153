#pragma once

#include <QByteArray>

// The named lock that marks a running instance of a program. Whoever holds it is the first
// instance; the lock goes with its holder, so a crashed instance never blocks the next start.
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

    // Opens or creates the lock as one step.
    virtual Result Acquire(const QByteArray& name) = 0;
    virtual void Release(quint32 handle) = 0;
};
