// The Linux message windows, lock and settings, against raw peers that write bytes by hand.
#include "link/MarvolaDemon.h"
#include "link/instancelock.h"
#include "link/messagewindows_unix.h"
#include "link/runtimefolder_unix.h"
#include "link/settingsvalue.h"
#include "tests/link/fake_platform.h"
#include "tests/link/process_support.h"
#include "tests/support/test_timing.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QSettings>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray kClass = "TransportTestClass";

QByteArray FrameHex(quint32 message, quint32 code, const QByteArray& payload, qint64 announced = -1)
{
    const quint32 cb = announced < 0 ? quint32(payload.size()) : quint32(announced);
    return (EncodeFrameHeader({message, 0x1234, code, cb}) + payload).toHex();
}

class Transport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(windows.RegisterClass(kClass)) << windows.LastErrorString().toStdString();
    }
    void TearDown() override
    {
        for (const quint32 window : made)
            windows.DestroyWindow(window);
        windows.UnregisterClass(kClass);
        windows.SetFrameTimeLimit(TUnixMessageWindows::DefaultFrameTimeLimit);
        windows.SetSendTimeLimit(TUnixMessageWindows::DefaultSendTimeLimit);
        windows.SetInFlightBudget(TUnixMessageWindows::DefaultInFlightBudget);
    }

    quint32 Window(const QByteArray& name = "w")
    {
        const quint32 handle = windows.CreateWindow(kClass, name, [this](quint32 message, quint32 wParam, quint32 dwData,
                                                                          QByteArray payload) {
            calls.push_back({message, wParam, dwData, payload});
            return 42;
        });
        if (handle)
            made.push_back(handle);
        return handle;
    }
    QString SocketOf(quint32 handle) const
    {
        return QFile::decodeName(runtime.Path() + '/' + HexHandle(handle) + ".sock");
    }
    // A program's link on this process's windows, with no settings value.
    TkdbDemonClient* Link(QObject& owner)
    {
        TDemonSetup setup;
        setup.ProgramFile = "/opt/sim/prog";
        setup.CommandLine = {setup.ProgramFile};
        setup.Settings = &settings;
        return new TkdbDemonClient(&owner, setup);
    }
    // The info file of a window with the server's names, for a peer that listens at its socket.
    QString ServerInfoFile(quint32 handle)
    {
        QFile info(QFile::decodeName(runtime.Path() + '/' + HexHandle(handle) + ".win"));
        EXPECT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(QByteArray(ServerWindowClass) + '\n' + ServerWindowName + '\n');
        return info.fileName();
    }

    struct Call
    {
        quint32 message;
        quint32 wParam;
        quint32 code;
        QByteArray payload;
    };

    PrivateRuntime runtime;
    FakeSettings settings;
    TUnixMessageWindows& windows = UnixMessageWindows();
    std::vector<quint32> made;
    std::vector<Call> calls;
};

