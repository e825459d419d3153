#pragma once

#include "link/tutorixcodec.h"
#include "tools/partyregistry.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QObject;
class TMessageWindows;

struct TServerOptions
{
    QByteArray HandleText;  // appended to the window's class and name
    QByteArray FilesFolder; // absolute, without a trailing '/'; empty: no files
    QMap<QByteArray, QByteArray> Variables;
};

// A message the server sends to a party, and how its outcome is reported: "sent VERB to=H
// DETAIL result=R", or an "error" line when it was not delivered or not answered.
struct TServerSend
{
    QByteArray verb;
    quint32 code = 0;
    QByteArray content;
    QByteArray detail; // fields between the party and the result, each after a space
};

// A small teaching server: one message window that keeps the registered parties (see
// TPartyRegistry), serves files from one folder, maps file names into it, answers named values
// and starts programs; it sends quit, parameter and other messages when told to (see
// TServerCommands). Every message it receives and every send's outcome becomes one line of
// output (the format is in Usage()).
class TTutorixServer
{
public:
    using LineSink = std::function<void(const QByteArray& line)>;

    TTutorixServer(TServerOptions options, TMessageWindows& windows, LineSink output);
    ~TTutorixServer();
    TTutorixServer(const TTutorixServer&) = delete;
    TTutorixServer& operator=(const TTutorixServer&) = delete;

    // Registers the class and creates the window; false with the reason on failure.
    bool Start(QString& error);
    quint32 Handle() const { return m_handle; }

    TPartyRegistry& Parties() { return m_parties; }
    // Sends now, with a time stamp of now, and reports the outcome.
    void Send(quint32 to, const TServerSend& send);
    // Sent to the party of the next request while it is handled, before its reply; reported
    // with " nested=1".
    void QueueNested(TServerSend send);
    // The next request's reply goes out after its handling has returned.
    void QueueLate() { m_lateNext = true; }
    void Emit(const QByteArray& line);

    static QString Usage();

private:
    std::int32_t WndProc(quint32 message, quint32 wParam, quint32 dwData, QByteArray payload);
    void HandleRequest(quint32 from, quint32 code, TTimeStamp stamp, TByteStream& content);
    // The reply's payload, or none for messages that get no reply. The payload is built with
    // room for its time stamp; line gets what the message was.
    std::optional<QByteArray> Answer(quint32 from, quint32 code, TByteStream& content, QByteArray& line);
    std::optional<QByteArray> AnswerRegistration(quint32 code, TByteStream& content, QByteArray& line);
    std::optional<QByteArray> AnswerFindEntity(quint32 from, TByteStream& content, QByteArray& line);
    std::optional<QByteArray> AnswerExecute(TByteStream& content, QByteArray& line);
    std::optional<QByteArray> AnswerGetFile(TByteStream& content, QByteArray& line);
    // The rest: answered from the request alone, or not answered.
    std::optional<QByteArray> AnswerSimple(quint32 code, TByteStream& content, QByteArray& line);
    // Sends a reply payload (built with room for its time stamp) to the requester.
    void Reply(quint32 to, TTimeStamp stamp, QByteArray payload);
    void ReportSend(const TServerSend& send, quint32 to, std::int32_t result, bool nested);
    bool FileAllowed(const QByteArray& name) const;

    TServerOptions m_options;
    TMessageWindows& m_windows;
    LineSink m_output;
    TPartyRegistry m_parties;
    QByteArray m_className;
    quint32 m_handle = 0;
    std::optional<TServerSend> m_nested;
    bool m_lateNext = false;
    std::unique_ptr<QObject> m_context; // for late replies, sent from the event loop
};
