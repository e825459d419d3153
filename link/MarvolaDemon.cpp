#include "link/MarvolaDemon.h"

#include "link/demonrules.h"
#include "link/instancelock.h"
#include "link/messagewindows.h"
#include "link/processwait.h"
#include "link/settingsvalue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <algorithm>

namespace {

const QString kServerNotRunning = QStringLiteral("Tutorix server application is not running");

// What a pending reply costs beside its content.
constexpr qint64 kPendingOverhead = 256;

struct DepthGuard
{
    explicit DepthGuard(int& depth)
        : depth(depth)
    {
        ++depth;
    }
    ~DepthGuard() { --depth; }
    int& depth;
};

// The arguments as main() got them, when it kept them.
std::optional<QList<QByteArray>>& KeptCommandLine()
{
    static std::optional<QList<QByteArray>> kept;
    return kept;
}

// Ends the event loop if one runs; with none, asking would make the next local loop (a message
// box, say) return at once.
void EndEventLoop()
{
    if (QCoreApplication::instance() && QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

} // namespace

ETutorix::ETutorix(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

EQuitAccepted::EQuitAccepted()
    : ETutorix(QStringLiteral("The teaching server ended the program"))
{
}

// ---------------------------------------------------------------------------------------------
// TEntity

TEntity::TEntity(TkdbCustomDemon* demon)
    : Demon(demon)
{
}

TEntity::~TEntity() = default;

QByteArray TEntity::FileName()
{
    if (m_fileName.isEmpty())
        Refresh();
    return m_fileName;
}

QByteArray TEntity::Title()
{
    if (m_title.isEmpty())
        Refresh();
    return m_title;
}

bool TEntity::IsAlive() const
{
    return Demon && Handle != 0 && Demon->Windows().IsWindow(Handle);
}

void TEntity::Assign(const TEntity* other)
{
    if (!other)
        return;
    Handle = other->Handle;
    MutexHandle = other->MutexHandle;
    m_fileName = other->m_fileName;
    m_title = other->m_title;
}

void TEntity::Refresh()
{
    if (!Demon)
        return;
    const std::unique_ptr<TEntity> found = Demon->FindEntityByHandle(Handle);
    if (found)
        Assign(found.get());
}

QByteArray TEntity::MutexName()
{
    return "QX_" + demonrules::FilePart(FileName());
}

void TEntity::WriteToStream(TByteStream& stream)
{
    TEntityRecord record;
    record.Handle = Handle;
    record.MutexHandle = MutexHandle;
    record.FileName = FileName();
    record.Title = Title();
    WriteEntityRecord(stream, record);
}

void TEntity::ReadFromStream(TByteStream& stream)
{
    const TEntityRecord record = ReadEntityRecord(stream);
    Handle = record.Handle;
    MutexHandle = record.MutexHandle;
    m_fileName = record.FileName;
    m_title = record.Title;
}

// ---------------------------------------------------------------------------------------------
// TTutorixMessageStream

TTutorixMessageStream::TTutorixMessageStream(TkdbCustomDemon* demon)
    : Sender(std::make_unique<TEntity>(demon))
    , Demon(demon)
{
}

TTutorixMessageStream::~TTutorixMessageStream() = default;

void TTutorixMessageStream::SendTo(TEntity& party, TTutorixMessageStream* reply)
{
    if (Demon)
        Demon->SendMsg(party, *this, reply);
}

void TTutorixMessageStream::AssignMessage(TTutorixMessageStream& target, const TTutorixMessageStream& source)
{
    if (&target == &source)
        return;
    target.TimeStamp = source.TimeStamp;
    target.MsgCode = source.MsgCode;
    target.Sender->Assign(source.Sender.get());
    const qint64 position = target.Position();
    target.SetData(source.Data());
    target.SetPosition(position);
}

void TTutorixMessageStream::WriteParamText(const QList<QByteArray>& entries)
{
    Write(EncodeParamText(entries));
}

std::optional<QList<QByteArray>> TTutorixMessageStream::ReadParamText()
{
    return DecodeParamText(ReadRest());
}

// ---------------------------------------------------------------------------------------------
// TDemonSetup

TDemonSetup TDemonSetup::FromApplication()
{
    TDemonSetup setup;
    if (QCoreApplication::instance()) {
        setup.ProgramFile = QFile::encodeName(QCoreApplication::applicationFilePath());
        if (KeptCommandLine()) {
            setup.CommandLine = *KeptCommandLine();
        } else {
            const QStringList arguments = QCoreApplication::arguments();
            for (const QString& argument : arguments)
                setup.CommandLine.append(QFile::encodeName(argument));
        }
    } else {
        setup.ProgramFile = QFile::encodeName(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
        setup.CommandLine = {setup.ProgramFile};
    }
    setup.Language = demonrules::DesktopLanguage(qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"), qgetenv("LANG"));
    return setup;
}

void TDemonSetup::KeepCommandLine(int argc, const char* const* argv)
{
    QList<QByteArray> arguments;
    for (int i = 0; i < argc && argv[i]; ++i)
        arguments.append(QByteArray(argv[i]));
    KeptCommandLine() = std::move(arguments);
}

// ---------------------------------------------------------------------------------------------
// TkdbCustomDemon

TkdbCustomDemon::TkdbCustomDemon(QObject* Owner, TDemonSetup Setup)
    : QObject(Owner)
    , m_setup(std::move(Setup))
{
    if (!m_setup.Windows)
        m_setup.Windows = &TMessageWindows::Default();
    if (!m_setup.Lock)
        m_setup.Lock = &TInstanceLock::Default();
    if (!m_setup.Settings)
        m_setup.Settings = &TSettingsValue::Default();
    if (!m_setup.Clock)
        m_setup.Clock = [] { return QDateTime::currentDateTime(); };

    m_translator = std::make_unique<TBabelfish2000>(QString());
    m_ownEntity = std::make_unique<TEntity>(this);
    m_serverEntity = std::make_unique<TEntity>(this);
    m_serverEntity->Handle = FindServerWindow();
    m_params = demonrules::ParamsFromCommandLine(m_setup.CommandLine);
}

TkdbCustomDemon::~TkdbCustomDemon()
{
    m_destroying = true;
    m_pendingReplies.clear();
    if (m_ownEntity->Handle != 0) {
        Windows().DestroyWindow(m_ownEntity->Handle);
        Windows().UnregisterClass(m_className);
        m_ownEntity->Handle = 0;
    }
    if (m_ownEntity->MutexHandle != 0) {
        m_setup.Lock->Release(m_ownEntity->MutexHandle);
        m_ownEntity->MutexHandle = 0;
    }
    m_translator.reset();
    if (m_running)
        EndEventLoop();
}

void TkdbCustomDemon::CreateHiddenWindow()
{
    m_className = GetWindowClassName();
    m_ownEntity->SetTitle(ApplicationTitle());
    m_ownEntity->SetFileName(ProgramFile());
    // A folder that others could reach is refused, and stays so. A program that was given no
    // server needs no window, and would otherwise let anyone who makes that folder first keep
    // it from starting: it runs alone.
    const QString refused = Windows().RefusalReason();
    if (!refused.isEmpty() && GetServerHandle().isEmpty()) {
        qWarning("Running alone, without a message window. %s", qUtf8Printable(refused));
        m_running = true;
        return;
    }
    if (!Windows().RegisterClass(m_className))
        throw ETutorix(GetLastErrorString());
    const quint32 handle = Windows().CreateWindow(
        m_className, GetWindowName(),
        [this](quint32 message, quint32 wParam, quint32 dwData, QByteArray payload) {
            return WndProc(message, wParam, dwData, std::move(payload));
        });
    if (handle == 0) {
        const QString why = GetLastErrorString();
        Windows().UnregisterClass(m_className);
        qWarning("The link's window: %s", qUtf8Printable(why));
        throw ETutorix(QStringLiteral("Could not create window handle"));
    }
    m_ownEntity->Handle = handle;
    m_running = true;
}

void TkdbCustomDemon::Loaded()
{
    CheckMultiStart();
}

bool TkdbCustomDemon::AutoCreateItlFile() const
{
    return m_translator && m_translator->AutoCreateItlFile();
}

void TkdbCustomDemon::SetAutoCreateItlFile(bool on)
{
    if (m_translator)
        m_translator->SetAutoCreateItlFile(on);
}

void TkdbCustomDemon::SendMsg(TEntity& Party, TTutorixMessageStream& Msg, TTutorixMessageStream* Reply)
{
    Msg.TimeStamp = TimeStampOf(m_setup.Clock());
    Msg.Demon = this;
    if (Reply)
        Reply->Demon = this;
    // The program is ending: nothing more goes out but what the destruction sends, and the
    // outermost send stops its caller.
    const auto ending = [this]() {
        if (!m_quitAccepted || m_destroying)
            return false;
        if (m_sendDepth == 0)
            throw EQuitAccepted();
        return true;
    };
    if (ending() || !m_ownEntity->IsAlive())
        return;
    // One wait for a server that does not answer is enough: the user sees why at once after it,
    // not after one more wait per request.
    const bool toServer = Party.Handle != 0 && Party.Handle == m_serverEntity->Handle;
    if (toServer && m_serverGone)
        return;
    const QByteArray payload = EncodePayload(Msg.TimeStamp, Msg.Data());
    {
        const DepthGuard depth(m_sendDepth);
        Windows().SendCopyData(Party.Handle, m_ownEntity->Handle, Msg.MsgCode, payload);
    }
    // A reply that came before the quit is of no use any more.
    if (ending())
        return;
    if (toServer && !m_serverGone && Windows().LastSendOutcome() == TMessageWindows::SendOutcome::Unanswered) {
        m_serverGone = true;
        qWarning("The teaching server did not answer request %u: %s", Msg.MsgCode,
                 qUtf8Printable(GetLastErrorString()));
    }
    const auto found = std::find_if(m_pendingReplies.begin(), m_pendingReplies.end(),
                                    [&](const auto& reply) { return reply->TimeStamp == Msg.TimeStamp; });
    if (found == m_pendingReplies.end())
        return;
    const std::unique_ptr<TTutorixMessageStream> reply = std::move(*found);
    m_pendingReplies.erase(found);
    m_pendingBytes -= reply->Size() + kPendingOverhead;
    if (Reply)
        TTutorixMessageStream::AssignMessage(*Reply, *reply);
}

TTutorixMessageStream* TkdbCustomDemon::FindReply(TTimeStamp TimeStamp) const
{
    for (const auto& reply : m_pendingReplies) {
        if (reply->TimeStamp == TimeStamp)
            return reply.get();
    }
    return nullptr;
}

std::int32_t TkdbCustomDemon::WndProc(quint32 message, quint32 wParam, quint32 dwData, QByteArray payload)
{
    if (message != WM_COPYDATA)
        return 0;
    TTimeStamp stamp;
    QByteArrayView content;
    // Too short for its time stamp: no message at all.
    if (!DecodePayload(payload, stamp, content))
        return 0;
    auto msg = std::make_unique<TTutorixMessageStream>(this);
    msg->MsgCode = dwData;
    msg->TimeStamp = stamp;
    // The message keeps the received bytes: cutting the stamp off the front moves no content.
    payload.remove(0, TimeStampSize);
    msg->SetData(std::move(payload));
    msg->Sender->Handle = wParam;
    // A malformed message ends its own handling; the link stays as it was.
    // ProcessMessage may destroy the link: nothing of it is touched afterwards.
    try {
        ProcessMessage(msg);
    } catch (const EQuitAccepted&) {
        // A send of a handler met the quit: the link goes once control is back in the event loop.
    } catch (const std::exception& e) {
        qWarning("A message %u from window %08x was not handled: %s", dwData, wParam, e.what());
    }
    return 0;
}

void TkdbCustomDemon::ProcessMessage(std::unique_ptr<TTutorixMessageStream>& Msg)
{
    switch (Msg->MsgCode) {
    case msgQuit: {
        const bool serverDown = Msg->ReadByte() != 0;
        // Going already: the destruction decided about unregistering when it began.
        if (m_destroying || m_quitAccepted)
            break;
        m_serverDown = serverDown;
        bool allowQuit = true;
        DoQuitMsgReceived(m_serverDown, allowQuit);
        if (!allowQuit)
            break;
        if (m_sendDepth > 0) {
            QuitLater();
            break;
        }
        // Nothing of this link runs below this call: it can go now, and its unregistration
        // travels inside the quit's own send, as the server expects.
        delete this;
        return;
    }
    case msgReply:
        AddPendingReply(std::move(Msg));
        break;
    case msgParams: {
        std::optional<QList<QByteArray>> params = Msg->ReadParamText();
        if (!params) {
            qWarning("Parameters from window %08x refused: more than %lld entries or %lld bytes; the previous ones stay",
                     Msg->Sender->Handle, qint64(MaxParamEntries), qint64(MaxParamBytes));
            break;
        }
        m_params = std::move(*params);
        DoParamsChange();
        break;
    }
    default:
        DoGotAMessage(*Msg);
        break;
    }
}

void TkdbCustomDemon::AddPendingReply(std::unique_ptr<TTutorixMessageStream> reply)
{
    // Replies nobody waits for would otherwise pile up without bound.
    m_pendingBytes += reply->Size() + kPendingOverhead;
    m_pendingReplies.push_back(std::move(reply));
    while (m_pendingBytes > MaxPendingReplyBytes && m_pendingReplies.size() > 1) {
        m_pendingBytes -= m_pendingReplies.front()->Size() + kPendingOverhead;
        m_pendingReplies.erase(m_pendingReplies.begin());
    }
}

void TkdbCustomDemon::QuitLater()
{
    // The quit arrived inside a send of this link, whose callers still run on it: the sends
    // under way return at once, and the link goes once control is back in the event loop,
    // which never happens inside a send.
    if (m_quitAccepted)
        return;
    m_quitAccepted = true;
    Windows().CancelSends();
    QMetaObject::invokeMethod(this, [this]() { delete this; }, Qt::QueuedConnection);
}

void TkdbCustomDemon::DoGotAMessage(TTutorixMessageStream& Msg)
{
    if (m_onGotAMessage)
        m_onGotAMessage(*this, Msg);
}

void TkdbCustomDemon::DoQuitMsgReceived(bool ServerDown, bool& AllowQuit)
{
    if (m_onQuitMsgReceived)
        m_onQuitMsgReceived(*this, ServerDown, AllowQuit);
}

void TkdbCustomDemon::DoParamsChange()
{
    if (m_onParamsChange)
        m_onParamsChange(this);
}

std::unique_ptr<TTutorixMessageStream> TkdbCustomDemon::Lookup(quint32 code,
                                                                const std::function<void(TTutorixMessageStream&)>& content)
{
    TTutorixMessageStream request(this);
    request.MsgCode = code;
    content(request);
    auto reply = std::make_unique<TTutorixMessageStream>(this);
    SendMsg(*m_serverEntity, request, reply.get());
    reply->SetPosition(0);
    return reply;
}

std::unique_ptr<TTutorixMessageStream> TkdbCustomDemon::Ask(quint32 code,
                                                             const std::function<void(TTutorixMessageStream&)>& content)
{
    std::unique_ptr<TTutorixMessageStream> reply = Lookup(code, content);
    // Not the read error of a short reply: nothing came, and nothing will.
    if (m_serverGone && reply->Size() == 0)
        throw ETutorix(kServerNotRunning);
    return reply;
}

qint32 TkdbCustomDemon::ParamCount() const
{
    return qint32(m_params.size()) - 1;
}

QByteArray TkdbCustomDemon::ParamStr(qint32 Index) const
{
    // Index 0 is the program file even after a peer replaced the list by an empty one, so
    // that the local answers built on it keep working.
    if (Index == 0)
        return ProgramFile();
    if (Index < 0 || Index > ParamCount())
        throw ETutorix(QStringLiteral("Illegal \"ParamStr\" parameter: %1").arg(Index));
    return m_params[Index];
}

std::unique_ptr<QIODevice> TkdbCustomDemon::LanguageFileContent()
{
    m_languageFile.clear();
    if (m_useMarvolaServer) {
        const QByteArray name = demonrules::LanguageFileName(MapFileName(ProgramFile()));
        std::unique_ptr<QBuffer> content = GetFileStream(name);
        if (content)
            m_languageFile = name;
        return content;
    }
    for (const QByteArray& name : demonrules::LocalLanguageFiles(ProgramFile(), m_setup.Language)) {
        auto file = std::make_unique<QFile>(QFile::decodeName(name));
        if (file->open(QIODevice::ReadOnly)) {
            m_languageFile = name;
            return file;
        }
    }
    return nullptr;
}

void TkdbCustomDemon::LoadLanguage()
{
    if (const std::unique_ptr<QIODevice> content = LanguageFileContent())
        m_translator->LoadFromStream(*content);
    if (m_autoTranslate && m_translator && parent())
        m_translator->TranslateComponent(parent());
}

void TkdbCustomDemon::CheckMultiStart()
{
    if (m_multiStart)
        return;
    const TInstanceLock::Result lock = m_setup.Lock->Acquire(m_ownEntity->MutexName(), m_ownEntity->Handle);
    if (lock.outcome == TInstanceLock::Outcome::Acquired) {
        m_ownEntity->MutexHandle = lock.handle;
        return;
    }
    if (lock.outcome == TInstanceLock::Outcome::Failed)
        return; // no lock to be had: run as the first instance
    if (const std::unique_ptr<TEntity> first = FindEntityByTitle(ApplicationTitle()); !first) {
        // Only the server names the running instance; without one, nothing goes to it.
        m_handOver = m_serverEntity->Handle == 0 || m_serverGone ? THandOver::NoServer : THandOver::NotFound;
    } else {
        // Copies started at the same time all register before they check: the server may name
        // one that is about to end as well. The lock names the window of the one that stays.
        const quint32 holder = LockHolderWindow();
        if (holder != 0)
            first->Handle = holder;
        TTutorixMessageStream message(this);
        message.MsgCode = msgParams;
        message.WriteParamText(m_params);
        SendMsg(*first, message, nullptr);
        const bool taken = m_ownEntity->IsAlive() && Windows().LastSendOutcome() == TMessageWindows::SendOutcome::Answered;
        m_handOver = taken ? THandOver::Handed : THandOver::NotTaken;
    }
    m_endRequested = true;
    EndEventLoop();
}

quint32 TkdbCustomDemon::LockHolderWindow()
{
    // The holder names its window right after it took the lock; until then the name may still
    // be missing, or be that of a holder before it, whose window has gone.
    const QDeadlineTimer deadline(HolderWaitMs);
    const QByteArray name = m_ownEntity->MutexName();
    for (;;) {
        const quint32 holder = m_setup.Lock->HolderWindow(name);
        if (holder != 0 && holder != m_ownEntity->Handle && Windows().IsWindow(holder))
            return holder;
        if (deadline.hasExpired())
            return 0;
        QThread::msleep(5);
    }
}

QByteArray TkdbCustomDemon::ApplicationTitle() const
{
    return demonrules::ApplicationTitle(ProgramFile());
}

QByteArray TkdbCustomDemon::GetServerHandle() const
{
    const TSettingsValue::Value value = m_setup.Settings->ReadViewerHandle();
    if (value.kind == TSettingsValue::Kind::OtherType)
        throw ETutorix(QStringLiteral("Invalid data type for 'ViewerHandle'"));
    return demonrules::ServerHandleText(value.text, m_setup.CommandLine);
}

quint32 TkdbCustomDemon::FindServerWindow() const
{
    const QByteArray handle = GetServerHandle();
    return Windows().FindWindow(ServerWindowClass + handle, ServerWindowName + handle);
}

QString TkdbCustomDemon::GetLastErrorString() const
{
    const QString text = Windows().LastErrorString();
    return text.isEmpty() ? QStringLiteral("(GetLastErrorString failed)") : text;
}

// ---------------------------------------------------------------------------------------------
// TkdbDemonClient

TkdbDemonClient::TkdbDemonClient(QObject* Owner, TDemonSetup Setup)
    : TkdbCustomDemon(Owner, std::move(Setup))
{
    CreateHiddenWindow();
}

TkdbDemonClient::~TkdbDemonClient()
{
    BeginDestruction();
    if (!ServerDown())
        SendUnregister();
}

void TkdbDemonClient::Loaded()
{
    Connect();
    TkdbCustomDemon::Loaded();
}

void TkdbDemonClient::Connect()
{
    if (UseMarvolaServer()) {
        if (ServerEntity().Handle == 0)
            throw ETutorix(kServerNotRunning);
        SendRegister();
    }
    LoadLanguage();
}

void TkdbDemonClient::SendRegister()
{
    TTutorixMessageStream message(this);
    message.MsgCode = msgRegister;
    OwnEntity().WriteToStream(message);
    SendMsg(ServerEntity(), message, nullptr);
}

void TkdbDemonClient::SendUnregister()
{
    TTutorixMessageStream message(this);
    message.MsgCode = msgUnregister;
    OwnEntity().WriteToStream(message);
    SendMsg(ServerEntity(), message, nullptr);
}

QByteArray TkdbDemonClient::GetWindowClassName()
{
    return ClientWindowClass;
}

QByteArray TkdbDemonClient::GetWindowName()
{
    return {};
}

std::unique_ptr<TEntity> TkdbDemonClient::FindEntity(const std::function<void(TTutorixMessageStream&)>& selector)
{
    const std::unique_ptr<TTutorixMessageStream> reply = Lookup(msgFindEntity, selector);
    if (reply->Size() == 0)
        return nullptr;
    auto entity = std::make_unique<TEntity>(this);
    entity->ReadFromStream(*reply);
    return entity;
}

std::unique_ptr<TEntity> TkdbDemonClient::FindEntityByTitle(const QByteArray& Title)
{
    return FindEntity([&](TTutorixMessageStream& request) {
        request.WriteByte(feByTitle);
        request.WriteString(Title);
    });
}

std::unique_ptr<TEntity> TkdbDemonClient::FindEntityByHandle(quint32 Handle)
{
    return FindEntity([&](TTutorixMessageStream& request) {
        request.WriteByte(feByHandle);
        request.WriteInt32(qint32(Handle));
    });
}

qint32 TkdbDemonClient::ExecuteProgram(const QByteArray& FileName, const QByteArray& Arguments, bool Wait, qint32 Option)
{
    const std::unique_ptr<TTutorixMessageStream> reply = Ask(msgExecute, [&](TTutorixMessageStream& request) {
        request.WriteString(FileName);
        request.WriteString(Arguments);
        request.WriteBool(Wait);
        request.WriteInt32(Option);
    });
    const qint32 pid = reply->ReadInt32();
    const QString failed = QStringLiteral("Could not execute \"%1.\"").arg(QFile::decodeName(FileName));
    if (pid == 0)
        throw ETutorix(failed);
    if (!Wait)
        return pid;
    const std::optional<int> status = WaitForProcessEnd(pid);
    if (!status)
        throw ETutorix(failed);
    return *status;
}

std::unique_ptr<QBuffer> TkdbDemonClient::GetFileStream(const QByteArray& Name)
{
    const std::unique_ptr<TTutorixMessageStream> reply = Ask(msgGetFile, [&](TTutorixMessageStream& request) {
        request.WriteString(Name);
    });
    if (reply->ReadByte() == 0)
        return nullptr;
    auto stream = std::make_unique<QBuffer>();
    stream->setData(reply->TakeRest());
    stream->open(QIODevice::ReadOnly);
    return stream;
}

QByteArray TkdbDemonClient::MapFileName(const QByteArray& S)
{
    return Ask(msgMapFileName, [&](TTutorixMessageStream& request) { request.WriteString(S); })->ReadString();
}

QByteArray TkdbDemonClient::QueryString(const QByteArray& S)
{
    return Ask(msgQueryString, [&](TTutorixMessageStream& request) { request.WriteString(S); })->ReadString();
}

QByteArray TkdbDemonClient::GetVariable(const QByteArray& Name)
{
    if (!UseMarvolaServer())
        return demonrules::LocalVariable(Name, ParamStr(0));
    return Ask(msgGetVariable, [&](TTutorixMessageStream& request) { request.WriteString(Name); })->ReadString();
}
