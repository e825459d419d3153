// libFuzzer target: arbitrary bytes, as a peer would send them, go through the frame reader into
// a link's window procedure, and serve as the server's replies to every query. No sockets: the
// link sits on scripted windows. Besides the sanitizers it checks what must hold for any input.
#include "link/MarvolaDemon.h"
#include "tests/link/fake_platform.h"

#include <QCoreApplication>
#include <QPointer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr quint32 kServer = 0x5E5E5E5E;

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "violated: %s\n", what);
        std::abort();
    }
}

class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size)
        : bytes(reinterpret_cast<const char*>(data), qsizetype(size))
    {
    }
    bool Done() const { return at >= bytes.size(); }
    quint8 Byte() { return Done() ? 0 : quint8(bytes[at++]); }
    QByteArrayView Take(qsizetype count)
    {
        count = std::min(count, bytes.size() - at);
        const QByteArrayView piece = bytes.sliced(at, count);
        at += count;
        return piece;
    }

private:
    QByteArrayView bytes;
    qsizetype at = 0;
};

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "fuzz_link";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        // Every malformed message is reported; that is expected here and only slows the run.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return new QCoreApplication(argc, argv);
    }();
    return *app;
}

// One run: a link on scripted windows whose server answers every request with the next piece
// of input, as its reply; frames made of input reach the link's window; then the queries.
class FuzzRun
{
public:
    explicit FuzzRun(Input& input)
        : m_input(input)
    {
        m_windows.findable[{ServerWindowClass, ServerWindowName}] = kServer;
        m_setup.ProgramFile = "/opt/sim/prog";
        m_setup.CommandLine = {m_setup.ProgramFile, "a"};
        m_setup.Windows = &m_windows;
        m_setup.Lock = &m_lock;
        m_setup.Settings = &m_settings;
        m_link = new TkdbDemonClient(&m_owner, m_setup);
        m_windows.script = [this](const FakeWindows::Sent& sent) {
            if (sent.target == kServer && !m_input.Done() && m_link) {
                const quint8 length = m_input.Byte();
                m_windows.Deliver(sent.wParam, kServer, msgReply, sent.stamp, m_input.Take(length).toByteArray());
            }
            return 0;
        };
    }
    ~FuzzRun()
    {
        Check(m_quits < 8, "at most one link per frame");
        delete m_link.data();
        QCoreApplication::sendPostedEvents();
    }
    FuzzRun(const FuzzRun&) = delete;
    FuzzRun& operator=(const FuzzRun&) = delete;

    // Frames in pieces of sizes the input chooses, each complete one dispatched; a link that a
    // quit took is made again.
    void DeliverFrames()
    {
        const int frames = m_input.Byte() % 8;
        for (int f = 0; f < frames && !m_input.Done(); ++f) {
            TFrameReader reader(4096);
            while (!m_input.Done() && reader.Wanted() > 0) {
                const qint64 piece = 1 + m_input.Byte() % 64;
                reader.Feed(m_input.Take(piece));
            }
            if (reader.Status() != TFrameReader::State::Complete)
                break;
            if (!m_link) {
                m_link = new TkdbDemonClient(&m_owner, m_setup);
                ++m_quits;
            }
            const TFrameHeader header = reader.Header();
            const QByteArray payload = reader.TakePayload();
            Check(header.Message == WM_COPYDATA || payload.isEmpty(), "other messages keep no payload");
            Check(payload.size() == qsizetype(header.Message == WM_COPYDATA ? header.CbData : 0), "payload as announced");
            m_windows.DeliverRaw(m_link->OwnEntity().Handle, header.WParam, header.Message, header.DwData, payload);
            QCoreApplication::sendPostedEvents();
            CheckLink();
        }
    }

    // The queries, each reading a reply made of input bytes.
    void AskQueries()
    {
        if (!m_link)
            m_link = new TkdbDemonClient(&m_owner, m_setup);
        Guarded([&] { m_link->GetVariable("MarvolaWorkArea"); });
        Guarded([&] {
            if (const auto stream = m_link->GetFileStream("x.itl"))
                m_link->Translator()->LoadFromStream(*stream);
        });
        Guarded([&] { m_link->MapFileName("/opt/sim/prog"); });
        Guarded([&] { m_link->QueryString("q"); });
        Guarded([&] { m_link->ExecuteProgram("p", "a", false, 0); });
        Guarded([&] {
            if (const auto entity = m_link->FindEntityByTitle("t"))
                entity->Title();
        });
        Guarded([&] {
            TEntity sparse(m_link);
            sparse.Handle = 5;
            sparse.MutexName();
        });
        Guarded([&] { m_link->Loaded(); });
    }

private:
    void CheckLink() const
    {
        if (!m_link)
            return;
        qint64 pending = 0;
        for (const auto& reply : m_link->PendingReplies())
            pending += reply->Size();
        Check(pending <= TkdbCustomDemon::MaxPendingReplyBytes, "pending replies bounded");
        Check(m_link->ParamStr(0) == m_setup.ProgramFile, "ParamStr(0) is the program");
    }
    template <typename Query>
    void Guarded(const Query& query)
    {
        try {
            if (m_link)
                query();
        } catch (const std::exception&) {
        }
        QCoreApplication::sendPostedEvents();
    }

    Input& m_input;
    FakeWindows m_windows;
    FakeLock m_lock;
    FakeSettings m_settings;
    TDemonSetup m_setup;
    QObject m_owner;
    QPointer<TkdbDemonClient> m_link;
    int m_quits = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    App();
    Input input(data, size);
    FuzzRun run(input);
    run.DeliverFrames();
    run.AskQueries();
    return 0;
}
