// The link's round trips against a real tutorix-server process, beside the floors the transport
// stands on: one bare Unix-socket connect, 16-byte write and 4-byte read against an echo peer;
// and for a large file, the same 16 MiB over a bare socket pair into a buffer of its size. Also
// the server's command lines cut from a long input.
#include "link/MarvolaDemon.h"
#include "link/messagewindows.h"
#include "link/settingsvalue.h"
#include "tools/commandlines.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 kBigFile = 16 * 1024 * 1024;

QByteArray g_folder;
QByteArray g_echoPath;
TkdbDemonClient* g_link = nullptr;

sockaddr_un Address(const QByteArray& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return address;
}

// The echo peer: answers every connection's 16 bytes with 4.
pid_t StartEchoPeer()
{
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(g_echoPath);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(listener, 64) != 0) {
        std::perror("echo peer");
        std::exit(1);
    }
    const pid_t pid = fork();
    if (pid != 0) {
        close(listener);
        return pid;
    }
    for (;;) {
        const int fd = accept(listener, nullptr, nullptr);
        if (fd < 0)
            continue;
        char request[16];
        size_t have = 0;
        while (have < sizeof request) {
            const ssize_t n = read(fd, request + have, sizeof request - have);
            if (n <= 0)
                break;
            have += size_t(n);
        }
        const char result[4] = {1, 0, 0, 0};
        (void)!write(fd, result, sizeof result);
        close(fd);
    }
}

class NoSettings final : public TSettingsValue
{
public:
    Value ReadViewerHandle() override { return {}; }
};

void BM_SocketRoundTripFloor(benchmark::State& state)
{
    const sockaddr_un address = Address(g_echoPath);
    const char request[16] = {};
    for (auto _ : state) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            state.SkipWithError("connect");
            break;
        }
        (void)!write(fd, request, sizeof request);
        char result[4];
        size_t have = 0;
        while (have < sizeof result) {
            const ssize_t n = read(fd, result + have, sizeof result - have);
            if (n <= 0)
                break;
            have += size_t(n);
        }
        close(fd);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_SocketRoundTripFloor)->UseRealTime();

// Request, the server's nested reply to this process's window, and the request's result.
void BM_GetVariableRoundTrip(benchmark::State& state)
{
    for (auto _ : state) {
        const QByteArray value = g_link->GetVariable("Name");
        if (value != "Value") {
            state.SkipWithError("wrong answer");
            break;
        }
        benchmark::DoNotOptimize(value.constData());
    }
}
BENCHMARK(BM_GetVariableRoundTrip)->UseRealTime();

