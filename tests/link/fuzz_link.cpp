// libFuzzer target: arbitrary bytes, as a peer would send them, go through the frame reader into
// a link's window procedure, and serve as the server's replies to every query. No sockets: the
// link sits on scripted windows. Besides the sanitizers it checks what must hold for any input.
#include "MarvolaDemon.h"
#include "fake_platform.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    App();
    Input input(data, size);
    FakeWindows windows;
    FakeLock lock;
    FakeSettings settings;
    windows.findable[{"ThisIsTheTutorixServerComponentWindowClass", "ThisIsTheTutorixServerComponentWindow"}] = kServer;
    TDemonSetup setup;
    setup.ProgramFile = "/opt/sim/prog";
    setup.CommandLine = {setup.ProgramFile, "a"};
    setup.Windows = &windows;
    setup.Lock = &lock;
    setup.Settings = &settings;

    QObject owner;
    QPointer<TkdbDemonClient> link = new TkdbDemonClient(&owner, setup);
    int quits = 0;

    // Every request to the server is answered by the next piece of input, as its reply.
    windows.script = [&](const FakeWindows::Sent& sent) {
        if (sent.target == kServer && !input.Done() && link) {
            const quint8 length = input.Byte();
            windows.Deliver(sent.wParam, kServer, msgReply, sent.stamp, input.Take(length).toByteArray());
        }
        return 0;
    };

    // Frames in pieces of sizes the input chooses, each complete one dispatched.
    const int frames = input.Byte() % 8;
    for (int f = 0; f < frames && !input.Done(); ++f) {
        TFrameReader reader(4096);
        while (!input.Done() && reader.Wanted() > 0) {
            const qint64 piece = 1 + input.Byte() % 64;
            reader.Feed(input.Take(piece));
        }
        if (reader.Status() != TFrameReader::State::Complete)
            break;
        if (!link) {
            link = new TkdbDemonClient(&owner, setup);
            ++quits;
        }
        const TFrameHeader header = reader.Header();
        const QByteArray payload = reader.TakePayload();
        Check(header.Message == WM_COPYDATA || payload.isEmpty(), "other messages keep no payload");
        Check(payload.size() == qsizetype(header.Message == WM_COPYDATA ? header.CbData : 0), "payload as announced");
        windows.DeliverRaw(link->OwnEntity().Handle, header.WParam, header.Message, header.DwData, payload);
        QCoreApplication::sendPostedEvents();
        if (link) {
            qint64 pending = 0;
            for (const auto& reply : link->PendingReplies())
                pending += reply->Size();
            Check(pending <= TkdbCustomDemon::MaxPendingReplyBytes, "pending replies bounded");
            Check(link->ParamStr(0) == setup.ProgramFile, "ParamStr(0) is the program");
        }
    }

    // The queries, each reading a reply made of input bytes.
    if (!link)
        link = new TkdbDemonClient(&owner, setup);
    const auto guarded = [&](const auto& query) {
        try {
            if (link)
                query();
        } catch (const std::exception&) {
        }
        QCoreApplication::sendPostedEvents();
    };
    guarded([&] { link->GetVariable("MarvolaWorkArea"); });
    guarded([&] {
        if (const auto stream = link->GetFileStream("x.itl"))
            link->Translator()->LoadFromStream(*stream);
    });
    guarded([&] { link->MapFileName("/opt/sim/prog"); });
    guarded([&] { link->QueryString("q"); });
    guarded([&] { link->ExecuteProgram("p", "a", false, 0); });
    guarded([&] {
        if (const auto entity = link->FindEntityByTitle("t"))
            entity->Title();
    });
    guarded([&] {
        TEntity sparse(link);
        sparse.Handle = 5;
        sparse.MutexName();
    });
    guarded([&] { link->Loaded(); });
    Check(quits < 8, "at most one link per frame");
    delete link.data();
    QCoreApplication::sendPostedEvents();
    return 0;
}