TEST_F(Transport, AWindowIsASocketAndAnInfoFileThatGoWithIt)
{
    const quint32 handle = Window("Name One");
    ASSERT_NE(handle, 0u);
    const QString base = QFile::decodeName(runtime.Path() + '/' + HexHandle(handle));
    QFile info(base + ".win");
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    EXPECT_EQ(info.readAll(), kClass + "\nName One\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(base + ".sock").constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_TRUE(windows.IsWindow(handle));

    windows.DestroyWindow(handle);
    EXPECT_FALSE(QFile::exists(base + ".win"));
    EXPECT_FALSE(QFile::exists(base + ".sock"));
    EXPECT_FALSE(windows.IsWindow(handle));
}

TEST_F(Transport, ClassesAreRegisteredOncePerProcess)
{
    EXPECT_FALSE(windows.RegisterClass(kClass));
    EXPECT_TRUE(windows.LastErrorString().contains("already registered"));
    EXPECT_EQ(windows.CreateWindow("NotRegistered", "x", {}), 0u);
}

TEST_F(Transport, FindsWindowsByBothNamesIgnoringAsciiCaseLowestHandleFirst)
{
    std::vector<quint32> same;
    for (int i = 0; i < 4; ++i)
        same.push_back(Window("Same Name"));
    const quint32 other = Window("Other");
    EXPECT_EQ(windows.FindWindow("transporttestclass", "SAME NAME"), *std::min_element(same.begin(), same.end()));
    EXPECT_EQ(windows.FindWindow(kClass, "other"), other);
    EXPECT_EQ(windows.FindWindow(kClass, "Same"), 0u);
    EXPECT_EQ(windows.FindWindow("Transport", "Same Name"), 0u);
}

TEST_F(Transport, AStaleWindowIsNotFoundAndItsFilesAreCleared)
{
    // A window whose process died: its socket file stays, nobody listens.
    const QByteArray base = runtime.Path() + "/0000abcd";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, (base + ".sock").constData());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);
    QFile info(QFile::decodeName(base + ".win"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(kClass + "\nStale\n");
    info.close();
    QFile junk(QFile::decodeName(runtime.Path() + "/0000abce.win"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("no line break at all");
    junk.close();

    EXPECT_FALSE(windows.IsWindow(0xabcd));
    EXPECT_EQ(windows.FindWindow(kClass, "Stale"), 0u);
    EXPECT_FALSE(QFile::exists(QFile::decodeName(base + ".win")));
    EXPECT_FALSE(QFile::exists(QFile::decodeName(base + ".sock")));

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(windows.SendCopyData(0xabcd, 0, msgQuit, QByteArray(9, 0)), 0);
    EXPECT_EQ(windows.SendCopyData(0, 0, msgQuit, QByteArray(9, 0)), 0);
    EXPECT_LT(timer.elapsed(), 1000) << "a send to a missing window returns at once";
}

TEST_F(Transport, RefusesAPayloadOverTheFrameLimitWithoutDeliveringIt)
{
    const quint32 handle = Window();
    EXPECT_EQ(windows.SendCopyData(handle, 0, 1, QByteArray(MaxFramePayload + 1, 'x')), 0);
    EXPECT_EQ(windows.LastSendOutcome(), TMessageWindows::SendOutcome::NotDelivered);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(windows.SendCopyData(handle, 7, 1, QByteArray(MaxFramePayload, 'x')), 42) << "an own window answers directly";
    EXPECT_EQ(windows.LastSendOutcome(), TMessageWindows::SendOutcome::Answered);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].wParam, 7u);
    EXPECT_EQ(calls[0].payload.size(), MaxFramePayload);
    EXPECT_EQ(windows.SendCopyData(0x7e57, 7, 1, "12345678"), 0);
    EXPECT_EQ(windows.LastSendOutcome(), TMessageWindows::SendOutcome::NotDelivered) << "no such window";
}

// A send waits for an answer that comes within its time limit, and gives up on one that would
// come after it, once the limit has passed: both sides of the limit, scaled for a loaded machine.
TEST_F(Transport, ASendTakesAnAnswerWithinItsLimitAndGivesUpAfterIt)
{
    const int limit = Scaled(1000);
    windows.SetSendTimeLimit(limit);
    const struct
    {
        const char* what;
        int answerAfter;
        TMessageWindows::SendOutcome outcome;
        std::int32_t result;
    } cases[] = {
        {"within", limit / 4, TMessageWindows::SendOutcome::Answered, 42},
        {"after", 3 * limit, TMessageWindows::SendOutcome::Unanswered, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const quint32 slow = 0x00500000 + quint32(c.answerAfter);
        Child peer(QStringLiteral(LINK_RAW_PEER_EXE), {QStringLiteral("slow"), SocketOf(slow), QString::number(c.answerAfter)},
                   runtime.environment);
        ASSERT_GE(peer.WaitFor("listening"), 0) << peer.Everything().constData();
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(windows.SendCopyData(slow, 0, 9, QByteArray(12, 's')), c.result);
        const qint64 elapsed = timer.elapsed();
        EXPECT_EQ(windows.LastSendOutcome(), c.outcome);
        if (c.outcome == TMessageWindows::SendOutcome::Answered) {
            EXPECT_GE(elapsed, c.answerAfter);
        } else {
            EXPECT_GE(elapsed, limit);
            EXPECT_LT(elapsed, c.answerAfter) << "given up before the answer came";
        }
        peer.process.kill();
    }
}

struct PeerCase
{
    const char* name;
    QByteArray hex;
    bool hold;          // the peer keeps its connection open after writing
    int limitMs;        // the frame time limit of this process
    QByteArray answer;  // what the peer reads back
    size_t dispatched;  // how many frames reached the window procedure
    qint64 fill = 0;    // bytes 'x' written after hex
};

void PrintTo(const PeerCase& c, std::ostream* os)
{
    *os << c.name;
}

class RawPeer : public Transport, public ::testing::WithParamInterface<PeerCase>
{
};

TEST_P(RawPeer, GetsItsAnswerOrIsDroppedUnanswered)
{
    const PeerCase& c = GetParam();
    windows.SetFrameTimeLimit(c.limitMs);
    const quint32 handle = Window();
    const int droppedBefore = windows.DroppedFrames();
    QStringList arguments{QStringLiteral("send"), SocketOf(handle), QString::fromLatin1(c.hex)};
    if (c.hold)
        arguments << QStringLiteral("--hold");
    if (c.fill > 0)
        arguments << QStringLiteral("--fill") << QString::number(c.fill);
    Child peer(QStringLiteral(LINK_RAW_PEER_EXE), arguments, runtime.environment);
    ASSERT_TRUE(peer.started);
    ASSERT_GE(peer.WaitFor("written"), 0) << peer.Everything().constData();
    if (c.hold) {
        // Served by the event loop meanwhile; a stalled frame goes once its time is up.
        EXPECT_TRUE(PollUntil([&] { return windows.OpenConnections() == 0; }, c.limitMs + Scaled(5000)));
        peer.process.closeWriteChannel();
    }
    ASSERT_TRUE(peer.WaitForExit()) << peer.Everything().constData();
    EXPECT_GE(peer.Find(c.answer), 0) << peer.Everything().constData();
    EXPECT_EQ(calls.size(), c.dispatched);
    EXPECT_EQ(windows.OpenConnections(), 0);
    if (c.answer == "closed" && c.hex.size() > 0) {
        EXPECT_EQ(windows.DroppedFrames(), droppedBefore + 1);
    }
    if (c.dispatched == 1) {
        const QByteArray header = QByteArray::fromHex(c.hex);
        EXPECT_EQ(calls[0].payload.size(), qsizetype(DecodeFrameHeader(header.constData()).CbData));
    }
}

// The frame time limit, scaled for a loaded machine (see test_timing.h); 300 ms at scale 1.
const int kFrameLimitMs = Scaled(300);

INSTANTIATE_TEST_SUITE_P(
    Limits, RawPeer,
    ::testing::Values(
        PeerCase{"completeFrame", FrameHex(WM_COPYDATA, msgQuit, "12345678x"), false, 5000, "result 42", 1},
        PeerCase{"bytesAfterTheFrameAreIgnored", FrameHex(WM_COPYDATA, 9, "12345678") + "ffffffff", false, 5000,
                 "result 42", 1},
        PeerCase{"otherMessageAnsweredZero", FrameHex(0x0010, 9, "abc"), false, 5000, "result 0", 0},
        PeerCase{"aHeaderAlone", FrameHex(WM_COPYDATA, 9, {}), false, 5000, "result 42", 1},
        PeerCase{"aByteShortOfItsHeader", FrameHex(WM_COPYDATA, 9, {}).left(2 * (FrameHeaderSize - 1)), false, 5000,
                 "closed", 0},
        PeerCase{"payloadCutShort", FrameHex(WM_COPYDATA, 9, "1234", 100), false, 5000, "closed", 0},
        PeerCase{"announcesExactly64MiB", FrameHex(WM_COPYDATA, 9, {}, MaxFramePayload), false, 5000, "result 42", 1,
                 MaxFramePayload},
        PeerCase{"announcesMoreThan64MiB", FrameHex(WM_COPYDATA, 9, {}, MaxFramePayload + 1), true, 5000, "closed", 0},
        PeerCase{"stallsPastTheTimeLimit", FrameHex(WM_COPYDATA, 9, "1234", 100), true, kFrameLimitMs, "closed", 0},
        PeerCase{"completeBeforeTheTimeLimit", FrameHex(WM_COPYDATA, 9, "12345678"), true, kFrameLimitMs, "result 42",
                 1},
        PeerCase{"connectsAndSendsNothing", {}, false, 5000, "closed", 0}),
    [](const ::testing::TestParamInfo<PeerCase>& info) { return std::string(info.param.name); });

TEST_F(Transport, APeerThatDiesMidFrameIsDropped)
{
    const quint32 handle = Window();
    Child peer(QStringLiteral(LINK_RAW_PEER_EXE),
               {QStringLiteral("die"), SocketOf(handle), QString::fromLatin1(FrameHex(WM_COPYDATA, 9, "abc", 1000))},
               runtime.environment);
    ASSERT_TRUE(peer.WaitForExit());
    EXPECT_TRUE(PollUntil([&] { return windows.OpenConnections() == 0; }));
    EXPECT_TRUE(calls.empty());
}

TEST_F(Transport, ASendToAPeerThatDiesBeforeAnsweringEndsWithZero)
{
    // A window of another process that reads part of our frame and dies.
    const quint32 target = 0x00fe00fe;
    Child peer(QStringLiteral(LINK_RAW_PEER_EXE), {QStringLiteral("listen"), SocketOf(target), QStringLiteral("20")},
               runtime.environment);
    ASSERT_GE(peer.WaitFor("listening"), 0) << peer.Everything().constData();
    EXPECT_EQ(windows.SendCopyData(target, 0, 1, QByteArray(4 * 1024 * 1024, 'p')), 0);
    EXPECT_TRUE(peer.WaitForExit());
}

TEST_F(Transport, APayloadWithoutTimeStampLeavesTheLinkAsItWas)
{
    windows.UnregisterClass(kClass);
    QObject owner;
    QPointer<TkdbDemonClient> link = Link(owner);
    int events = 0;
    link->SetOnQuitMsgReceived([&](TkdbCustomDemon&, bool, bool&) { ++events; });
    link->SetOnGotAMessage([&](TkdbCustomDemon&, TTutorixMessageStream&) { ++events; });
    for (const int size : {0, 1, 4, 7}) {
        Child peer(QStringLiteral(LINK_RAW_PEER_EXE),
                   {QStringLiteral("send"), SocketOf(link->OwnEntity().Handle),
                    QString::fromLatin1(FrameHex(WM_COPYDATA, msgQuit, QByteArray(size, '\1')))},
                   runtime.environment);
        ASSERT_TRUE(peer.WaitForExit());
        EXPECT_GE(peer.Find("result 0"), 0) << size;
    }
    EXPECT_FALSE(link.isNull());
    EXPECT_EQ(events, 0);
    delete link.data();
    ASSERT_TRUE(windows.RegisterClass(kClass));
}

struct FolderCase
{
    const char* name;
    std::function<QByteArray(const QByteArray& base)> make; // returns the folder to use
    const char* why;
};

TEST(RuntimeFolder, RefusesAFolderOthersCouldReachAndNamesIt)
{
    QTemporaryDir base;
    const QByteArray root = QFile::encodeName(base.path());
    const FolderCase cases[] = {
        {"group may enter",
         [](const QByteArray& b) { const QByteArray d = b + "/g"; ::mkdir(d, 0750); ::chmod(d, 0750); return d; },
         "group or others"},
        {"others may write",
         [](const QByteArray& b) { const QByteArray d = b + "/o"; ::mkdir(d, 0702); ::chmod(d, 0702); return d; },
         "group or others"},
        {"symbolic link",
         [](const QByteArray& b) {
             ::mkdir(b + "/real", 0700);
             ::symlink((b + "/real").constData(), (b + "/link").constData());
             return b + "/link";
         },
         "symbolic link"},
        {"symbolic link written with a slash",
         [](const QByteArray& b) {
             ::mkdir(b + "/real2", 0700);
             ::symlink((b + "/real2").constData(), (b + "/link2").constData());
             return b + "/link2/";
         },
         "symbolic link"},
        {"plain file",
         [](const QByteArray& b) { QFile f(QFile::decodeName(b + "/f")); f.open(QIODevice::WriteOnly); return b + "/f"; },
         "not a directory"},
        {"path too long for a socket", [](const QByteArray& b) { return b + '/' + QByteArray(100, 'x'); }, "longer than"},
        {"missing parent", [](const QByteArray& b) { return b + "/missing/runtime"; }, "No such file"},
    };
    const QByteArray previous = qgetenv("TUTORIX_RUNTIME_DIR");
    for (const FolderCase& c : cases) {
        const QByteArray folder = c.make(root);
        qputenv("TUTORIX_RUNTIME_DIR", folder);
        TUnixMessageWindows windows;
        EXPECT_FALSE(windows.RegisterClass("C")) << c.name;
        const QString error = windows.LastErrorString();
        EXPECT_TRUE(error.contains(QFile::decodeName(RuntimeFolderPath()))) << c.name << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.why))) << c.name << ": " << error.toStdString();
        EXPECT_EQ(windows.FindWindow("C", ""), 0u) << c.name;
        EXPECT_EQ(TInstanceLock::Default().Acquire("QX_t", 1).outcome, TInstanceLock::Outcome::Failed) << c.name;
    }
    // Given a server, the link cannot start there, and says why; given none, it runs alone.
    qputenv("TUTORIX_RUNTIME_DIR", root + "/g");
    FakeSettings settings;
    TDemonSetup setup;
    setup.ProgramFile = "/opt/sim/prog";
    setup.CommandLine = {setup.ProgramFile, "/serverhandle=t1"};
    setup.Settings = &settings;
    try {
        TkdbDemonClient link(nullptr, setup);
        ADD_FAILURE() << "the link started in a folder others may enter";
    } catch (const ETutorix& e) {
        EXPECT_TRUE(e.Message().contains(QFile::decodeName(root + "/g"))) << e.what();
    }
    setup.CommandLine = {setup.ProgramFile};
    {
        TkdbDemonClient alone(nullptr, setup);
        EXPECT_EQ(alone.OwnEntity().Handle, 0u);
    }
    if (::geteuid() == 0) {
        const QByteArray foreign = root + "/foreign";
        ::mkdir(foreign, 0700);
        ASSERT_EQ(::chown(foreign, 65534, 65534), 0);
        qputenv("TUTORIX_RUNTIME_DIR", foreign);
        const TRuntimeFolder refused = OpenRuntimeFolder(true);
        EXPECT_TRUE(refused.error.contains("another user")) << refused.error.toStdString();
    }
    qputenv("TUTORIX_RUNTIME_DIR", previous);
}

