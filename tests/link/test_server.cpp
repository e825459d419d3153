// The link and the reference teaching server in two processes, talking through real windows.
#include "link/MarvolaDemon.h"
#include "link/messagewindows_unix.h"
#include "tests/link/fake_platform.h"
#include "tests/link/process_support.h"
#include "tests/support/test_timing.h"
#include "tools/commandlines.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>

#include <csignal>

namespace {

const QByteArray kProgram = "/opt/dscdma/dscdma";

class Owner : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER caption)
public:
    QString caption = QStringLiteral("BF_Exit");
};

class CrossProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(files.isValid());
        Put("dscdma.itl", "[Exit]=Ende|$$");
        Put("data.bin", QByteArray("\0\1\2\xFF bytes", 10));
        Put("empty", {});
        QDir(files.path()).mkdir(QStringLiteral("sub"));
        Put("sub/inner", "x");
        server = std::make_unique<Child>(
            QStringLiteral(TUTORIX_SERVER_EXE),
            QStringList{"--handle", "T1", "--files", files.path(), "--var", "Greeting=hello world", "--var",
                        "MarvolaWorkArea=" + files.path() + "/"},
            runtime.environment);
        ASSERT_TRUE(server->started);
        const qsizetype ready = server->WaitFor("ready handle=");
        ASSERT_GE(ready, 0) << server->Everything().constData();
        serverHandle = server->lines[ready].mid(13, 8).toUInt(nullptr, 16);
    }
    void TearDown() override
    {
        delete link.data();
        server.reset();
    }

    void Put(const char* name, const QByteArray& content)
    {
        QFile file(QDir(files.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray FilesPath() const { return QFile::encodeName(files.path()); }

    TkdbDemonClient* Make(std::function<QDateTime()> clock = {})
    {
        TDemonSetup setup;
        setup.ProgramFile = kProgram;
        setup.CommandLine = {kProgram, "/serverhandle=t1"};
        setup.Settings = &settings;
        setup.Clock = std::move(clock);
        link = new TkdbDemonClient(&owner, setup);
        return link;
    }
    QByteArray Own() const { return HexHandle(link->OwnEntity().Handle); }
    PrivateRuntime runtime;
    QTemporaryDir files;
    FakeSettings settings;
    std::unique_ptr<Child> server;
    quint32 serverHandle = 0;
    Owner owner;
    QPointer<TkdbDemonClient> link;
};

TEST_F(CrossProcess, FindsTheServerRegistersLoadsItsLanguageAndUnregisters)
{
    // Written out as the programs know them, not taken from the constants.
    EXPECT_TRUE(server->lines.value(0).endsWith(
        " class=ThisIsTheTutorixServerComponentWindowClassT1 window=ThisIsTheTutorixServerComponentWindowT1"))
        << server->lines.value(0).constData();
    Make();
    ASSERT_EQ(link->ServerEntity().Handle, serverHandle) << "found under the lower-cased handle text";
    link->Loaded();
    EXPECT_EQ(owner.caption, QStringLiteral("Ende"));
    const QByteArray own = Own();
    const qsizetype registered = server->WaitFor("recv register", {"from=" + own, "handle=" + own, "mutex=00000000",
                                                                   "file=/opt/dscdma/dscdma", "title=dscdma"});
    const qsizetype mapped = server->WaitFor("recv map-file-name", {"name=/opt/dscdma/dscdma", "result=" + FilesPath() + "/dscdma"});
    const qsizetype fetched = server->WaitFor("recv get-file", {"name=" + FilesPath() + "/dscdma.itl", "found=1", "size=14"});
    ASSERT_GE(registered, 0) << server->Everything().constData();
    EXPECT_LT(registered, mapped);
    EXPECT_LT(mapped, fetched);

    ASSERT_GE(server->Command("list", "listed count=1"), 0);
    EXPECT_GE(server->Find("party", {"handle=" + own, "title=dscdma"}), 0);

    delete link.data();
    EXPECT_GE(server->WaitFor("recv unregister", {"from=" + own, "handle=" + own}), 0);
    EXPECT_GE(server->Command("list", "listed count=0"), 0);
}

TEST_F(CrossProcess, AnswersEveryQuery)
{
    Make();
    link->Loaded();
    EXPECT_EQ(link->GetVariable("Greeting"), QByteArray("hello world"));
    EXPECT_EQ(link->GetVariable("MarvolaWorkArea"), FilesPath() + '/');
    EXPECT_EQ(link->GetVariable("Unknown"), QByteArray());
    EXPECT_EQ(link->MapFileName("/somewhere/else.exe"), FilesPath() + "/else.exe");
    const QByteArray odd("\0\r\n\xFF%  x", 8);
    EXPECT_EQ(link->QueryString(odd), odd);
    EXPECT_GE(server->WaitFor("recv query-string", {"text=%00%0D%0A%FF%25%20%20x"}), 0);

    for (const QByteArray& name : {QByteArray("data.bin"), FilesPath() + "/data.bin"}) {
        const std::unique_ptr<QBuffer> data = link->GetFileStream(name);
        ASSERT_TRUE(data) << name.constData();
        EXPECT_EQ(data->readAll(), QByteArray("\0\1\2\xFF bytes", 10));
    }
    const std::unique_ptr<QBuffer> empty = link->GetFileStream("empty");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->size(), 0);
    for (const QByteArray& outside : {QByteArray("../dscdma.itl"), QByteArray(".."), QByteArray("sub/inner"),
                                      FilesPath() + "/sub/inner", FilesPath() + "/../x", QByteArray("/etc/passwd"),
                                      QByteArray("missing"), QByteArray("sub"), QByteArray()})
        EXPECT_FALSE(link->GetFileStream(outside)) << outside.constData();

    const std::unique_ptr<TEntity> self = link->FindEntityByHandle(link->OwnEntity().Handle);
    ASSERT_TRUE(self);
    EXPECT_EQ(self->Title(), QByteArray("dscdma"));
    EXPECT_EQ(self->FileName(), kProgram);
    EXPECT_FALSE(link->FindEntityByHandle(0x12345678));
    EXPECT_FALSE(link->FindEntityByTitle("dscdma")) << "the party asking is not its own answer";

    // Another party, registered by hand for a second window of this process: refreshing an
    // entity with an empty file name fills it in.
    const quint32 second = UnixMessageWindows().CreateWindow(link->GetWindowClassName(), "second", {});
    ASSERT_NE(second, 0u);
    TTutorixMessageStream other(link);
    other.MsgCode = msgRegister;
    WriteEntityRecord(other, {second, 3, "/opt/other", "Other"});
    other.SendTo(link->ServerEntity());
    const std::unique_ptr<TEntity> found = link->FindEntityByTitle("Other");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Handle, second);
    EXPECT_EQ(found->MutexHandle, 3u);
    TEntity sparse(link);
    sparse.Handle = second;
    EXPECT_EQ(sparse.FileName(), QByteArray("/opt/other"));
    EXPECT_EQ(sparse.Title(), QByteArray("Other"));

    // Once that window has gone, the server forgets the party.
    UnixMessageWindows().DestroyWindow(second);
    EXPECT_FALSE(link->FindEntityByTitle("Other"));
    EXPECT_GE(server->WaitFor("dropped", {"handle=" + HexHandle(second), "title=Other"}), 0);
}

