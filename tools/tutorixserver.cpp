#include "tutorixserver.h"

#include "demonrules.h"
#include "messagewindows.h"
#include "tools/commandlines.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QProcess>

namespace {

const QByteArray kServerClass = QByteArrayLiteral("ThisIsTheTutorixServerComponentWindowClass");
const QByteArray kServerWindow = QByteArrayLiteral("ThisIsTheTutorixServerComponentWindow");

QByteArray Hex(quint32 handle)
{
    return QByteArray::number(handle, 16).rightJustified(8, '0');
}

QByteArray StampText(TTimeStamp stamp)
{
    return QByteArray::number(stamp.Date) + ':' + QByteArray::number(stamp.Time);
}

TTimeStamp Now()
{
    return TimeStampOf(QDateTime::currentDateTime());
}

QByteArray RecordFields(const TEntityRecord& record)
{
    return "handle=" + Hex(record.Handle) + " mutex=" + Hex(record.MutexHandle)
           + " file=" + TTutorixServer::Escape(record.FileName) + " title=" + TTutorixServer::Escape(record.Title);
}

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

TTutorixServer::TTutorixServer(TServerOptions options_, TMessageWindows& windows_, LineSink output_)
    : options(std::move(options_))
    , windows(windows_)
    , output(std::move(output_))
    , context(std::make_unique<QObject>())
{
}

TTutorixServer::~TTutorixServer()
{
    if (handle != 0) {
        windows.DestroyWindow(handle);
        windows.UnregisterClass(className);
    }
}

bool TTutorixServer::Start(QString& error)
{
    className = kServerClass + options.HandleText;
    if (!windows.RegisterClass(className)) {
        error = windows.LastErrorString();
        return false;
    }
    handle = windows.CreateWindow(className, kServerWindow + options.HandleText,
                                  [this](quint32 message, quint32 wParam, quint32 dwData, QByteArray payload) {
                                      return WndProc(message, wParam, dwData, std::move(payload));
                                  });
    if (handle == 0) {
        error = windows.LastErrorString();
        windows.UnregisterClass(className);
        return false;
    }
    Emit("ready handle=" + Hex(handle) + " class=" + Escape(className) + " window="
         + Escape(kServerWindow + options.HandleText));
    return true;
}

void TTutorixServer::Emit(const QByteArray& line)
{
    if (output)
        output(line);
}

QByteArray TTutorixServer::Escape(const QByteArray& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u > ' ' && u < 0x7F && c != '%') {
            text += c;
        } else {
            text += '%';
            text += digits[u >> 4];
            text += digits[u & 15];
        }
    }
    return text;
}

QByteArray TTutorixServer::Unescape(const QByteArray& text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bool ok = false;
            const int value = text.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                bytes += char(value);
                i += 2;
                continue;
            }
        }
        bytes += text[i];
    }
    return bytes;
}

std::int32_t TTutorixServer::WndProc(quint32 message, quint32 wParam, quint32 dwData, QByteArray payload)
{
    if (message != WM_COPYDATA)
        return 0;
    TTimeStamp stamp;
    QByteArrayView content;
    if (!DecodePayload(payload, stamp, content)) {
        Emit("recv short from=" + Hex(wParam) + " code=" + QByteArray::number(dwData) + " size="
             + QByteArray::number(payload.size()));
        return 0;
    }
    TByteStream stream;
    payload.remove(0, TimeStampSize);
    stream.SetData(std::move(payload));
    HandleRequest(wParam, dwData, stamp, stream);
    return 0;
}

void TTutorixServer::HandleRequest(quint32 from, quint32 code, TTimeStamp stamp, TByteStream& content)
{
    QByteArray line = "from=" + Hex(from) + " stamp=" + StampText(stamp);
    std::optional<QByteArray> reply;
    try {
        reply = Answer(from, code, content, line);
    } catch (const EStreamReadError&) {
        Emit("recv malformed " + line + " code=" + QByteArray::number(code) + " size="
             + QByteArray::number(content.Size()));
        return;
    }
    Emit(line);
    if (!reply)
        return;
    RunNested(from);
    if (lateNext) {
        // Answered only after this request's handling has returned: the requester keeps it.
        lateNext = false;
        const QByteArray payload = *reply;
        QMetaObject::invokeMethod(
            context.get(), [this, from, stamp, payload]() { Reply(from, stamp, payload); }, Qt::QueuedConnection);
        return;
    }
    Reply(from, stamp, std::move(*reply));
}

