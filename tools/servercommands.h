#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

class TTutorixServer;
struct TServerSend;

// The commands that drive the reference server, one line each: list the parties, send them
// quit, parameter and other messages now, or queue one for the next request, or a late reply.
// Every outcome is a line of the server's output (the format is in TTutorixServer::Usage()).
class TServerCommands
{
public:
    explicit TServerCommands(TTutorixServer& server);

    // Carries out one command line; false for "exit".
    bool Command(const QByteArray& line);

private:
    void List();
    void Nested(const QList<QByteArray>& words);
    void SendNow(const QList<QByteArray>& words);
    // The message of a quit, params or send command from its arguments after the party; for a
    // nested send, reported as "message" with its code.
    static TServerSend Message(const QByteArray& verb, const QList<QByteArray>& args, bool nested);
    // A handle of 8 hex digits, or title:TITLE for a registered party.
    std::optional<quint32> ResolveParty(const QByteArray& token);

    TTutorixServer& m_server;
};