// A server that takes a request and never answers (here: stopped) holds a query for the send
// time limit, no longer, and counts as gone from then on: running again, it is asked nothing.
TEST_F(CrossProcess, AStoppedServerHoldsAQueryOnlyUntilTheSendTimeLimit)
{
    Make();
    link->Loaded();
    const int limit = Scaled(300);
    UnixMessageWindows().SetSendTimeLimit(limit);
    ASSERT_EQ(::kill(pid_t(server->process.processId()), SIGSTOP), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(link->GetVariable("Greeting"), ETutorix);
    const qint64 elapsed = timer.elapsed();
    ::kill(pid_t(server->process.processId()), SIGCONT);
    UnixMessageWindows().SetSendTimeLimit(TUnixMessageWindows::DefaultSendTimeLimit);
    EXPECT_GE(elapsed, limit);
    EXPECT_LT(elapsed, limit + Scaled(2000));
    EXPECT_TRUE(link->ServerGone());
    EXPECT_THROW(link->GetVariable("Again"), ETutorix);
    EXPECT_GE(server->WaitFor("recv get-variable", {"name=Greeting"}), 0) << "taken, answered too late";
    ASSERT_GE(server->Command("list", "listed"), 0);
    EXPECT_EQ(server->Find("recv get-variable", {"name=Again"}), -1);
}

// Two connections that announce the largest frame each, the server's whole in-flight budget
// between them, and then send nothing keep nobody from being served.
TEST_F(CrossProcess, HeadersThatAnnounceTheWholeBudgetAndSendNothingStarveNobody)
{
    static_assert(2 * MaxFramePayload == TUnixMessageWindows::DefaultInFlightBudget);
    const QString socket = QFile::decodeName(runtime.Path() + '/' + HexHandle(serverHandle) + ".sock");
    const QByteArray header = EncodeFrameHeader({WM_COPYDATA, 0, msgGetVariable, quint32(MaxFramePayload)}).toHex();
    std::vector<std::unique_ptr<Child>> idle;
    for (int i = 0; i < 2; ++i) {
        idle.push_back(std::make_unique<Child>(QStringLiteral(LINK_RAW_PEER_EXE),
                                               QStringList{"send", socket, QString::fromLatin1(header), "--hold"},
                                               runtime.environment));
        ASSERT_GE(idle.back()->WaitFor("written"), 0) << idle.back()->Everything().constData();
    }
    Make();
    link->Loaded();
    EXPECT_GE(server->WaitFor("recv register", {"from=" + Own()}), 0) << server->Everything().constData();
    EXPECT_EQ(link->GetVariable("Greeting"), QByteArray("hello world"));
    for (const auto& peer : idle) {
        peer->process.closeWriteChannel();
        EXPECT_TRUE(peer->WaitForExit());
        EXPECT_GE(peer->Find("closed"), 0) << "cut short: dropped unanswered";
    }
}

// The largest payload goes out and is taken whole; one byte more is refused before anything is
// sent.
TEST_F(CrossProcess, TheLargestPayloadIsSentAndOneByteMoreIsNot)
{
    TUnixMessageWindows& windows = UnixMessageWindows();
    const QByteArray largest(MaxFramePayload, 'L');
    EXPECT_EQ(windows.SendCopyData(serverHandle, 0, 5000, largest), 0);
    EXPECT_EQ(windows.LastSendOutcome(), TMessageWindows::SendOutcome::Answered);
    EXPECT_GE(server->WaitFor("recv message", {"code=5000", "size=" + QByteArray::number(MaxFramePayload - TimeStampSize)}), 0)
        << server->Everything().right(500).constData();
    EXPECT_EQ(windows.SendCopyData(serverHandle, 0, 5001, largest + 'L'), 0);
    EXPECT_EQ(windows.LastSendOutcome(), TMessageWindows::SendOutcome::NotDelivered);
    ASSERT_GE(server->Command("list", "listed"), 0);
    EXPECT_EQ(server->Find("recv message", {"code=5001"}), -1);
}

// A command line is taken up to its limit; one byte longer, it is refused with an error line,
// its bytes are dropped up to its line end, and the next line is a command again.
TEST_F(CrossProcess, ACommandLineLongerThanTheLimitIsRefusedAndTheNextOneRuns)
{
    const qsizetype limit = TCommandLines::MaxLength;
    const QByteArray longest = "list" + QByteArray(limit - 4, ' ');
    ASSERT_GE(server->Command(longest, "listed count=0", Scaled(10000)), 0) << "exactly the limit";
    const qsizetype from = server->lines.size();
    // Written in pieces, the refusal comes before the line ends.
    server->process.write(longest + ' ');
    ASSERT_GE(server->WaitFor("error", {}, Scaled(10000), from), 0) << server->Everything().right(300).constData();
    EXPECT_EQ(server->lines[from], "error command line longer than " + QByteArray::number(limit)
                                       + " bytes: dropped up to its end");
    server->Write(QByteArray(limit, 'x') + "\nlist");
    ASSERT_GE(server->WaitFor("listed count=0", {}, Scaled(10000), from), 0) << server->Everything().right(300).constData();
    EXPECT_EQ(server->lines.size(), from + 2) << "the refused line ran nothing";
}

// The work area is a folder that file names are appended to: given without its separator, the
// server adds it.
TEST(ServerOptions, TheWorkAreaEndsWithASeparator)
{
    PrivateRuntime runtime;
    const struct
    {
        QString given;
        QByteArray answer; // empty: any folder ending with '/'
    } cases[] = {
        {"/tmp/books/work", "/tmp/books/work/"},
        {"/tmp/books/work/", "/tmp/books/work/"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given.toStdString());
        Child server(QStringLiteral(TUTORIX_SERVER_EXE), {"--var", "MarvolaWorkArea=" + c.given}, runtime.environment);
        ASSERT_GE(server.WaitFor("ready handle="), 0) << server.Everything().constData();
        FakeSettings settings;
        TDemonSetup setup;
        setup.ProgramFile = kProgram;
        setup.CommandLine = {kProgram};
        setup.Settings = &settings;
        QObject owner;
        auto* link = new TkdbDemonClient(&owner, setup);
        const QByteArray workArea = link->GetVariable("MarvolaWorkArea");
        if (c.answer.isEmpty()) {
            EXPECT_TRUE(workArea.size() > 1 && workArea.endsWith('/')) << workArea.constData();
        } else {
            EXPECT_EQ(workArea, c.answer);
        }
        delete link;
        server.Write("exit");
        EXPECT_TRUE(server.WaitForExit());
    }
}

TEST_F(CrossProcess, StartsProgramsAndWaitsForThem)
{
    Make();
    link->Loaded();
    const QString marker = files.filePath(QStringLiteral("marker"));
    // The server is the program's parent, so the link learns that it ended, not how.
    EXPECT_EQ(link->ExecuteProgram("/bin/sh", "-c \"echo done > '" + QFile::encodeName(marker) + "'; exit 3\"", true, 9), -1);
    EXPECT_TRUE(QFile::exists(marker)) << "the program has ended when the call returns";
    EXPECT_GE(server->WaitFor("recv execute", {"file=/bin/sh", "wait=1", "option=9"}), 0);

    const qint32 pid = link->ExecuteProgram("/bin/true", "", false, 0);
    EXPECT_GT(pid, 0);
    try {
        link->ExecuteProgram("/no/such/program", "", false, 0);
        FAIL() << "no error";
    } catch (const ETutorix& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Could not execute \"/no/such/program.\""));
    }
}