std::optional<QByteArray> TTutorixServer::Answer(quint32 from, quint32 code, TByteStream& content, QByteArray& line)
{
    // The reply is built as its payload: room for the time stamp, then the content.
    TByteStream reply;
    reply.Write(QByteArray(TimeStampSize, '\0'));
    switch (code) {
    case msgRegister:
    case msgUnregister: {
        const TEntityRecord record = ReadEntityRecord(content);
        std::erase_if(parties, [&](const TEntityRecord& party) { return party.Handle == record.Handle; });
        line = (code == msgRegister ? "recv register " : "recv unregister ") + line + ' ';
        if (record.FileName.size() > MaxPartyText || record.Title.size() > MaxPartyText) {
            // Not written out either: a line of megabytes helps nobody.
            line += "handle=" + Hex(record.Handle) + " file-size=" + QByteArray::number(record.FileName.size())
                    + " title-size=" + QByteArray::number(record.Title.size());
        } else {
            line += RecordFields(record);
        }
        if (code == msgRegister) {
            const QByteArray refused = Admit(record);
            if (!refused.isEmpty())
                line += " refused=" + refused;
        }
        return std::nullopt;
    }
    case msgFindEntity: {
        const quint8 selector = content.ReadByte();
        std::optional<TEntityRecord> found;
        if (selector == feByHandle) {
            const quint32 wanted = quint32(content.ReadInt32());
            found = PartyByHandle(wanted);
            line = "recv find-handle " + line + " handle=" + Hex(wanted);
        } else if (selector == feByTitle) {
            const QByteArray title = content.ReadString();
            found = PartyByTitle(title, from);
            line = "recv find-title " + line + " title=" + Escape(title);
        } else {
            line = "recv find-entity " + line + " selector=" + QByteArray::number(selector);
        }
        line += " found=" + (found ? Hex(found->Handle) : QByteArray("none"));
        if (found)
            WriteEntityRecord(reply, *found);
        return reply.Data();
    }
    case msgExecute: {
        const QByteArray file = content.ReadString();
        const QByteArray arguments = content.ReadString();
        const bool wait = content.ReadBool();
        const qint32 option = content.ReadInt32();
        qint64 pid = 0;
        const QStringList args = QProcess::splitCommand(QString::fromLocal8Bit(arguments));
        if (!file.isEmpty() && !QProcess::startDetached(QFile::decodeName(file), args, QString(), &pid))
            pid = 0;
        line = "recv execute " + line + " file=" + Escape(file) + " args=" + Escape(arguments) + " wait="
               + QByteArray::number(wait ? 1 : 0) + " option=" + QByteArray::number(option)
               + " pid=" + QByteArray::number(pid);
        reply.WriteInt32(qint32(pid));
        return reply.Data();
    }
    case msgGetFile: {
        const QByteArray name = content.ReadString();
        QByteArray payload;
        qint64 size = 0;
        if (FileAllowed(name)) {
            QFile file(QFile::decodeName(options.FilesFolder + '/' + demonrules::FilePart(name)));
            size = file.size();
            // One reply must fit into one frame with its time stamp and found byte; the file
            // is read straight into it.
            constexpr qint64 head = TimeStampSize + 1;
            if (QFileInfo(file).isFile() && size <= MaxFramePayload - head && file.open(QIODevice::ReadOnly)) {
                payload = QByteArray(head + size, Qt::Uninitialized);
                payload[TimeStampSize] = 1;
                if (file.read(payload.data() + head, size) != size)
                    payload.clear();
            }
        }
        const bool found = !payload.isEmpty();
        line = "recv get-file " + line + " name=" + Escape(name) + " found=" + QByteArray::number(found ? 1 : 0)
               + " size=" + QByteArray::number(found ? size : 0);
        if (found)
            return payload;
        reply.WriteBool(false);
        return reply.Data();
    }
    case msgMapFileName: {
        const QByteArray name = content.ReadString();
        const QByteArray mapped = options.FilesFolder.isEmpty()
                                      ? name
                                      : options.FilesFolder + '/' + demonrules::FilePart(name);
        line = "recv map-file-name " + line + " name=" + Escape(name) + " result=" + Escape(mapped);
        reply.WriteString(mapped);
        return reply.Data();
    }
    case msgQueryString: {
        const QByteArray text = content.ReadString();
        line = "recv query-string " + line + " text=" + Escape(text) + " result=" + Escape(text);
        reply.WriteString(text);
        return reply.Data();
    }
    case msgGetVariable: {
        const QByteArray name = content.ReadString();
        const QByteArray value = options.Variables.value(name);
        line = "recv get-variable " + line + " name=" + Escape(name) + " value=" + Escape(value);
        reply.WriteString(value);
        return reply.Data();
    }
    case msgParams: {
        const QByteArray text = content.ReadRest();
        const std::optional<QList<QByteArray>> entries = DecodeParamText(text);
        line = "recv params " + line;
        if (!entries) {
            line += " refused size=" + QByteArray::number(text.size());
            return std::nullopt;
        }
        line += " count=" + QByteArray::number(entries->size());
        for (const QByteArray& entry : *entries)
            line += " entry=" + Escape(entry);
        return std::nullopt;
    }
    case msgQuit:
        line = "recv quit " + line + " down=" + QByteArray::number(content.ReadByte());
        return std::nullopt;
    case msgReply:
        line = "recv reply " + line + " size=" + QByteArray::number(content.Size());
        return std::nullopt;
    default:
        line = "recv message " + line + " code=" + QByteArray::number(code) + " size="
               + QByteArray::number(content.Size());
        return std::nullopt;
    }
}

