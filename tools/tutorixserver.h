#pragma once

#include "tutorixcodec.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QObject;
class TMessageWindows;

struct TServerOptions
{
    QByteArray HandleText;  // appended to the window's class and name
    QByteArray FilesFolder; // absolute, without a trailing '/'; empty: no files
    QMap<QByteArray, QByteArray> Variables;
};

// A small teaching server: one message window that keeps the registered parties, finds them,
// serves files from one folder, maps file names into it, answers named values, starts
// programs, and sends quit and parameter messages when told to. Every message it receives and
// every command's outcome becomes one line of output (the format is in Usage()).
//
// Parties whose window has gone are dropped when a lookup or a list meets them; the list holds
// at most MaxParties, each with a file name and a title of at most MaxPartyText bytes.
class TTutorixServer
{
public:
    using LineSink = std::function<void(const QByteArray& line)>;

    static constexpr qsizetype MaxParties = 1024;
    static constexpr qsizetype MaxPartyText = 4096;

    TTutorixServer(TServerOptions options, TMessageWindows& windows, LineSink output);
    ~TTutorixServer();
    TTutorixServer(const TTutorixServer&) = delete;
    TTutorixServer& operator=(const TTutorixServer&) = delete;

    // Registers the class and creates the window; false with the reason on failure.
    bool Start(QString& error);
    quint32 Handle() const { return handle; }

    // Carries out one command line; false for "exit".
    bool Command(const QByteArray& line);

    static QString Usage();
    // Bytes outside '!'..'~', and '%', as %XX; and back.
    static QByteArray Escape(const QByteArray& bytes);
    static QByteArray Unescape(const QByteArray& text);

private:
    enum class NestedKind { None, Quit, Params, Send };

    std::int32_t WndProc(quint32 message, quint32 wParam, quint32 dwData, QByteArray payload);
    void HandleRequest(quint32 from, quint32 code, TTimeStamp stamp, TByteStream& content);
    // The reply's payload, or none for messages that get no reply.
    std::optional<QByteArray> Answer(quint32 from, quint32 code, TByteStream& content, QByteArray& line);
    // Sends a reply payload (built with room for its time stamp) to the requester.
    void Reply(quint32 to, TTimeStamp stamp, QByteArray payload);
    std::int32_t Send(quint32 to, quint32 code, TTimeStamp stamp, const QByteArray& content);
    bool FileAllowed(const QByteArray& name) const;
    // The first party that the test accepts and whose window is still there; those found gone
    // on the way are dropped.
    std::optional<TEntityRecord> FindParty(const std::function<bool(const TEntityRecord&)>& test);
    std::optional<TEntityRecord> PartyByHandle(quint32 handle);
    std::optional<TEntityRecord> PartyByTitle(const QByteArray& title, quint32 except);
    void DropGoneParties();
    // Empty when the party joins the list, else why not.
    QByteArray Admit(const TEntityRecord& record);
    std::optional<quint32> ResolveParty(const QByteArray& token);
    void RunNested(quint32 requester);
    // The outcome of a send: "sent" with its result, or "error" when it was not delivered or
    // not answered.
    void ReportSend(const QByteArray& verb, quint32 to, std::int32_t result, const QByteArray& detail, bool nested);
    void Emit(const QByteArray& line);

    TServerOptions options;
    TMessageWindows& windows;
    LineSink output;
    QByteArray className;
    quint32 handle = 0;
    std::vector<TEntityRecord> parties;

    NestedKind nestedKind = NestedKind::None;
    QList<QByteArray> nestedArgs;
    bool lateNext = false;
    std::unique_ptr<QObject> context; // for late replies, sent from the event loop
};