TEST_F(CrossProcess, ServesANestedRequestWhileTheClientWaits)
{
    Make();
    link->Loaded();
    int depthDuringEvent = -1;
    link->SetOnParamsChange([&](QObject*) { depthDuringEvent = link->SendDepth(); });
    ASSERT_GE(server->Command("nested params a b%20c", "queued nested params"), 0);
    EXPECT_EQ(link->GetVariable("Greeting"), QByteArray("hello world"));
    EXPECT_EQ(depthDuringEvent, 1) << "the parameters arrived inside the query";
    EXPECT_EQ(link->Params(), (QList<QByteArray>{"a", "b c"}));
    const qsizetype sent = server->WaitFor("sent params", {"to=" + Own(), "result=0", "nested=1"});
    EXPECT_GT(sent, server->Find("recv get-variable", {"name=Greeting"}));
}

TEST_F(CrossProcess, TwoRequestsInTheSameMillisecondEachGetTheirOwnReply)
{
    const QDateTime fixed(QDate(2024, 5, 6), QTime(10, 0, 0, 123));
    Make([fixed] { return fixed; });
    EXPECT_EQ(link->GetVariable("Greeting"), QByteArray("hello world"));
    EXPECT_EQ(link->GetVariable("MarvolaWorkArea"), FilesPath() + '/');
    const QByteArray stamp = "stamp=" + QByteArray::number(TimeStampOf(fixed).Date) + ':' + QByteArray::number(TimeStampOf(fixed).Time);
    EXPECT_GE(server->WaitFor("recv get-variable", {stamp, "name=Greeting"}), 0);
    EXPECT_GE(server->WaitFor("recv get-variable", {stamp, "name=MarvolaWorkArea"}), 0);
    EXPECT_TRUE(link->PendingReplies().empty());
}