void TTutorixServer::Reply(quint32 to, TTimeStamp stamp, QByteArray payload)
{
    const QByteArray head = EncodePayload(stamp, {});
    std::copy(head.begin(), head.end(), payload.begin());
    windows.SendCopyData(to, handle, msgReply, payload);
}

std::int32_t TTutorixServer::Send(quint32 to, quint32 code, TTimeStamp stamp, const QByteArray& content)
{
    return windows.SendCopyData(to, handle, code, EncodePayload(stamp, content));
}

bool TTutorixServer::FileAllowed(const QByteArray& name) const
{
    if (options.FilesFolder.isEmpty())
        return false;
    const QByteArray file = demonrules::FilePart(name);
    if (file.isEmpty() || file == "." || file == ".." || file.contains('\0'))
        return false;
    const QByteArray folder = demonrules::DirectoryPart(name);
    return folder.isEmpty() || folder == options.FilesFolder + '/';
}

std::optional<TEntityRecord> TTutorixServer::FindParty(const std::function<bool(const TEntityRecord&)>& test)
{
    for (auto it = parties.begin(); it != parties.end();) {
        if (!test(*it)) {
            ++it;
            continue;
        }
        // A party killed without unregistering would otherwise be the answer for ever.
        if (windows.IsWindow(it->Handle))
            return *it;
        Emit("dropped " + RecordFields(*it));
        it = parties.erase(it);
    }
    return std::nullopt;
}

std::optional<TEntityRecord> TTutorixServer::PartyByHandle(quint32 wanted)
{
    return FindParty([&](const TEntityRecord& party) { return party.Handle == wanted; });
}

std::optional<TEntityRecord> TTutorixServer::PartyByTitle(const QByteArray& title, quint32 except)
{
    return FindParty([&](const TEntityRecord& party) { return party.Title == title && party.Handle != except; });
}

void TTutorixServer::DropGoneParties()
{
    std::vector<TEntityRecord> kept;
    for (const TEntityRecord& party : parties) {
        if (windows.IsWindow(party.Handle))
            kept.push_back(party);
        else
            Emit("dropped " + RecordFields(party));
    }
    parties = std::move(kept);
}

QByteArray TTutorixServer::Admit(const TEntityRecord& record)
{
    if (record.FileName.size() > MaxPartyText || record.Title.size() > MaxPartyText)
        return "too-long";
    if (qsizetype(parties.size()) >= MaxParties)
        DropGoneParties();
    if (qsizetype(parties.size()) >= MaxParties)
        return "full";
    parties.push_back(record);
    return {};
}