TEST(RuntimeFolder, MakesAMissingLastComponentPrivate)
{
    QTemporaryDir base;
    const QByteArray folder = QFile::encodeName(base.path()) + "/made";
    const QByteArray previous = qgetenv("TUTORIX_RUNTIME_DIR");
    qputenv("TUTORIX_RUNTIME_DIR", folder);
    EXPECT_TRUE(OpenRuntimeFolder(true).Usable());
    struct stat st {};
    ASSERT_EQ(::lstat(folder, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    qputenv("TUTORIX_RUNTIME_DIR", "");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base.path()));
    EXPECT_EQ(RuntimeFolderPath(), QFile::encodeName(base.path()) + "/tutorix");
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(RuntimeFolderPath(), "/tmp/tutorix-" + QByteArray::number(::geteuid()));
    qputenv("TUTORIX_RUNTIME_DIR", previous);
}

TEST(InstanceLock, TheFirstHolderWinsUntilItLetsGoAndNamesItsWindow)
{
    PrivateRuntime runtime;
    TInstanceLock& lock = TInstanceLock::Default();
    EXPECT_EQ(lock.HolderWindow("QX_prog"), 0u) << "no lock yet";
    const TInstanceLock::Result first = lock.Acquire("QX_prog", 0x1234abcd);
    ASSERT_EQ(first.outcome, TInstanceLock::Outcome::Acquired);
    EXPECT_NE(first.handle, 0u);
    EXPECT_EQ(lock.HolderWindow("QX_prog"), 0x1234abcdu);
    EXPECT_EQ(lock.Acquire("QX_prog", 0x55).outcome, TInstanceLock::Outcome::HeldByOther);
    EXPECT_EQ(lock.HolderWindow("QX_prog"), 0x1234abcdu) << "a loser names nobody";
    EXPECT_EQ(lock.Acquire("QX_other", 0).outcome, TInstanceLock::Outcome::Acquired);
    EXPECT_EQ(lock.HolderWindow("QX_other"), 0u);
    lock.Release(first.handle);
    EXPECT_TRUE(QFile::exists(QFile::decodeName(runtime.Path() + "/QX_prog.lock"))) << "never removed";
    const TInstanceLock::Result again = lock.Acquire("QX_prog", 0xfeed);
    EXPECT_EQ(again.outcome, TInstanceLock::Outcome::Acquired);
    EXPECT_EQ(lock.HolderWindow("QX_prog"), 0xfeedu) << "the next holder names its own";
    lock.Release(again.handle);
    EXPECT_EQ(lock.Acquire("a/b", 1).outcome, TInstanceLock::Outcome::Failed);
    EXPECT_EQ(lock.HolderWindow("a/b"), 0u);
}