TEST_F(CrossProcess, ALateReplyStaysPendingUntilASendWithItsStampPicksItUp)
{
    const QDateTime fixed(QDate(2024, 5, 6), QTime(10, 0, 0, 456));
    Make([fixed] { return fixed; });
    ASSERT_GE(server->Command("late", "queued late"), 0);
    EXPECT_THROW(link->GetVariable("Greeting"), EStreamReadError) << "no reply while the request was handled";
    ASSERT_TRUE(PollUntil([&] { return link->PendingReplies().size() == 1; }));
    EXPECT_EQ(link->PendingReplies()[0]->TimeStamp, TimeStampOf(fixed));
    EXPECT_NE(link->FindReply(TimeStampOf(fixed)), nullptr);

    // The next request carries the same stamp and takes the older reply first.
    EXPECT_EQ(link->GetVariable("MarvolaWorkArea"), QByteArray("hello world"));
    ASSERT_EQ(link->PendingReplies().size(), 1u);
}

class QuitFromServer : public CrossProcess, public ::testing::WithParamInterface<int>
{
};

TEST_P(QuitFromServer, DestroysTheLinkAndUnregistersOnlyWhenTheServerStaysUp)
{
    const int down = GetParam();
    Make();
    link->Loaded();
    const QByteArray own = Own();
    bool offered = false;
    link->SetOnQuitMsgReceived([&](TkdbCustomDemon&, bool serverDown, bool&) {
        offered = true;
        EXPECT_EQ(serverDown, down != 0);
    });
    server->Write("quit " + own + ' ' + QByteArray::number(down));
    ASSERT_TRUE(PollUntil([&] { return link.isNull(); })) << server->Everything().constData();
    EXPECT_TRUE(offered);
    const qsizetype sent = server->WaitFor("sent quit", {"to=" + own, "result=0"});
    ASSERT_GE(sent, 0);
    const qsizetype unregistered = server->Find("recv unregister", {"from=" + own});
    if (down == 0) {
        EXPECT_GE(unregistered, 0);
        EXPECT_LT(unregistered, sent) << "inside the quit's own send";
    } else {
        EXPECT_EQ(unregistered, -1) << server->Everything().constData();
    }
    EXPECT_GE(server->Command("list", "listed count="), 0);
}