std::optional<quint32> TTutorixServer::ResolveParty(const QByteArray& token)
{
    if (token.startsWith("title:")) {
        if (const std::optional<TEntityRecord> party = PartyByTitle(Unescape(token.sliced(6)), 0))
            return party->Handle;
        return std::nullopt;
    }
    return ParseHandle(token);
}

void TTutorixServer::ReportSend(const QByteArray& verb, quint32 to, std::int32_t result, const QByteArray& detail,
                                bool nested)
{
    const QByteArray tail = nested ? QByteArray(" nested=1") : QByteArray();
    switch (windows.LastSendOutcome()) {
    case TMessageWindows::SendOutcome::Answered:
        Emit("sent " + verb + " to=" + Hex(to) + detail + " result=" + QByteArray::number(result) + tail);
        return;
    case TMessageWindows::SendOutcome::Unanswered:
        Emit("error " + verb + " to=" + Hex(to) + detail + " unanswered" + tail);
        return;
    case TMessageWindows::SendOutcome::NotDelivered:
        Emit("error " + verb + " to=" + Hex(to) + detail + " not delivered" + tail);
        return;
    }
}

void TTutorixServer::RunNested(quint32 requester)
{
    const NestedKind kind = std::exchange(nestedKind, NestedKind::None);
    const QList<QByteArray> args = std::exchange(nestedArgs, {});
    switch (kind) {
    case NestedKind::None:
        return;
    case NestedKind::Quit: {
        TByteStream content;
        content.WriteByte(quint8(args.value(0, "0").toUInt()));
        const std::int32_t result = Send(requester, msgQuit, Now(), content.Data());
        ReportSend("quit", requester, result, {}, true);
        return;
    }
    case NestedKind::Params: {
        QList<QByteArray> entries;
        for (const QByteArray& arg : args)
            entries.append(Unescape(arg));
        const std::int32_t result = Send(requester, msgParams, Now(), EncodeParamText(entries));
        ReportSend("params", requester, result, {}, true);
        return;
    }
    case NestedKind::Send: {
        const quint32 code = args.value(0).toUInt();
        const std::int32_t result = Send(requester, code, Now(), QByteArray::fromHex(args.value(1)));
        ReportSend("message", requester, result, " code=" + QByteArray::number(code), true);
        return;
    }
    }
}

bool TTutorixServer::Command(const QByteArray& rawLine)
{
    const QList<QByteArray> words = rawLine.simplified().split(' ');
    const QByteArray verb = words.value(0);
    if (verb.isEmpty())
        return true;
    if (verb == "exit")
        return false;
    if (verb == "list") {
        DropGoneParties();
        for (const TEntityRecord& party : parties)
            Emit("party " + RecordFields(party));
        Emit("listed count=" + QByteArray::number(qsizetype(parties.size())));
        return true;
    }
    if (verb == "late") {
        lateNext = true;
        Emit("queued late");
        return true;
    }
    if (verb == "nested") {
        const QByteArray what = words.value(1);
        if (what == "quit")
            nestedKind = NestedKind::Quit;
        else if (what == "params")
            nestedKind = NestedKind::Params;
        else if (what == "send" && words.size() >= 3)
            nestedKind = NestedKind::Send;
        else {
            Emit("error usage: nested quit [BYTE] | nested params [ENTRY...] | nested send CODE [HEX]");
            return true;
        }
        nestedArgs = words.mid(2);
        Emit("queued nested " + what);
        return true;
    }
    if (verb == "quit" || verb == "params" || verb == "send") {
        if (words.size() < 2 || (verb == "send" && words.size() < 3)) {
            Emit("error usage: quit PARTY [BYTE] | params PARTY [ENTRY...] | send PARTY CODE [HEX]");
            return true;
        }
        const std::optional<quint32> to = ResolveParty(words[1]);
        if (!to) {
            Emit("error no such party: " + words[1]);
            return true;
        }
        std::int32_t result = 0;
        if (verb == "quit") {
            TByteStream content;
            content.WriteByte(quint8(words.value(2, "0").toUInt()));
            result = Send(*to, msgQuit, Now(), content.Data());
        } else if (verb == "params") {
            QList<QByteArray> entries;
            for (const QByteArray& word : words.mid(2))
                entries.append(Unescape(word));
            result = Send(*to, msgParams, Now(), EncodeParamText(entries));
        } else {
            result = Send(*to, words[2].toUInt(), Now(), QByteArray::fromHex(words.value(3)));
        }
        ReportSend(verb, *to, result, {}, false);
        return true;
    }
    Emit("error unknown command: " + Escape(verb));
    return true;
}

