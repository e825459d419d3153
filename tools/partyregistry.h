#pragma once

#include "link/tutorixcodec.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

class TMessageWindows;

// The parties registered with the reference server, in the order they registered. At most
// MaxParties are kept, each with a file name and a title of at most MaxPartyText bytes. A
// party whose window has gone is dropped when a lookup or the list meets it, and a "dropped"
// line says so.
class TPartyRegistry
{
public:
    using LineSink = std::function<void(const QByteArray& line)>;

    static constexpr qsizetype MaxParties = 1024;
    static constexpr qsizetype MaxPartyText = 4096;

    TPartyRegistry(TMessageWindows& windows, LineSink report);

    // The party takes the place of any of its handle; empty when it joins the list, else why
    // not: "too-long" or "full".
    QByteArray Register(const TEntityRecord& record);
    void Unregister(quint32 handle);

    std::optional<TEntityRecord> ByHandle(quint32 handle);
    // The earliest registered party of this title other than except.
    std::optional<TEntityRecord> ByTitle(const QByteArray& title, quint32 except);
    // The parties whose windows are still there; the others are dropped first.
    const std::vector<TEntityRecord>& Live();

private:
    // The first party that the test accepts and whose window is still there; those found gone
    // on the way are dropped.
    std::optional<TEntityRecord> Find(const std::function<bool(const TEntityRecord&)>& test);
    void DropGone();

    TMessageWindows& m_windows;
    LineSink m_report;
    std::vector<TEntityRecord> m_parties;
};