INSTANTIATE_TEST_SUITE_P(ServerDown, QuitFromServer, ::testing::Values(0, 1, 2));

// The quit comes before the reply: the query ends at once, stopping its caller, and the link
// goes once the event loop has control, unregistering on its way.
TEST_F(CrossProcess, AQuitInsideAQueryEndsItAndTheLinkGoesAfterIt)
{
    Make();
    link->Loaded();
    ASSERT_GE(server->Command("nested quit 0", "queued nested quit"), 0);
    EXPECT_THROW(link->GetVariable("Greeting"), EQuitAccepted);
    ASSERT_FALSE(link.isNull());
    EXPECT_TRUE(link->QuitAccepted());
    const QByteArray own = Own();
    ASSERT_TRUE(PollUntil([&] { return link.isNull(); }));
    const qsizetype unregistered = server->WaitFor("recv unregister", {"from=" + own});
    EXPECT_GT(unregistered, server->Find("recv get-variable", {"name=Greeting"}));
}

QProcessEnvironment ClientEnvironment(const PrivateRuntime& runtime, bool useServer)
{
    QProcessEnvironment environment = runtime.environment;
    environment.insert(QStringLiteral("TUTORIX_TEST_USE_SERVER"), useServer ? QStringLiteral("1") : QStringLiteral("0"));
    return environment;
}

