#include "tools/tutorixserver.h"

#include "link/demonrules.h"
#include "link/messagewindows.h"
#include "tools/commandlines.h"
#include "tools/servertext.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QProcess>

#include <utility>

using servertext::Escape;
using servertext::Hex;

namespace {

TTimeStamp Now()
{
    return TimeStampOf(QDateTime::currentDateTime());
}

// A reply is built as its payload: room for the time stamp, then the content.
TByteStream ReplyStream()
{
    TByteStream reply;
    reply.Write(QByteArray(TimeStampSize, '\0'));
    return reply;
}

} // namespace

TTutorixServer::TTutorixServer(TServerOptions options, TMessageWindows& windows, LineSink output)
    : m_options(std::move(options))
    , m_windows(windows)
    , m_output(std::move(output))
    , m_parties(windows, [this](const QByteArray& line) { Emit(line); })
    , m_context(std::make_unique<QObject>())
{
}

TTutorixServer::~TTutorixServer()
{
    if (m_handle != 0) {
        m_windows.DestroyWindow(m_handle);
        m_windows.UnregisterClass(m_className);
    }
}

bool TTutorixServer::Start(QString& error)
{
    m_className = ServerWindowClass + m_options.HandleText;
    if (!m_windows.RegisterClass(m_className)) {
        error = m_windows.LastErrorString();
        return false;
    }
    m_handle = m_windows.CreateWindow(m_className, ServerWindowName + m_options.HandleText,
                                      [this](quint32 message, quint32 wParam, quint32 dwData, QByteArray payload) {
                                          return WndProc(message, wParam, dwData, std::move(payload));
                                      });
    if (m_handle == 0) {
        error = m_windows.LastErrorString();
        m_windows.UnregisterClass(m_className);
        return false;
    }
    Emit("ready handle=" + Hex(m_handle) + " class=" + Escape(m_className) + " window="
         + Escape(ServerWindowName + m_options.HandleText));
    return true;
}

void TTutorixServer::Emit(const QByteArray& line)
{
    if (m_output)
        m_output(line);
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
    QByteArray line = "from=" + Hex(from) + " stamp=" + servertext::StampText(stamp);
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
    if (m_nested) {
        const TServerSend nested = *std::exchange(m_nested, std::nullopt);
        const std::int32_t result = m_windows.SendCopyData(from, m_handle, nested.code, EncodePayload(Now(), nested.content));
        ReportSend(nested, from, result, true);
    }
    if (m_lateNext) {
        // Answered only after this request's handling has returned: the requester keeps it.
        m_lateNext = false;
        const QByteArray payload = *reply;
        QMetaObject::invokeMethod(
            m_context.get(), [this, from, stamp, payload]() { Reply(from, stamp, payload); }, Qt::QueuedConnection);
        return;
    }
    Reply(from, stamp, std::move(*reply));
}

// Every read of a request comes before its line is written: a request too short for its format
// is reported as malformed, with the line as it came.
std::optional<QByteArray> TTutorixServer::Answer(quint32 from, quint32 code, TByteStream& content, QByteArray& line)
{
    switch (code) {
    case msgRegister:
    case msgUnregister:
        return AnswerRegistration(code, content, line);
    case msgFindEntity:
        return AnswerFindEntity(from, content, line);
    case msgExecute:
        return AnswerExecute(content, line);
    case msgGetFile:
        return AnswerGetFile(content, line);
    default:
        return AnswerSimple(code, content, line);
    }
}

std::optional<QByteArray> TTutorixServer::AnswerRegistration(quint32 code, TByteStream& content, QByteArray& line)
{
    const TEntityRecord record = ReadEntityRecord(content);
    line = (code == msgRegister ? "recv register " : "recv unregister ") + line + ' ';
    if (record.FileName.size() > TPartyRegistry::MaxPartyText || record.Title.size() > TPartyRegistry::MaxPartyText) {
        // Not written out either: a line of megabytes helps nobody.
        line += "handle=" + Hex(record.Handle) + " file-size=" + QByteArray::number(record.FileName.size())
                + " title-size=" + QByteArray::number(record.Title.size());
    } else {
        line += servertext::RecordFields(record);
    }
    if (code == msgUnregister) {
        m_parties.Unregister(record.Handle);
        return std::nullopt;
    }
    const QByteArray refused = m_parties.Register(record);
    if (!refused.isEmpty())
        line += " refused=" + refused;
    return std::nullopt;
}

std::optional<QByteArray> TTutorixServer::AnswerFindEntity(quint32 from, TByteStream& content, QByteArray& line)
{
    const quint8 selector = content.ReadByte();
    std::optional<TEntityRecord> found;
    if (selector == feByHandle) {
        const quint32 wanted = quint32(content.ReadInt32());
        found = m_parties.ByHandle(wanted);
        line = "recv find-handle " + line + " handle=" + Hex(wanted);
    } else if (selector == feByTitle) {
        const QByteArray title = content.ReadString();
        found = m_parties.ByTitle(title, from);
        line = "recv find-title " + line + " title=" + Escape(title);
    } else {
        line = "recv find-entity " + line + " selector=" + QByteArray::number(selector);
    }
    line += " found=" + (found ? Hex(found->Handle) : QByteArray("none"));
    TByteStream reply = ReplyStream();
    if (found)
        WriteEntityRecord(reply, *found);
    return reply.Data();
}