// The floor of a large transfer: 16 MiB written at once by a peer process into a bare Unix
// socket pair, on each one-byte request, and read into a buffer of the final size that is made
// and touched once, so that only the transfer itself is timed.
void BM_SocketPairFloor16MiB(benchmark::State& state)
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        state.SkipWithError("socketpair");
        return;
    }
    const pid_t peer = fork();
    if (peer == 0) {
        close(pair[0]);
        std::vector<char> file(static_cast<size_t>(kBigFile));
        for (size_t i = 0; i < file.size(); ++i)
            file[i] = char(i * 131);
        char request;
        while (read(pair[1], &request, 1) == 1) {
            size_t sent = 0;
            while (sent < file.size()) {
                const ssize_t n = write(pair[1], file.data() + sent, file.size() - sent);
                if (n <= 0)
                    _exit(1);
                sent += size_t(n);
            }
        }
        _exit(0);
    }
    close(pair[1]);
    std::vector<char> buffer(size_t(kBigFile), 1);
    for (auto _ : state) {
        const char request = 1;
        if (write(pair[0], &request, 1) != 1) {
            state.SkipWithError("request");
            break;
        }
        size_t have = 0;
        while (have < buffer.size()) {
            const ssize_t n = read(pair[0], buffer.data() + have, buffer.size() - have);
            if (n <= 0)
                break;
            have += size_t(n);
        }
        if (have != buffer.size()) {
            state.SkipWithError("short transfer");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    close(pair[0]); // the peer reads the end and leaves
    waitpid(peer, nullptr, 0);
    state.SetBytesProcessed(state.iterations() * kBigFile);
}
BENCHMARK(BM_SocketPairFloor16MiB)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_GetFileStream16MiB(benchmark::State& state)
{
    for (auto _ : state) {
        const std::unique_ptr<QBuffer> stream = g_link->GetFileStream("big.bin");
        if (!stream || stream->size() != kBigFile) {
            state.SkipWithError("wrong file");
            break;
        }
        benchmark::DoNotOptimize(stream->data().constData());
    }
    state.SetBytesProcessed(state.iterations() * kBigFile);
}
BENCHMARK(BM_GetFileStream16MiB)->UseRealTime()->Unit(benchmark::kMillisecond);

// 64 MiB of a command without a line end, in the 4 KiB pieces that the server reads from its
// standard input: with the limit, refused after 4 MiB and dropped from then on; with a limit
// above 64 MiB, kept whole. Either way each byte is looked at once, so the cost grows with the
// bytes, not with their square.
void BM_CommandLineWithoutLineEnd64MiB(benchmark::State& state)
{
    constexpr qint64 total = 64 * 1024 * 1024;
    const qsizetype limit = state.range(0) != 0 ? TCommandLines::MaxLength : total + 1;
    const QByteArray piece(4096, 'x');
    for (auto _ : state) {
        TCommandLines lines([](const QByteArray&) { return true; }, [](const QByteArray&) {}, limit);
        for (qint64 fed = 0; fed < total; fed += piece.size())
            lines.Feed(piece);
        benchmark::DoNotOptimize(lines.Pending());
    }
    state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_CommandLineWithoutLineEnd64MiB)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    char folderTemplate[] = "/tmp/bench-link-XXXXXX";
    if (!mkdtemp(folderTemplate))
        return 1;
    g_folder = folderTemplate;
    g_echoPath = g_folder + "/echo.sock";
    setenv("TUTORIX_RUNTIME_DIR", g_folder.constData(), 1);
    const pid_t echo = StartEchoPeer();

    QCoreApplication app(argc, argv);
    {
        QFile big(QFile::decodeName(g_folder + "/big.bin"));
        big.open(QIODevice::WriteOnly);
        QByteArray block(1024 * 1024, 0);
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i * 131);
        for (int i = 0; i < 16; ++i)
            big.write(block);
    }
    // Nobody reads the server's log while the benchmarks run: it must not fill a pipe.
    QProcess server;
    server.setStandardOutputFile(QProcess::nullDevice());
    server.start(QStringLiteral(TUTORIX_SERVER_EXE),
                 {"--handle", "bench", "--files", QFile::decodeName(g_folder), "--var", "Name=Value"});
    const QDeadlineTimer deadline(20000);
    while (TMessageWindows::Default().FindWindow(ServerWindowClass + QByteArray("bench"),
                                                 ServerWindowName + QByteArray("bench")) == 0) {
        if (deadline.hasExpired() || server.waitForFinished(10)) {
            std::fprintf(stderr, "tutorix-server did not start\n");
            return 1;
        }
    }

    NoSettings settings;
    TDemonSetup setup;
    setup.ProgramFile = "/opt/bench/dscdma";
    setup.CommandLine = {setup.ProgramFile, "/serverhandle=bench"};
    setup.Settings = &settings;
    QObject owner;
    g_link = new TkdbDemonClient(&owner, setup);
    g_link->SetMultiStart(true);
    g_link->Loaded();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    delete g_link;
    server.closeWriteChannel();
    if (!server.waitForFinished(5000))
        server.kill();
    kill(echo, SIGKILL);
    waitpid(echo, nullptr, 0);
    QDir(QFile::decodeName(g_folder)).removeRecursively();
    return 0;
}