TEST_F(CrossProcess, ASecondInstanceForwardsItsParametersAndEndsWithZero)
{
    const QProcessEnvironment environment = ClientEnvironment(runtime, true);
    Child first(QStringLiteral(LINK_TEST_CLIENT_EXE), {"/serverhandle=T1", "first"}, environment);
    const qsizetype ready = first.WaitFor("ready handle=");
    ASSERT_GE(ready, 0) << first.Everything().constData();
    const QByteArray firstHandle = first.lines[ready].mid(13, 8);

    Child second(QStringLiteral(LINK_TEST_CLIENT_EXE), {"/serverhandle=T1", "page=3", "a b"}, environment);
    ASSERT_TRUE(second.WaitForExit()) << second.Everything().constData();
    EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_GE(second.Find("second"), 0);
    EXPECT_EQ(second.Find("ready"), -1) << "no window shown";

    const qsizetype params = first.WaitFor("params count=3", {"entry=page%3D3", "entry=a%20b"});
    EXPECT_GE(params, 0) << first.Everything().constData();
    EXPECT_TRUE(first.lines.value(params).contains("link_test_client")) << "entry 0 is the second's program";
    EXPECT_GE(server->WaitFor("recv find-title", {"title=link_test_client", "found=" + firstHandle}), 0)
        << server->Everything().constData();
    EXPECT_EQ(server->Count("recv register"), 2);
    EXPECT_GE(server->WaitFor("recv unregister"), 0) << "the second unregistered on its way out";

    // The first ends on a quit by title, and unregisters.
    ASSERT_GE(server->Command("quit title:link_test_client 0", "sent quit"), 0);
    ASSERT_TRUE(first.WaitForExit()) << first.Everything().constData();
    EXPECT_EQ(first.process.exitCode(), 0);
    EXPECT_GE(first.Find("quit down=0"), 0);
    EXPECT_GE(first.Find("end"), 0);
    EXPECT_EQ(server->Count("recv unregister"), 2);
}

