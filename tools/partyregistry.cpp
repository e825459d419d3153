#include "tools/partyregistry.h"

#include "link/messagewindows.h"
#include "tools/servertext.h"

TPartyRegistry::TPartyRegistry(TMessageWindows& windows, LineSink report)
    : m_windows(windows)
    , m_report(std::move(report))
{
}

QByteArray TPartyRegistry::Register(const TEntityRecord& record)
{
    Unregister(record.Handle);
    if (record.FileName.size() > MaxPartyText || record.Title.size() > MaxPartyText)
        return "too-long";
    if (qsizetype(m_parties.size()) >= MaxParties)
        DropGone();
    if (qsizetype(m_parties.size()) >= MaxParties)
        return "full";
    m_parties.push_back(record);
    return {};
}

void TPartyRegistry::Unregister(quint32 handle)
{
    std::erase_if(m_parties, [&](const TEntityRecord& party) { return party.Handle == handle; });
}

std::optional<TEntityRecord> TPartyRegistry::ByHandle(quint32 handle)
{
    return Find([&](const TEntityRecord& party) { return party.Handle == handle; });
}

std::optional<TEntityRecord> TPartyRegistry::ByTitle(const QByteArray& title, quint32 except)
{
    return Find([&](const TEntityRecord& party) { return party.Title == title && party.Handle != except; });
}

const std::vector<TEntityRecord>& TPartyRegistry::Live()
{
    DropGone();
    return m_parties;
}

std::optional<TEntityRecord> TPartyRegistry::Find(const std::function<bool(const TEntityRecord&)>& test)
{
    for (auto it = m_parties.begin(); it != m_parties.end();) {
        if (!test(*it)) {
            ++it;
            continue;
        }
        // A party killed without unregistering would otherwise be the answer for ever.
        if (m_windows.IsWindow(it->Handle))
            return *it;
        if (m_report)
            m_report("dropped " + servertext::RecordFields(*it));
        it = m_parties.erase(it);
    }
    return std::nullopt;
}

void TPartyRegistry::DropGone()
{
    std::vector<TEntityRecord> kept;
    for (const TEntityRecord& party : m_parties) {
        if (m_windows.IsWindow(party.Handle))
            kept.push_back(party);
        else if (m_report)
            m_report("dropped " + servertext::RecordFields(party));
    }
    m_parties = std::move(kept);
}