std::optional<QByteArray> TTutorixServer::AnswerExecute(TByteStream& content, QByteArray& line)
{
    const QByteArray file = content.ReadString();
    const QByteArray arguments = content.ReadString();
    const bool wait = content.ReadBool();
    const qint32 option = content.ReadInt32();
    qint64 pid = 0;
    const QStringList args = QProcess::splitCommand(QString::fromLocal8Bit(arguments));
    if (!file.isEmpty() && !QProcess::startDetached(QFile::decodeName(file), args, QString(), &pid))
        pid = 0;
    line = "recv execute " + line + " file=" + Escape(file) + " args=" + Escape(arguments) + " wait="
           + QByteArray::number(wait ? 1 : 0) + " option=" + QByteArray::number(option) + " pid=" + QByteArray::number(pid);
    TByteStream reply = ReplyStream();
    reply.WriteInt32(qint32(pid));
    return reply.Data();
}

std::optional<QByteArray> TTutorixServer::AnswerGetFile(TByteStream& content, QByteArray& line)
{
    const QByteArray name = content.ReadString();
    QByteArray payload;
    qint64 size = 0;
    if (FileAllowed(name)) {
        QFile file(QFile::decodeName(m_options.FilesFolder + '/' + demonrules::FilePart(name)));
        size = file.size();
        // One reply must fit into one frame with its time stamp and found byte; the file is
        // read straight into it.
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
    TByteStream reply = ReplyStream();
    reply.WriteBool(false);
    return reply.Data();
}

std::optional<QByteArray> TTutorixServer::AnswerSimple(quint32 code, TByteStream& content, QByteArray& line)
{
    TByteStream reply = ReplyStream();
    switch (code) {
    case msgMapFileName: {
        const QByteArray name = content.ReadString();
        const QByteArray mapped =
            m_options.FilesFolder.isEmpty() ? name : m_options.FilesFolder + '/' + demonrules::FilePart(name);
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
        const QByteArray value = m_options.Variables.value(name);
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
        line = "recv message " + line + " code=" + QByteArray::number(code) + " size=" + QByteArray::number(content.Size());
        return std::nullopt;
    }
}

void TTutorixServer::Reply(quint32 to, TTimeStamp stamp, QByteArray payload)
{
    const QByteArray head = EncodePayload(stamp, {});
    std::copy(head.begin(), head.end(), payload.begin());
    m_windows.SendCopyData(to, m_handle, msgReply, payload);
}

void TTutorixServer::Send(quint32 to, const TServerSend& send)
{
    const std::int32_t result = m_windows.SendCopyData(to, m_handle, send.code, EncodePayload(Now(), send.content));
    ReportSend(send, to, result, false);
}

void TTutorixServer::QueueNested(TServerSend send)
{
    m_nested = std::move(send);
}

bool TTutorixServer::FileAllowed(const QByteArray& name) const
{
    if (m_options.FilesFolder.isEmpty())
        return false;
    const QByteArray file = demonrules::FilePart(name);
    if (file.isEmpty() || file == "." || file == ".." || file.contains('\0'))
        return false;
    const QByteArray folder = demonrules::DirectoryPart(name);
    return folder.isEmpty() || folder == m_options.FilesFolder + '/';
}

void TTutorixServer::ReportSend(const TServerSend& send, quint32 to, std::int32_t result, bool nested)
{
    const QByteArray tail = nested ? QByteArray(" nested=1") : QByteArray();
    const QByteArray party = send.verb + " to=" + Hex(to) + send.detail;
    switch (m_windows.LastSendOutcome()) {
    case TMessageWindows::SendOutcome::Answered:
        Emit("sent " + party + " result=" + QByteArray::number(result) + tail);
        return;
    case TMessageWindows::SendOutcome::Unanswered:
        Emit("error " + party + " unanswered" + tail);
        return;
    case TMessageWindows::SendOutcome::NotDelivered:
        Emit("error " + party + " not delivered" + tail);
        return;
    }
}

QString TTutorixServer::Usage()
{
    static_assert(TCommandLines::MaxLength == 4194304, "the help below names the limit");
    static_assert(TPartyRegistry::MaxParties == 1024 && TPartyRegistry::MaxPartyText == 4096,
                  "the help below names the limits");
    return QStringLiteral(R"(A small teaching server for the programs of the electronic textbooks.

It owns the message window of class "%1" and name
"%2", each followed by the --handle text, in the folder
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
)")
        .arg(QLatin1String(ServerWindowClass), QLatin1String(ServerWindowName));
}
