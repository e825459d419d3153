#pragma once

#include "i18n/Babelfish2000.h"
#include "link/tutorixcodec.h"

#include <QBuffer>
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QIODevice;
class TInstanceLock;
class TMessageWindows;
class TSettingsValue;
class TkdbCustomDemon;

// The server link's error: a message text.
class ETutorix : public std::runtime_error
{
public:
    explicit ETutorix(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// Raised when the outermost send of a link returns after a quit was accepted inside it: what
// called the send must not go on, since the program is ending. No error to report; a program
// that meets it while starting ends with exit code 0.
class EQuitAccepted : public ETutorix
{
public:
    EQuitAccepted();
};

// One party of the conversation: the program itself, the teaching server, or another program
// the server knows. Strings are 8-bit, carried as bytes.
class TEntity
{
public:
    explicit TEntity(TkdbCustomDemon* demon);
    virtual ~TEntity();
    TEntity(const TEntity&) = delete;
    TEntity& operator=(const TEntity&) = delete;

    // The party's file name and title; an empty one is first refreshed from the server.
    QByteArray FileName();
    QByteArray Title();
    void SetFileName(const QByteArray& fileName) { m_fileName = fileName; }
    void SetTitle(const QByteArray& title) { m_title = title; }

    // Handle names an existing window.
    bool IsAlive() const;
    // Copies the four data fields; nothing when other is null.
    void Assign(const TEntity* other);
    // Takes over what the server knows of this handle, if anything.
    void Refresh();
    // "QX_" and the file part of FileName.
    QByteArray MutexName();

    // The entity record; writing reads the strings through their getters.
    void WriteToStream(TByteStream& stream);
    void ReadFromStream(TByteStream& stream);

    TkdbCustomDemon* Demon;
    quint32 Handle = 0;
    quint32 MutexHandle = 0;

private:
    QByteArray m_fileName;
    QByteArray m_title;
};

// One protocol message: a code, a time stamp, the sending party and the content bytes.
class TTutorixMessageStream : public TByteStream
{
public:
    explicit TTutorixMessageStream(TkdbCustomDemon* demon);
    ~TTutorixMessageStream() override;

    // SendMsg of the link that made this message.
    void SendTo(TEntity& party, TTutorixMessageStream* reply = nullptr);
    // Target gets source's stamp, code, sender fields and a copy of the whole content; target's
    // position stays.
    static void AssignMessage(TTutorixMessageStream& target, const TTutorixMessageStream& source);

    // Parameter text: the entries each followed by CR LF; read from the position to the end.
    // Reading gives none for a text beyond the limits of a parameter list.
    void WriteParamText(const QList<QByteArray>& entries);
    std::optional<QList<QByteArray>> ReadParamText();

    TTimeStamp TimeStamp;
    std::unique_ptr<TEntity> Sender; // of a received message only the handle is known
    TkdbCustomDemon* Demon;
    quint32 MsgCode = 0;
};

// What a link needs from its surroundings. Tests and other platforms replace the pieces.
struct TDemonSetup
{
    QByteArray ProgramFile;         // the program file with its full path
    QList<QByteArray> CommandLine;  // the arguments, the program path as given first
    TMessageWindows* Windows = nullptr; // none: the platform's own (not owned)
    TInstanceLock* Lock = nullptr;
    TSettingsValue* Settings = nullptr;
    std::function<QDateTime()> Clock; // local date and time; none: the system clock
    QByteArray Language;            // the desktop's language ("de"), which picks a language file; empty: none

    // The running program's file and arguments, and the language of the locale that LC_ALL,
    // LC_MESSAGES and LANG give. The arguments are those kept by KeepCommandLine, else those of
    // QCoreApplication.
    static TDemonSetup FromApplication();
    // Keeps the arguments as main() got them, as bytes, before the application object takes
    // its own options out of them and decodes the rest.
    static void KeepCommandLine(int argc, const char* const* argv);
};

// The server link: a hidden message window through which the teaching server and other
// instances of the program reach it, registration with the server, the program's language
// file and translation, and the single-instance check.
//
// Life cycle: the owner (the QObject parent) creates the link, sets its properties, and calls
// Loaded() once its layout is applied. Loaded registers (with UseMarvolaServer), loads the
// language file into Translator() and translates the owner, then checks for another instance.
// Destroying the link unregisters (unless the server went down) and ends the event loop.
//
// Events are std::function members, called directly on the GUI thread with the link as
// sender, when assigned. Never destroy the link from inside one of its events.
//
// Sends are synchronous and re-entrant: while one waits for the server, messages to the link's
// window are handled inside it (that is how replies arrive), and so can a parameter message
// or a quit. An accepted quit destroys the link (it must have been made with new): at once
// when it arrives while the link is idle. Inside a send, every send of the link returns at
// once as unanswered from then on, the outermost one raising EQuitAccepted so that its caller
// stops, and the link goes from the event loop, never inside a send. The owner should hold the
// link in a QPointer.
//
// Where the folder of the message windows is refused and no server handle was given, the link
// runs alone without a window (a warning says why); its sends then deliver nothing.
class TkdbCustomDemon : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool AutoTranslate READ AutoTranslate WRITE SetAutoTranslate)
    Q_PROPERTY(bool AutoCreateItlFile READ AutoCreateItlFile WRITE SetAutoCreateItlFile)
    Q_PROPERTY(bool MultiStart READ MultiStart WRITE SetMultiStart)
    Q_PROPERTY(bool UseMarvolaServer READ UseMarvolaServer WRITE SetUseMarvolaServer)

public:
    using TGotAMessageEvent = std::function<void(TkdbCustomDemon& Sender, TTutorixMessageStream& Msg)>;
    using TOnQuitMsgReceived = std::function<void(TkdbCustomDemon& Sender, bool ServerDown, bool& AllowQuit)>;
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    // Pending replies nobody picked up are kept up to this many bytes; the oldest go first.
    static constexpr qint64 MaxPendingReplyBytes = MaxFramePayload;

