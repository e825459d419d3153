#include "tools/servercommands.h"

#include "link/tutorixcodec.h"
#include "tools/servertext.h"
#include "tools/tutorixserver.h"

namespace {

std::optional<quint32> ParseHandle(const QByteArray& text)
{
    if (text.size() != 8)
        return std::nullopt;
    bool ok = false;
    const quint32 value = text.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

TServerCommands::TServerCommands(TTutorixServer& server)
    : m_server(server)
{
}

bool TServerCommands::Command(const QByteArray& rawLine)
{
    const QList<QByteArray> words = rawLine.simplified().split(' ');
    const QByteArray verb = words.value(0);
    if (verb.isEmpty())
        return true;
    if (verb == "exit")
        return false;
    if (verb == "list") {
        List();
    } else if (verb == "late") {
        m_server.QueueLate();
        m_server.Emit("queued late");
    } else if (verb == "nested") {
        Nested(words);
    } else if (verb == "quit" || verb == "params" || verb == "send") {
        SendNow(words);
    } else {
        m_server.Emit("error unknown command: " + servertext::Escape(verb));
    }
    return true;
}

void TServerCommands::List()
{
    const std::vector<TEntityRecord>& parties = m_server.Parties().Live();
    for (const TEntityRecord& party : parties)
        m_server.Emit("party " + servertext::RecordFields(party));
    m_server.Emit("listed count=" + QByteArray::number(qsizetype(parties.size())));
}

void TServerCommands::Nested(const QList<QByteArray>& words)
{
    const QByteArray what = words.value(1);
    if (what != "quit" && what != "params" && (what != "send" || words.size() < 3)) {
        m_server.Emit("error usage: nested quit [BYTE] | nested params [ENTRY...] | nested send CODE [HEX]");
        return;
    }
    m_server.QueueNested(Message(what, words.mid(2), true));
    m_server.Emit("queued nested " + what);
}

void TServerCommands::SendNow(const QList<QByteArray>& words)
{
    const QByteArray& verb = words[0];
    if (words.size() < 2 || (verb == "send" && words.size() < 3)) {
        m_server.Emit("error usage: quit PARTY [BYTE] | params PARTY [ENTRY...] | send PARTY CODE [HEX]");
        return;
    }
    const std::optional<quint32> to = ResolveParty(words[1]);
    if (!to) {
        m_server.Emit("error no such party: " + words[1]);
        return;
    }
    m_server.Send(*to, Message(verb, words.mid(2), false));
}

TServerSend TServerCommands::Message(const QByteArray& verb, const QList<QByteArray>& args, bool nested)
{
    TServerSend send;
    send.verb = verb;
    if (verb == "quit") {
        TByteStream content;
        content.WriteByte(quint8(args.value(0, "0").toUInt()));
        send.code = msgQuit;
        send.content = content.Data();
    } else if (verb == "params") {
        QList<QByteArray> entries;
        for (const QByteArray& arg : args)
            entries.append(servertext::Unescape(arg));
        send.code = msgParams;
        send.content = EncodeParamText(entries);
    } else {
        send.code = args.value(0).toUInt();
        send.content = QByteArray::fromHex(args.value(1));
        if (nested) {
            send.verb = "message";
            send.detail = " code=" + QByteArray::number(send.code);
        }
    }
    return send;
}

std::optional<quint32> TServerCommands::ResolveParty(const QByteArray& token)
{
    if (token.startsWith("title:")) {
        if (const std::optional<TEntityRecord> party = m_server.Parties().ByTitle(servertext::Unescape(token.sliced(6)), 0))
            return party->Handle;
        return std::nullopt;
    }
    return ParseHandle(token);
}