TEST(Instances, TwentyStartedAtOnceLeaveExactlyOneRunning)
{
    PrivateRuntime runtime;
    const QProcessEnvironment environment = ClientEnvironment(runtime, false);
    std::vector<std::unique_ptr<Child>> instances;
    for (int i = 0; i < 20; ++i) {
        instances.push_back(std::make_unique<Child>(QStringLiteral(LINK_TEST_CLIENT_EXE),
                                                    QStringList{QString::number(i)}, environment));
        ASSERT_TRUE(instances.back()->started);
    }
    const auto ended = [&] {
        int count = 0;
        for (const auto& instance : instances)
            count += instance->process.state() == QProcess::NotRunning ? 1 : 0;
        return count;
    };
    // 5 s at scale 1 (test_timing.h).
    EXPECT_TRUE(PollUntil([&] { return ended() == 19; }, Scaled(5000))) << ended() << " ended in time";
    int running = 0;
    for (const auto& instance : instances) {
        instance->Collect();
        if (instance->process.state() != QProcess::NotRunning) {
            ++running;
            EXPECT_GE(instance->WaitFor("ready handle="), 0) << instance->Everything().constData();
            continue;
        }
        EXPECT_EQ(instance->process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(instance->process.exitCode(), 0) << instance->Everything().constData();
        EXPECT_GE(instance->Find("second"), 0) << instance->Everything().constData();
    }
    EXPECT_EQ(running, 1);
}

// A send the server could not deliver, or that nobody answered, is an error, not "result=0".
TEST_F(CrossProcess, SendsToWindowsThatAreNotThereAreReportedAsErrors)
{
    ASSERT_GE(server->Command("quit 12345678 0", "error"), 0);
    EXPECT_GE(server->Find("error quit to=12345678 not delivered"), 0) << server->Everything().constData();
    EXPECT_EQ(server->Find("sent"), -1);

    const QProcessEnvironment environment = ClientEnvironment(runtime, true);
    Child client(QStringLiteral(LINK_TEST_CLIENT_EXE), {"/serverhandle=T1"}, environment);
    const qsizetype ready = client.WaitFor("ready handle=");
    ASSERT_GE(ready, 0) << client.Everything().constData();
    const QByteArray handle = client.lines[ready].mid(13, 8);
    ASSERT_GE(server->Command("params " + handle + " a", "sent params"), 0);
    client.process.kill();
    ASSERT_TRUE(client.WaitForExit());
    ASSERT_GE(server->Command("params " + handle + " b", "error"), 0);
    EXPECT_GE(server->Find("error params to=" + handle + " not delivered"), 0) << server->Everything().constData();
}

// The first instance killed without unregistering: a later second start is told of the live
// one, which comes to the front, and the dead one is forgotten.
TEST_F(CrossProcess, AKilledFirstInstanceIsForgottenAndTheNextOneFound)
{
    const QProcessEnvironment environment = ClientEnvironment(runtime, true);
    Child killed(QStringLiteral(LINK_TEST_CLIENT_EXE), {"/serverhandle=T1"}, environment);
    const qsizetype killedReady = killed.WaitFor("ready handle=");
    ASSERT_GE(killedReady, 0) << killed.Everything().constData();
    const QByteArray dead = killed.lines[killedReady].mid(13, 8);
    killed.process.kill();
    ASSERT_TRUE(killed.WaitForExit());

    Child first(QStringLiteral(LINK_TEST_CLIENT_EXE), {"/serverhandle=T1"}, environment);
    const qsizetype ready = first.WaitFor("ready handle=");
    ASSERT_GE(ready, 0) << first.Everything().constData();
    const QByteArray live = first.lines[ready].mid(13, 8);
    Child second(QStringLiteral(LINK_TEST_CLIENT_EXE), {"/serverhandle=T1", "again"}, environment);
    ASSERT_TRUE(second.WaitForExit()) << second.Everything().constData();
    EXPECT_GE(second.Find("second"), 0) << second.Everything().constData();
    EXPECT_GE(server->WaitFor("recv find-title", {"title=link_test_client", "found=" + live}), 0)
        << server->Everything().constData();
    EXPECT_GE(server->Find("dropped", {"handle=" + dead}), 0);
    EXPECT_GE(first.WaitFor("params count=2", {"entry=again"}), 0) << first.Everything().constData();
}

// Every extra copy of twenty started at once reaches the one that holds the lock, round after
// round, although all of them register before they know which one that is.
TEST(Instances, EveryExtraCopyOfTwentyStartedAtOnceReachesTheFirst)
{
    PrivateRuntime runtime;
    Child server(QStringLiteral(TUTORIX_SERVER_EXE), {"--handle", "T1"}, runtime.environment);
    ASSERT_GE(server.WaitFor("ready handle="), 0) << server.Everything().constData();
    QProcessEnvironment environment = ClientEnvironment(runtime, true);
    // Each copy takes its own time between registering and looking for the lock, as real
    // programs do while they translate their windows; the order is a new one in every round.
    environment.insert(QStringLiteral("TUTORIX_TEST_TRANSLATE_MS"), QStringLiteral("200"));
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<Child>> copies;
        for (int i = 0; i < 20; ++i) {
            copies.push_back(std::make_unique<Child>(QStringLiteral(LINK_TEST_CLIENT_EXE),
                                                     QStringList{"/serverhandle=T1", QString::number(i)}, environment));
            ASSERT_TRUE(copies.back()->started);
        }
        const auto ended = [&] {
            int count = 0;
            for (const auto& copy : copies)
                count += copy->process.state() == QProcess::NotRunning ? 1 : 0;
            return count;
        };
        // 10 s at scale 1 (test_timing.h): twenty processes that each talk to the server.
        ASSERT_TRUE(PollUntil([&] { return ended() == 19; }, Scaled(10000))) << ended() << " ended";
        Child* first = nullptr;
        for (const auto& copy : copies) {
            if (copy->process.state() != QProcess::NotRunning)
                first = copy.get();
            else
                EXPECT_EQ(copy->process.exitCode(), 0) << copy->Everything().constData();
        }
        ASSERT_NE(first, nullptr);
        PollUntil([&] { return first->Count("params") == 19; }, Scaled(2000));
        EXPECT_EQ(first->Count("params"), 19) << first->Everything().constData();
        first->process.closeWriteChannel();
        ASSERT_TRUE(first->WaitForExit());
    }
}

} // namespace

#include "test_server.moc"