    ~TkdbCustomDemon() override;

    // Called by the owner once its stored properties are applied: the single-instance check.
    virtual void Loaded();
    // After Loaded: another instance runs, so this process must end now with exit code 0,
    // before any window shows. Destroying the link (with its owner) still unregisters.
    bool EndRequested() const { return m_endRequested; }
    // What became of the parameters when another instance runs.
    enum class THandOver {
        None,     // no other instance: nothing to hand over
        Handed,   // the running instance took them
        NoServer, // no server (or one that does not answer) to find the running instance through
        NotFound, // the server knows no running instance
        NotTaken, // the running instance was found and did not take them
    };
    THandOver HandOver() const { return m_handOver; }

    // Published properties.
    bool AutoTranslate() const { return m_autoTranslate; }
    void SetAutoTranslate(bool on) { m_autoTranslate = on; }
    bool AutoCreateItlFile() const;
    void SetAutoCreateItlFile(bool on);
    bool MultiStart() const { return m_multiStart; }
    void SetMultiStart(bool on) { m_multiStart = on; }
    bool UseMarvolaServer() const { return m_useMarvolaServer; }
    void SetUseMarvolaServer(bool on) { m_useMarvolaServer = on; }

    // Events.
    void SetOnGotAMessage(TGotAMessageEvent handler) { m_onGotAMessage = std::move(handler); }
    void SetOnQuitMsgReceived(TOnQuitMsgReceived handler) { m_onQuitMsgReceived = std::move(handler); }
    void SetOnParamsChange(TNotifyEvent handler) { m_onParamsChange = std::move(handler); }

    TBabelfish2000* Translator() const { return m_translator.get(); }
    TEntity& OwnEntity() { return *m_ownEntity; }
    TEntity& ServerEntity() { return *m_serverEntity; }
    const QList<QByteArray>& Params() const { return m_params; }
    const std::vector<std::unique_ptr<TTutorixMessageStream>>& PendingReplies() const { return m_pendingReplies; }
    // The flag of the last quit message.
    bool ServerDown() const { return m_serverDown; }
    // A quit accepted inside a send waits for the event loop to destroy the link.
    bool QuitAccepted() const { return m_quitAccepted; }
    // A request to the server went out whole and got no answer within the send time limit: the
    // server counts as gone for the rest of the run. Later sends to it return at once without
    // a reply, and the queries that need one raise ETutorix saying that it is not running.
    bool ServerGone() const { return m_serverGone; }
    // While a second instance looks for the first, how long it waits for the lock to name its
    // holder's window.
    static constexpr int HolderWaitMs = 1000;

    // Messages.
    // Sends msg to party and waits; reply, when given, receives the reply or stays empty.
    // Messages to this link's window are handled meanwhile.
    void SendMsg(TEntity& Party, TTutorixMessageStream& Msg, TTutorixMessageStream* Reply);
    // The first pending reply with this stamp, or null; it stays in the list.
    TTutorixMessageStream* FindReply(TTimeStamp TimeStamp) const;
    // The window procedure: every copy-data message becomes a message for ProcessMessage.
    std::int32_t WndProc(quint32 message, quint32 wParam, quint32 dwData, QByteArray payload);
    // Handles one received message; may take it over by moving it out of Msg.
    virtual void ProcessMessage(std::unique_ptr<TTutorixMessageStream>& Msg);
    // Sends of this link under way (nested ones count each).
    int SendDepth() const { return m_sendDepth; }

    virtual QByteArray GetWindowClassName() = 0;
    virtual QByteArray GetWindowName() = 0;

    // Queries. Objects returned belong to the caller.
    virtual std::unique_ptr<TEntity> FindEntityByTitle(const QByteArray& Title) = 0;
    virtual std::unique_ptr<TEntity> FindEntityByHandle(quint32 Handle) = 0;
    virtual qint32 ExecuteProgram(const QByteArray& FileName, const QByteArray& Arguments, bool Wait, qint32 Option) = 0;
    // An in-memory stream opened for reading at its start, or none.
    virtual std::unique_ptr<QBuffer> GetFileStream(const QByteArray& Name) = 0;
    virtual QByteArray MapFileName(const QByteArray& S) = 0;
    virtual QByteArray QueryString(const QByteArray& S) = 0;
    // A folder path for "MarvolaWorkArea" ends with '/'. Decode paths with QFile::decodeName.
    virtual QByteArray GetVariable(const QByteArray& Name) = 0;