QString TTutorixServer::Usage()
{
    static_assert(TCommandLines::MaxLength == 4194304, "the help below names the limit");
    return QStringLiteral(R"(A small teaching server for the programs of the electronic textbooks.

It owns the message window of class "ThisIsTheTutorixServerComponentWindowClass" and name
"ThisIsTheTutorixServerComponentWindow", each followed by the --handle text, in the folder
$TUTORIX_RUNTIME_DIR (else $XDG_RUNTIME_DIR/tutorix, else /tmp/tutorix-<uid>). Start a program
with "/serverhandle=<text>" to make it use this server.

Answers: registered parties are found by handle, or by title (the earliest registered party
with that title other than the one asking); a party whose window has gone is dropped when a
lookup or "list" meets it; at most 1024 parties are kept, each with a file name and a title of
at most 4096 bytes. Files are served from the --files folder (a bare name, or a path in that
folder; nothing else); file names are mapped into that folder; named values come from --var
(MarvolaWorkArea, a folder, always ends with '/' and defaults to a writable one); query
strings are echoed; programs are started detached and their process id returned.

Commands on standard input, one a line (PARTY: a handle of 8 hex digits, or title:TITLE):
  list                        one "party" line per registered party, then "listed count=N"
  quit PARTY [BYTE]           a quit message; BYTE non-zero says the server goes down (0)
  params PARTY [ENTRY...]     a parameter message with these entries
  send PARTY CODE [HEX]       any message: a code and its content in hex
  nested quit [BYTE]          sent to the party of the next request while it is handled,
  nested params [ENTRY...]      before its reply
  nested send CODE [HEX]
  late                        the next request's reply goes out after its handling returned
  exit                        ends the server (so does the end of standard input)
A line longer than 4194304 bytes is refused with an "error" line as soon as it is that long,
and its bytes are dropped up to its line end.

Output, one line each, fields in this order, texts with bytes outside '!'..'~' and '%'
written as %XX (entries and titles in commands are read the same way):
  ready handle=H class=C window=W                      the window exists
  recv register from=H stamp=D:T handle=H mutex=H file=F title=T [refused=full]
  recv register from=H stamp=D:T handle=H file-size=N title-size=N refused=too-long
  recv unregister from=H stamp=D:T handle=H mutex=H file=F title=T
  recv find-handle from=H stamp=D:T handle=H found=H|none
  recv find-title from=H stamp=D:T title=T found=H|none
  recv execute from=H stamp=D:T file=F args=A wait=0|1 option=N pid=P
  recv get-file from=H stamp=D:T name=N found=0|1 size=S
  recv map-file-name from=H stamp=D:T name=N result=R
  recv query-string from=H stamp=D:T text=S result=R
  recv get-variable from=H stamp=D:T name=N value=V
  recv params from=H stamp=D:T count=N entry=E...
  recv params from=H stamp=D:T refused size=S          over 4096 entries or 1 MiB
  recv quit from=H stamp=D:T down=B
  recv reply from=H stamp=D:T size=S
  recv message from=H stamp=D:T code=N size=S          any other code
  recv short from=H code=N size=S                      payload without its time stamp
  recv malformed from=H stamp=D:T code=N size=S        content too short; not answered
  sent quit|params|send to=H result=R [nested=1]      delivered and answered
  error quit|params|send to=H not delivered|unanswered [nested=1]
  party handle=H mutex=H file=F title=T
  dropped handle=H mutex=H file=F title=T              a party whose window has gone
  listed count=N
  queued late | queued nested quit|params|send
  error TEXT
H is a window handle as 8 hex digits, D:T a time stamp (day number and milliseconds since
midnight).
)");
}