TEST(SettingsValue, ReadsTheViewerHandleAsTextOnly)
{
    QTemporaryDir folder;
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, folder.path());
    QDir(folder.path()).mkpath(QStringLiteral("Varlo"));
    const auto write = [&](const QByteArray& content) {
        QFile file(folder.filePath(QStringLiteral("Varlo/marvola.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    const struct
    {
        QByteArray ini;
        TSettingsValue::Kind kind;
        QByteArray text;
    } cases[] = {
        {"[demon]\nViewerHandle=1a2b\n", TSettingsValue::Kind::Text, "1a2b"},
        {"[demon]\nViewerHandle=\n", TSettingsValue::Kind::Text, ""},
        // As the original store has it, a comma is part of the text.
        {"[demon]\nViewerHandle=a, b\n", TSettingsValue::Kind::Text, "a, b"},
        {"[demon]\r\nViewerHandle=1,2,3\r\n", TSettingsValue::Kind::Text, "1,2,3"},
        {"[demon]\nViewerHandle=\"x, y\"\n", TSettingsValue::Kind::Text, "x, y"},
        {"[other]\nViewerHandle=no\n[demon]\n; note\nViewerHandle = ab \n", TSettingsValue::Kind::Text, "ab"},
        {"[demon]\nViewerHandle=@ByteArray(ab)\n", TSettingsValue::Kind::OtherType, ""},
        {"[demon]\nOther=1\n", TSettingsValue::Kind::Missing, ""},
        {"", TSettingsValue::Kind::Missing, ""},
    };
    for (const auto& c : cases) {
        write(c.ini);
        const TSettingsValue::Value value = TSettingsValue::Default().ReadViewerHandle();
        EXPECT_EQ(value.kind, c.kind) << c.ini.constData();
        EXPECT_EQ(value.text, c.text) << c.ini.constData();
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("/etc/xdg"));
}

// Frames being received share one budget, counted by the payload bytes that have arrived, not
// by what their headers announce: connections that announce much and send nothing take nothing
// of it. Frames that fill it exactly are kept; the one whose bytes would go one byte beyond is
// dropped; once the budget is free again a frame of its whole size is taken. Only copy-data
// frames keep their payload, so only they count.
TEST_F(Transport, FramesInFlightShareOneBudgetOfTheBytesThatArrived)
{
    windows.SetInFlightBudget(1000);
    windows.SetFrameTimeLimit(Scaled(60000)); // the idle ones stay until the test closes them
    const quint32 handle = Window();
    const int droppedBefore = windows.DroppedFrames();
    const auto start = [&](const QByteArray& hex, bool hold, qint64 fill = 0) {
        QStringList arguments{QStringLiteral("send"), SocketOf(handle), QString::fromLatin1(hex)};
        if (hold)
            arguments << QStringLiteral("--hold");
        if (fill)
            arguments << QStringLiteral("--fill") << QString::number(fill);
        auto peer = std::make_unique<Child>(QStringLiteral(LINK_RAW_PEER_EXE), arguments, runtime.environment);
        EXPECT_GE(peer->WaitFor("written"), 0) << peer->Everything().constData();
        return peer;
    };
    const auto answer = [&](qint64 size) {
        const auto peer = start(FrameHex(WM_COPYDATA, 9, {}, size), false, size);
        EXPECT_TRUE(peer->WaitForExit());
        return peer->Find("result 42") >= 0 ? "answered" : peer->Find("closed") >= 0 ? "dropped" : "?";
    };
    // Two headers that announce the whole budget between them, and nothing after.
    const auto idle = start(FrameHex(WM_COPYDATA, 9, {}, 600), true);
    const auto idleToo = start(FrameHex(WM_COPYDATA, 9, {}, 400), true);
    const auto partial = start(FrameHex(WM_COPYDATA, 9, QByteArray(100, 'a'), 600), true);
    ASSERT_TRUE(PollUntil([&] { return windows.OpenConnections() == 3 && windows.BytesInFlight() == 100; }))
        << windows.OpenConnections() << " open, " << windows.BytesInFlight() << " bytes";

    EXPECT_STREQ(answer(900), "answered") << "exactly the budget, with the 100 bytes that arrived";
    EXPECT_EQ(windows.DroppedFrames(), droppedBefore);
    EXPECT_STREQ(answer(901), "dropped") << "one byte beyond";
    EXPECT_EQ(windows.DroppedFrames(), droppedBefore + 1);
    EXPECT_EQ(windows.OpenConnections(), 3) << "the idle ones are kept";
    EXPECT_EQ(windows.BytesInFlight(), 100);
    const auto other = start(FrameHex(0x0010, 9, {}, 5000), false, 5000);
    ASSERT_TRUE(other->WaitForExit());
    EXPECT_GE(other->Find("result 0"), 0) << "not counted: its payload is not kept";

    for (Child* peer : {idle.get(), idleToo.get(), partial.get()}) {
        peer->process.closeWriteChannel();
        ASSERT_TRUE(peer->WaitForExit());
        EXPECT_GE(peer->Find("closed"), 0) << peer->Everything().constData();
    }
    EXPECT_TRUE(PollUntil([&] { return windows.BytesInFlight() == 0; }));
    EXPECT_STREQ(answer(1000), "answered");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].payload.size(), 900);
    EXPECT_EQ(calls[1].payload.size(), 1000);
}

// A window whose process was killed leaves its files; the first registration in the folder
// clears them. A socket without its info file may be a window in the making and is cleared
// only once it is old; live windows and other files stay.
TEST_F(Transport, TheFirstRegistrationClearsTheFilesOfDeadWindows)
{
    const QByteArray folder = runtime.Path();
    const auto deadSocket = [&](quint32 handle) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, (folder + '/' + HexHandle(handle) + ".sock").constData());
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(fd, 1), 0);
        ::close(fd);
    };
    const auto file = [&](const QByteArray& name, const QByteArray& content) {
        QFile f(QFile::decodeName(folder + '/' + name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    };
    const auto exists = [&](const QByteArray& name) { return QFile::exists(QFile::decodeName(folder + '/' + name)); };

    deadSocket(0x0000dead);
    file("0000dead.win", "Some\nWindow\n");
    deadSocket(0x00000001);
    const QByteArray oldSocket = folder + "/00000001.sock";
    timeval longAgo[2] = {{::time(nullptr) - TUnixMessageWindows::OrphanSocketAgeSeconds - 5, 0},
                          {::time(nullptr) - TUnixMessageWindows::OrphanSocketAgeSeconds - 5, 0}};
    ASSERT_EQ(::lutimes(oldSocket.constData(), longAgo), 0);
    deadSocket(0x00000002);
    file("QX_prog.lock", "");
    file("notes.win", "x\ny\n");
    const quint32 live = Window("Live");
    const QByteArray liveName = HexHandle(live);

    TUnixMessageWindows fresh;
    ASSERT_TRUE(fresh.RegisterClass("Fresh"));
    EXPECT_FALSE(exists("0000dead.win"));
    EXPECT_FALSE(exists("0000dead.sock"));
    EXPECT_FALSE(exists("00000001.sock")) << "an old socket alone";
    EXPECT_TRUE(exists("00000002.sock")) << "a new socket alone may be a window in the making";
    EXPECT_TRUE(exists(liveName + ".win"));
    EXPECT_TRUE(exists(liveName + ".sock"));
    EXPECT_TRUE(exists("QX_prog.lock"));
    EXPECT_TRUE(exists("notes.win"));
    EXPECT_EQ(windows.FindWindow(kClass, "Live"), live);
}

// A send that makes no progress gives up after the send time limit, and not before, to a
// server that takes every frame and never answers. From then on the server counts as gone: the
// queries that follow fail at once with the link's error, and nothing more reaches the server,
// not even the unregistration. The peer itself ends long after, which is when a send without a
// limit would.
TEST_F(Transport, ASendToAPeerThatNeverAnswersGivesUpOnceAndTheServerCountsAsGone)
{
    windows.UnregisterClass(kClass);
    const int limit = Scaled(300);
    const int peerLives = Scaled(4000);
    windows.SetSendTimeLimit(limit);
    const quint32 server = 0x00c0ffee;
    ServerInfoFile(server);
    Child mute(QStringLiteral(LINK_RAW_PEER_EXE), {QStringLiteral("mute"), SocketOf(server), QString::number(peerLives)},
               runtime.environment);
    ASSERT_GE(mute.WaitFor("listening"), 0) << mute.Everything().constData();

    QObject owner;
    QPointer<TkdbDemonClient> link = Link(owner);
    ASSERT_EQ(link->ServerEntity().Handle, server);
    QElapsedTimer timer;
    timer.start();
    link->SendRegister();
    const qint64 registration = timer.elapsed();
    EXPECT_GE(registration, limit) << "the limit is counted from the frame's last byte";
    EXPECT_LT(registration, peerLives / 2) << "given up long before the peer went";
    EXPECT_EQ(windows.LastSendOutcome(), TMessageWindows::SendOutcome::Unanswered);
    EXPECT_GE(mute.WaitFor("frame " + QByteArray::number(msgRegister)), 0) << "the peer took the frame";

    const std::function<void()> queries[] = {
        [&] { link->MapFileName("/opt/sim/prog"); },
        [&] { link->GetVariable("MarvolaWorkArea"); },
    };
    for (const auto& query : queries) {
        timer.restart();
        try {
            query();
            ADD_FAILURE() << "no error";
        } catch (const ETutorix& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Tutorix server application is not running"));
        }
        EXPECT_LT(timer.elapsed(), limit) << "no second wait";
    }
    delete link.data();
    EXPECT_FALSE(PollUntil([&] { return mute.Count("frame") > 1; }, Scaled(300))) << mute.Everything().constData();
    ASSERT_TRUE(windows.RegisterClass(kClass));
}

// Progress of a send is its own: a peer that never answers but keeps sending messages, more
// often than the limit, has them served and still loses the send after the limit.
TEST_F(Transport, MessagesServedWhileASendWaitsDoNotExtendItsLimit)
{
    const int limit = Scaled(300);
    const int peerLives = Scaled(4000);
    windows.SetSendTimeLimit(limit);
    const quint32 own = Window();
    const quint32 chatty = 0x00c0ffee;
    Child peer(QStringLiteral(LINK_RAW_PEER_EXE),
               {QStringLiteral("mute"), SocketOf(chatty), QString::number(peerLives), QStringLiteral("--chat"),
                QString::number(limit / 4)},
               runtime.environment);
    ASSERT_GE(peer.WaitFor("listening"), 0) << peer.Everything().constData();
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(windows.SendCopyData(chatty, own, msgGetVariable, QByteArray(12, 'v')), 0);
    const qint64 elapsed = timer.elapsed();
    EXPECT_EQ(windows.LastSendOutcome(), TMessageWindows::SendOutcome::Unanswered);
    EXPECT_GE(elapsed, limit);
    EXPECT_LT(elapsed, peerLives / 2) << "held while the peer talked";
    EXPECT_FALSE(calls.empty()) << "its messages were served meanwhile";
    for (const Call& call : calls)
        EXPECT_EQ(call.code, 5000u);
}

// A quit that reaches the link while its send waits ends the send at once, whatever the limit.
TEST_F(Transport, AQuitWhileASendWaitsEndsItAtOnce)
{
    windows.UnregisterClass(kClass);
    const int peerLives = Scaled(4000);
    const quint32 server = 0x00c0ffee;
    ServerInfoFile(server);
    Child mute(QStringLiteral(LINK_RAW_PEER_EXE),
               {QStringLiteral("mute"), SocketOf(server), QString::number(peerLives), QStringLiteral("--quit"),
                QStringLiteral("1")},
               runtime.environment);
    ASSERT_GE(mute.WaitFor("listening"), 0) << mute.Everything().constData();

    QObject owner;
    QPointer<TkdbDemonClient> link = Link(owner);
    ASSERT_EQ(windows.SendTimeLimit(), TUnixMessageWindows::DefaultSendTimeLimit);
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(link->GetVariable("MarvolaWorkArea"), EQuitAccepted);
    EXPECT_LT(timer.elapsed(), peerLives / 2);
    EXPECT_EQ(windows.LastSendOutcome(), TMessageWindows::SendOutcome::Unanswered);
    ASSERT_TRUE(PollUntil([&] { return link.isNull(); })) << "the link goes from the event loop";
    ASSERT_TRUE(windows.RegisterClass(kClass));
}

// Peers of another user are refused both ways, even inside the user's own folder: no frame of
// theirs reaches a window, and nothing of ours reaches theirs. Only root can be another user.
TEST_F(Transport, APeerOfAnotherUserIsRefusedOnConnectAndOnAccept)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run a peer as another user";
    const QString nobody = QStringLiteral("65534");

    // Theirs: a listening window with the server's names.
    const quint32 theirs = 0x00f0e1d2;
    const QString info = ServerInfoFile(theirs);
    Child foreign(QStringLiteral(LINK_RAW_PEER_EXE),
                  {QStringLiteral("mute"), SocketOf(theirs), QString::number(Scaled(4000)), QStringLiteral("--uid"), nobody},
                  runtime.environment);
    ASSERT_GE(foreign.WaitFor("listening"), 0) << foreign.Everything().constData();
    EXPECT_FALSE(windows.IsWindow(theirs));
    EXPECT_EQ(windows.FindWindow(ServerWindowClass, ServerWindowName), 0u);
    EXPECT_TRUE(QFile::exists(info)) << "not ours to remove";
    EXPECT_EQ(windows.SendCopyData(theirs, 0, msgRegister, QByteArray(16, 'r')), 0);
    EXPECT_EQ(windows.LastSendOutcome(), TMessageWindows::SendOutcome::NotDelivered);
    EXPECT_TRUE(windows.LastErrorString().contains("another user")) << windows.LastErrorString().toStdString();
    EXPECT_FALSE(PollUntil([&] { return foreign.Find("frame") >= 0; }, Scaled(300))) << "nothing reached them";

    // Ours: a window that another user can reach only because the test opens the way.
    const quint32 handle = Window();
    const QByteArray folder = runtime.Path();
    const QByteArray socket = QFile::encodeName(SocketOf(handle));
    ASSERT_EQ(::chmod(folder.constData(), 0711), 0);
    ASSERT_EQ(::chmod(socket.constData(), 0666), 0);
    const int refusedBefore = windows.RefusedPeers();
    Child peer(QStringLiteral(LINK_RAW_PEER_EXE),
               {QStringLiteral("send"), SocketOf(handle), QString::fromLatin1(FrameHex(WM_COPYDATA, 9, "12345678")),
                QStringLiteral("--uid"), nobody},
               runtime.environment);
    const bool ended = peer.WaitForExit();
    ::chmod(folder.constData(), 0700);
    ASSERT_TRUE(ended);
    EXPECT_GE(peer.Find("closed"), 0) << peer.Everything().constData();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(windows.RefusedPeers(), refusedBefore + 1);

    // The same frame from this user is taken.
    Child own(QStringLiteral(LINK_RAW_PEER_EXE),
              {QStringLiteral("send"), SocketOf(handle), QString::fromLatin1(FrameHex(WM_COPYDATA, 9, "12345678"))},
              runtime.environment);
    ASSERT_TRUE(own.WaitForExit());
    EXPECT_GE(own.Find("result 42"), 0) << own.Everything().constData();
}

} // namespace