    // The parameters: entry 0 is always this program's file.
    qint32 ParamCount() const;
    QByteArray ParamStr(qint32 Index) const;

    // Steps of the life cycle.
    void LoadLanguage();
    // The language file that LoadLanguage read, by the name it was found under; empty when there
    // was none.
    const QByteArray& LanguageFile() const { return m_languageFile; }
    void CheckMultiStart();

    // The program file with its full path, and the application title made from it.
    const QByteArray& ProgramFile() const { return m_setup.ProgramFile; }
    QByteArray ApplicationTitle() const;

    // Helpers.
    QByteArray GetServerHandle() const;
    quint32 FindServerWindow() const;
    QString GetLastErrorString() const;
    TMessageWindows& Windows() const { return *m_setup.Windows; }

protected:
    TkdbCustomDemon(QObject* Owner, TDemonSetup Setup);

    // The hidden window; virtual calls do not reach a derived class from the base's
    // constructor, so the most derived constructor calls this.
    void CreateHiddenWindow();
    // The most derived destructor calls this first: from then on sends go out even after a
    // quit (the unregistration), and quits are ignored.
    void BeginDestruction() { m_destroying = true; }
    // The language file's content, or none: from the server (MapFileName of the program file,
    // then GetFileStream), or else the first of demonrules::LocalLanguageFiles that opens. Sets
    // the name LanguageFile() gives.
    virtual std::unique_ptr<QIODevice> LanguageFileContent();

    void DoGotAMessage(TTutorixMessageStream& Msg);
    void DoQuitMsgReceived(bool ServerDown, bool& AllowQuit);
    void DoParamsChange();

    // Runs a query: a request of this code and content to the server, its reply read from the
    // start. Ask raises ETutorix when the server counts as gone and no reply came; Lookup, for
    // the queries whose answer may be nothing, does not.
    std::unique_ptr<TTutorixMessageStream> Ask(quint32 code, const std::function<void(TTutorixMessageStream&)>& content);
    std::unique_ptr<TTutorixMessageStream> Lookup(quint32 code,
                                                  const std::function<void(TTutorixMessageStream&)>& content);

private:
    void AddPendingReply(std::unique_ptr<TTutorixMessageStream> reply);
    void QuitLater();
    // The live window that the single-instance lock names as its holder's, or 0.
    quint32 LockHolderWindow();

    TDemonSetup m_setup;
    std::unique_ptr<TEntity> m_serverEntity;
    TGotAMessageEvent m_onGotAMessage;
    TOnQuitMsgReceived m_onQuitMsgReceived;
    std::vector<std::unique_ptr<TTutorixMessageStream>> m_pendingReplies;
    QList<QByteArray> m_params;
    TNotifyEvent m_onParamsChange;
    std::unique_ptr<TEntity> m_ownEntity;
    bool m_serverDown = false;
    std::unique_ptr<TBabelfish2000> m_translator;
    bool m_autoTranslate = true;
    bool m_multiStart = false;
    bool m_useMarvolaServer = true;

    QByteArray m_className; // of the hidden window, for its removal
    bool m_running = false; // made for a running program, window or not
    bool m_destroying = false;
    int m_sendDepth = 0;
    bool m_quitAccepted = false;
    bool m_serverGone = false;
    bool m_endRequested = false;
    THandOver m_handOver = THandOver::None;
    qint64 m_pendingBytes = 0;
    QByteArray m_languageFile;
};

// The link on the program's side.
class TkdbDemonClient : public TkdbCustomDemon
{
    Q_OBJECT

public:
    // Raises ETutorix when the hidden window cannot be made.
    explicit TkdbDemonClient(QObject* Owner, TDemonSetup Setup = TDemonSetup::FromApplication());
    ~TkdbDemonClient() override;

    // Registers (with UseMarvolaServer) and loads the language; then the single-instance
    // check. Raises ETutorix when the server should be used and is not running.
    void Loaded() override;

    void Connect();
    void SendRegister();
    void SendUnregister();

    QByteArray GetWindowClassName() override;
    QByteArray GetWindowName() override;
    std::unique_ptr<TEntity> FindEntityByTitle(const QByteArray& Title) override;
    std::unique_ptr<TEntity> FindEntityByHandle(quint32 Handle) override;
    // With Wait, blocks until the process ends and gives its exit status, or -1 where the
    // system gives it only to the process's parent (the server).
    qint32 ExecuteProgram(const QByteArray& FileName, const QByteArray& Arguments, bool Wait, qint32 Option) override;
    std::unique_ptr<QBuffer> GetFileStream(const QByteArray& Name) override;
    QByteArray MapFileName(const QByteArray& S) override;
    QByteArray QueryString(const QByteArray& S) override;
    QByteArray GetVariable(const QByteArray& Name) override;

private:
    std::unique_ptr<TEntity> FindEntity(const std::function<void(TTutorixMessageStream&)>& selector);
};
