// The link against scripted message windows, lock and settings: no sockets, no other process.
#include "link/MarvolaDemon.h"
#include "tests/link/fake_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaProperty>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr quint32 kServer = 0x5E5E5E5E;
const QByteArray kProgram = "/opt/sim/Prog.bin";

class Owner : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER caption)
public:
    QString caption = QStringLiteral("BF_Exit");
};

QByteArray Entity(quint32 handle, const QByteArray& file, const QByteArray& title)
{
    TByteStream s;
    WriteEntityRecord(s, {handle, 0, file, title});
    return s.Data();
}

class Demon : public ::testing::Test
{
protected:
    TDemonSetup Setup(QList<QByteArray> arguments = {})
    {
        TDemonSetup setup;
        setup.ProgramFile = kProgram;
        setup.CommandLine = arguments.isEmpty() ? QList<QByteArray>{kProgram} : arguments;
        setup.Windows = &windows;
        setup.Lock = &lock;
        setup.Settings = &settings;
        setup.Clock = [this] { return now; };
        return setup;
    }

    TkdbDemonClient* Make(QList<QByteArray> arguments = {})
    {
        link = new TkdbDemonClient(&owner, Setup(std::move(arguments)));
        return link;
    }

    // The server answers every request with this content, as its reply.
    void Answer(std::function<QByteArray(const FakeWindows::Sent&)> content)
    {
        windows.script = [this, content](const FakeWindows::Sent& sent) {
            if (sent.target != kServer)
                return 0;
            windows.Deliver(sent.wParam, kServer, msgReply, sent.stamp, content(sent));
            return 0;
        };
    }

    // A server that knows the first instance by this window, maps the program into /srv and
    // has no language file.
    void AnswerKnowingTheFirst(quint32 first)
    {
        Answer([first](const FakeWindows::Sent& sent) {
            TByteStream out;
            if (sent.code == msgFindEntity)
                WriteEntityRecord(out, {first, 0, kProgram, "Prog"});
            else if (sent.code == msgMapFileName)
                out.WriteString("/srv/Prog");
            else
                out.WriteByte(0);
            return out.Data();
        });
    }

    std::vector<FakeWindows::Sent> SentWith(quint32 code) const
    {
        std::vector<FakeWindows::Sent> found;
        for (const auto& sent : windows.log) {
            if (sent.code == code)
                found.push_back(sent);
        }
        return found;
    }

    void FindServer() { windows.findable[{ServerWindowClass, ServerWindowName}] = kServer; }

    FakeWindows windows;
    FakeLock lock;
    FakeSettings settings;
    Owner owner;
    QDateTime now{QDate(2024, 5, 6), QTime(10, 0, 0, 250)};
    QPointer<TkdbDemonClient> link;
};

// The window names written out as the server and other programs know them, not taken from the
// link's constants, so that a change there shows here.
TEST_F(Demon, CreationLooksUpTheServerUnderTheHandleTextAndMakesItsWindow)
{
    windows.findable[{"ThisIsTheTutorixServerComponentWindowClassab", "ThisIsTheTutorixServerComponentWindowab"}] = kServer;
    Make({kProgram, "/serverhandle=AB", "x"});
    EXPECT_EQ(link->ServerEntity().Handle, kServer);
    EXPECT_EQ(link->OwnEntity().Handle, 0x1000u);
    EXPECT_EQ(link->OwnEntity().Title(), QByteArray("Prog"));
    EXPECT_EQ(link->OwnEntity().FileName(), kProgram);
    EXPECT_EQ(link->OwnEntity().MutexName(), QByteArray("QX_Prog.bin"));
    EXPECT_EQ(link->Params(), (QList<QByteArray>{kProgram, "x"}));
    EXPECT_TRUE(windows.classes.count("ThisIsTheTutorixClientComponentWindowClass"));
    EXPECT_TRUE(windows.log.empty()) << "nothing is sent before Loaded";
}

TEST_F(Demon, PublishesItsFourPropertiesInOrderWithTheirDefaults)
{
    Make();
    const QMetaObject* meta = link->metaObject();
    QStringList names;
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
        names << QString::fromLatin1(meta->property(i).name());
    EXPECT_EQ(names, (QStringList{"AutoTranslate", "AutoCreateItlFile", "MultiStart", "UseMarvolaServer"}));
    EXPECT_EQ(link->property("AutoTranslate"), true);
    EXPECT_EQ(link->property("AutoCreateItlFile"), false);
    EXPECT_EQ(link->property("MultiStart"), false);
    EXPECT_EQ(link->property("UseMarvolaServer"), true);

    link->setProperty("AutoCreateItlFile", true);
    EXPECT_TRUE(link->Translator()->AutoCreateItlFile()) << "the property is the translator's flag";
    link->Translator()->SetAutoCreateItlFile(false);
    EXPECT_EQ(link->property("AutoCreateItlFile"), false);
}

TEST_F(Demon, CreationFailuresRaiseTheLinksError)
{
    windows.failRegister = true;
    try {
        Make();
        FAIL() << "no error";
    } catch (const ETutorix& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("class refused"));
    }
    windows.failRegister = false;
    windows.failCreate = true;
    try {
        Make();
        FAIL() << "no error";
    } catch (const ETutorix& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Could not create window handle"));
    }
    EXPECT_TRUE(windows.classes.empty()) << "the class is unregistered again";
    windows.failCreate = false;
    settings.value = {TSettingsValue::Kind::OtherType, {}};
    try {
        Make();
        FAIL() << "no error";
    } catch (const ETutorix& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid data type for 'ViewerHandle'"));
    }
}

TEST_F(Demon, ParamStrGivesTheProgramFileAtZeroAndRefusesOtherIndexes)
{
    Make({"./Prog.bin", "a", "/SERVERHANDLE=ab", "c"});
    EXPECT_EQ(link->ParamCount(), 3);
    EXPECT_EQ(link->ParamStr(0), kProgram) << "not the path as the command line gave it";
    EXPECT_EQ(link->ParamStr(2), QByteArray("/SERVERHANDLE=ab"));
    for (const int index : {4, -1, 1000}) {
        try {
            link->ParamStr(index);
            ADD_FAILURE() << index;
        } catch (const ETutorix& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Illegal \"ParamStr\" parameter: %1").arg(index));
        }
    }
    windows.Deliver(link->OwnEntity().Handle, 0, msgParams, {}, "/other/Prog\r\nz\r\n");
    EXPECT_EQ(link->ParamCount(), 1);
    EXPECT_EQ(link->ParamStr(0), kProgram) << "even after another instance replaced entry 0";
    EXPECT_EQ(link->ParamStr(1), QByteArray("z"));

    // A peer's empty parameter text leaves no entries at all; index 0 still answers.
    windows.Deliver(link->OwnEntity().Handle, 0, msgParams, {}, {});
    EXPECT_EQ(link->ParamCount(), -1);
    EXPECT_EQ(link->ParamStr(0), kProgram);
    EXPECT_THROW(link->ParamStr(1), ETutorix);
    link->SetUseMarvolaServer(false);
    EXPECT_EQ(link->GetVariable("MarvolaWorkArea"), QByteArray("/opt/sim/"));
}

TEST_F(Demon, GetVariableWithoutServerAnswersLocally)
{
    Make();
    link->SetUseMarvolaServer(false);
    EXPECT_EQ(link->GetVariable("MarvolaWorkArea"), QByteArray("/opt/sim/"));
    EXPECT_EQ(link->GetVariable("MarvolaHomeDir"), QByteArray("/opt/sim/"));
    EXPECT_EQ(link->GetVariable("marvolahomedir"), QByteArray());
    EXPECT_EQ(link->GetVariable("Anything"), QByteArray());
    EXPECT_TRUE(windows.log.empty());
}

TEST_F(Demon, IgnoresPayloadsWithoutTimeStampAndOtherWindowMessages)
{
    Make();
    int events = 0;
    link->SetOnGotAMessage([&](TkdbCustomDemon&, TTutorixMessageStream&) { ++events; });
    link->SetOnParamsChange([&](QObject*) { ++events; });
    const quint32 own = link->OwnEntity().Handle;
    for (int size = 0; size < 8; ++size) {
        EXPECT_EQ(windows.DeliverRaw(own, 9, WM_COPYDATA, msgQuit, QByteArray(size, '\1')), 0);
        EXPECT_EQ(windows.DeliverRaw(own, 9, WM_COPYDATA, msgParams, QByteArray(size, 'a')), 0);
    }
    EXPECT_EQ(windows.DeliverRaw(own, 9, 0x0010, msgQuit, QByteArray(9, '\1')), 0);
    EXPECT_FALSE(link.isNull());
    EXPECT_EQ(events, 0);
    EXPECT_TRUE(link->PendingReplies().empty());
    EXPECT_EQ(link->Params(), QList<QByteArray>{kProgram});
}

TEST_F(Demon, DispatchesByCode)
{
    Make();
    const quint32 own = link->OwnEntity().Handle;
    QByteArray got;
    quint32 gotFrom = 0;
    link->SetOnGotAMessage([&](TkdbCustomDemon& sender, TTutorixMessageStream& msg) {
        EXPECT_EQ(&sender, link.data());
        got = QByteArray::number(msg.MsgCode) + ":" + msg.ReadString();
        gotFrom = msg.Sender->Handle;
    });
    int paramsChanges = 0;
    link->SetOnParamsChange([&](QObject* sender) {
        EXPECT_EQ(sender, link.data());
        ++paramsChanges;
    });

    TByteStream s;
    s.WriteString("hello");
    windows.Deliver(own, 0x77, 5000, {1, 2}, s.Data());
    EXPECT_EQ(got, QByteArray("5000:hello"));
    EXPECT_EQ(gotFrom, 0x77u);

    windows.Deliver(own, 0x77, msgParams, {1, 2}, "a\r\nb");
    EXPECT_EQ(link->Params(), (QList<QByteArray>{"a", "b"}));
    windows.Deliver(own, 0x77, msgParams, {1, 2}, {});
    EXPECT_TRUE(link->Params().isEmpty());
    EXPECT_EQ(paramsChanges, 2);

    windows.Deliver(own, kServer, msgReply, {11, 12}, "r1");
    windows.Deliver(own, kServer, msgReply, {11, 12}, "r2");
    ASSERT_EQ(link->PendingReplies().size(), 2u);
    EXPECT_EQ(link->FindReply({11, 12})->Data(), QByteArray("r1")) << "the first of equal stamps";
    EXPECT_EQ(link->FindReply({11, 12})->Sender->Handle, kServer);
    EXPECT_EQ(link->FindReply({12, 11}), nullptr);
}

TEST_F(Demon, AQuitWithServerDownZeroUnregistersAndDestroysTheLink)
{
    FindServer();
    Make();
    const quint32 own = link->OwnEntity().Handle;
    bool offered = false;
    link->SetOnQuitMsgReceived([&](TkdbCustomDemon&, bool serverDown, bool& allowQuit) {
        EXPECT_FALSE(serverDown);
        EXPECT_TRUE(allowQuit) << "preset";
        offered = true;
    });
    windows.Deliver(own, kServer, msgQuit, {}, QByteArray(1, '\0'));
    EXPECT_TRUE(offered);
    EXPECT_TRUE(link.isNull()) << "destroyed inside the quit's own delivery";
    const auto unregisters = SentWith(msgUnregister);
    ASSERT_EQ(unregisters.size(), 1u);
    EXPECT_EQ(unregisters[0].target, kServer);
    EXPECT_EQ(windows.destroyed, std::vector<quint32>{own});
    EXPECT_TRUE(windows.classes.empty());
}

TEST_F(Demon, AQuitWithAnyNonZeroByteDoesNotUnregister)
{
    FindServer();
    for (const char down : {'\1', '\2', '\xFF'}) {
        windows.log.clear();
        Make();
        windows.Deliver(link->OwnEntity().Handle, kServer, msgQuit, {}, QByteArray(1, down));
        EXPECT_TRUE(link.isNull()) << int(down);
        EXPECT_TRUE(SentWith(msgUnregister).empty()) << int(down);
    }
}

TEST_F(Demon, ARefusedQuitKeepsTheLinkButRemembersServerDown)
{
    FindServer();
    Make();
    link->SetOnQuitMsgReceived([](TkdbCustomDemon&, bool, bool& allowQuit) { allowQuit = false; });
    windows.Deliver(link->OwnEntity().Handle, kServer, msgQuit, {}, QByteArray(1, '\2'));
    ASSERT_FALSE(link.isNull());
    EXPECT_TRUE(link->ServerDown());
    delete link.data();
    EXPECT_TRUE(SentWith(msgUnregister).empty()) << "the final destruction follows the stored flag";
}

TEST_F(Demon, AQuitWithoutItsByteIsNotHandled)
{
    Make();
    windows.Deliver(link->OwnEntity().Handle, kServer, msgQuit, {}, {});
    EXPECT_FALSE(link.isNull());
    EXPECT_FALSE(link->ServerDown());
}

// The quit comes inside the query, before its reply: the query is of no use any more, its caller
// must stop, and the program ends once the event loop has control.
TEST_F(Demon, AQuitInsideASendEndsTheSendAndStopsItsCaller)
{
    FindServer();
    for (const char down : {'\0', '\1'}) {
        SCOPED_TRACE(int(down));
        windows.log.clear();
        windows.cancels = 0;
        Make();
        windows.script = [this, down](const FakeWindows::Sent& sent) {
            if (sent.code == msgGetVariable) {
                windows.Deliver(sent.wParam, kServer, msgQuit, {}, QByteArray(1, down));
                TByteStream reply;
                reply.WriteString("/work/");
                windows.Deliver(sent.wParam, kServer, msgReply, sent.stamp, reply.Data());
            }
            return 0;
        };
        EXPECT_THROW(link->GetVariable("MarvolaWorkArea"), EQuitAccepted);
        ASSERT_FALSE(link.isNull()) << "never inside a send";
        EXPECT_TRUE(link->QuitAccepted());
        EXPECT_EQ(windows.cancels, 1) << "the transport ends the sends under way";
        // Whatever comes after sends nothing: the program is ending.
        const size_t sent = windows.log.size();
        EXPECT_THROW(link->MapFileName("/opt/sim/Prog.bin"), EQuitAccepted);
        EXPECT_EQ(windows.log.size(), sent);
        EXPECT_TRUE(SentWith(msgUnregister).empty());
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(link.isNull());
        EXPECT_EQ(SentWith(msgUnregister).size(), down ? 0u : 1u) << "the destruction still unregisters";
    }
}

// A handler that runs inside a query and sends again: its own send meets the quit and returns
// unanswered, sends after it go nowhere, and only the outermost send raises.
TEST_F(Demon, AfterAQuitNestedSendsReturnUnansweredAndOnlyTheOutermostRaises)
{
    FindServer();
    Make();
    std::vector<std::string> seen;
    link->SetOnParamsChange([&](QObject*) {
        try {
            link->QueryString("inner");
            seen.push_back("inner answered");
        } catch (const EStreamReadError&) {
            seen.push_back("inner unanswered");
        }
        const size_t before = windows.log.size();
        try {
            link->QueryString("after");
        } catch (const EStreamReadError&) {
        }
        seen.push_back(windows.log.size() == before ? "after: nothing sent" : "after: sent");
    });
    windows.script = [this](const FakeWindows::Sent& sent) {
        TByteStream in;
        in.SetData(sent.content);
        if (sent.code == msgGetVariable)
            windows.Deliver(sent.wParam, kServer, msgParams, {}, "x\r\n");
        else if (sent.code == msgQueryString && in.ReadString() == "inner")
            windows.Deliver(sent.wParam, kServer, msgQuit, {}, QByteArray(1, '\1'));
        return 0;
    };
    EXPECT_THROW(link->GetVariable("Greeting"), EQuitAccepted);
    EXPECT_EQ(seen, (std::vector<std::string>{"inner unanswered", "after: nothing sent"}));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(link.isNull());
}

// The server tells a link to quit while the link unregisters on its way out: it is going anyway.
TEST_F(Demon, AQuitWhileTheLinkGoesChangesNothing)
{
    FindServer();
    Make();
    windows.script = [this](const FakeWindows::Sent& sent) {
        if (sent.code == msgUnregister)
            windows.Deliver(sent.wParam, kServer, msgQuit, {}, QByteArray(1, '\0'));
        return 0;
    };
    delete link.data();
    EXPECT_EQ(SentWith(msgUnregister).size(), 1u);
    QCoreApplication::sendPostedEvents();
}

TEST_F(Demon, SendPicksUpOnlyTheReplyWithItsOwnStamp)
{
    FindServer();
    Make();
    windows.script = [this](const FakeWindows::Sent& sent) {
        windows.Deliver(sent.wParam, kServer, msgReply, {sent.stamp.Time + 1, sent.stamp.Date}, "other");
        windows.Deliver(sent.wParam, kServer, msgReply, sent.stamp, "mine");
        return 0;
    };
    TTutorixMessageStream request(link);
    request.MsgCode = msgQueryString;
    TTutorixMessageStream reply(link);
    request.SendTo(link->ServerEntity(), &reply);
    EXPECT_EQ(request.TimeStamp, TimeStampOf(now));
    EXPECT_EQ(reply.Data(), QByteArray("mine"));
    EXPECT_EQ(reply.TimeStamp, request.TimeStamp);
    EXPECT_EQ(reply.MsgCode, msgReply);
    ASSERT_EQ(link->PendingReplies().size(), 1u);
    EXPECT_EQ(link->PendingReplies()[0]->Data(), QByteArray("other"));

    const FakeWindows::Sent& sent = windows.log.back();
    EXPECT_EQ(sent.target, kServer);
    EXPECT_EQ(sent.wParam, link->OwnEntity().Handle);
    EXPECT_EQ(sent.code, msgQueryString);
}

// The budget counts each reply's content and 256 bytes beside it: replies that fill it exactly
// all stay; one byte more and the oldest goes.
TEST_F(Demon, PendingRepliesFillTheirBudgetExactlyAndNoFurther)
{
    constexpr qint64 overhead = 256;
    const qint64 quarter = TkdbCustomDemon::MaxPendingReplyBytes / 4 - overhead;
    for (const qint64 extra : {0, 1}) {
        SCOPED_TRACE(extra);
        Make();
        const quint32 own = link->OwnEntity().Handle;
        for (int i = 0; i < 4; ++i)
            windows.Deliver(own, kServer, msgReply, {i, 1}, QByteArray(quarter + (i == 3 ? extra : 0), 'r'));
        ASSERT_EQ(link->PendingReplies().size(), extra ? 3u : 4u);
        EXPECT_EQ(link->PendingReplies().front()->TimeStamp.Time, extra ? 1 : 0);
        delete link.data();
    }
}

TEST_F(Demon, PendingRepliesNobodyPicksUpAreBoundedOldestFirst)
{
    Make();
    const quint32 own = link->OwnEntity().Handle;
    const QByteArray big(20 * 1024 * 1024, 'r');
    for (int i = 0; i < 5; ++i)
        windows.Deliver(own, kServer, msgReply, {i, 1}, big);
    ASSERT_EQ(link->PendingReplies().size(), 3u);
    EXPECT_EQ(link->PendingReplies().front()->TimeStamp.Time, 2);
    EXPECT_EQ(link->PendingReplies().back()->TimeStamp.Time, 4);
}

// A parameter list of 4096 entries and 1 MiB is taken; anything beyond is refused and the
// previous list stays, with no event.
TEST_F(Demon, ParameterMessagesBeyondTheListsLimitsAreRefused)
{
    Make({kProgram, "first"});
    int changes = 0;
    link->SetOnParamsChange([&](QObject*) { ++changes; });
    const quint32 own = link->OwnEntity().Handle;
    const struct
    {
        const char* what;
        QByteArray text;
        bool taken;
    } cases[] = {
        {"4096 entries", QByteArray(MaxParamEntries, '\n'), true},
        {"4097 entries", QByteArray(MaxParamEntries + 1, '\n'), false},
        {"1 MiB", QByteArray(MaxParamBytes, 'a') + "\r\n", true},
        {"1 MiB and a byte", QByteArray(MaxParamBytes + 1, 'a') + "\r\n", false},
        {"64 MiB of line feeds", QByteArray(MaxFramePayload - TimeStampSize, '\n'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        windows.Deliver(own, 0x77, msgParams, {}, "before\r\n");
        const int before = changes;
        windows.Deliver(own, 0x77, msgParams, {}, c.text);
        EXPECT_EQ(changes, before + (c.taken ? 1 : 0));
        if (c.taken) {
            EXPECT_NE(link->Params(), QList<QByteArray>{"before"});
        } else {
            EXPECT_EQ(link->Params(), QList<QByteArray>{"before"}) << "the previous list stays";
        }
    }
}

TEST_F(Demon, QueriesReadTheirReplies)
{
    FindServer();
    Make();
    Answer([](const FakeWindows::Sent& sent) {
        TByteStream in;
        in.SetData(sent.content);
        TByteStream out;
        switch (sent.code) {
        case msgGetFile: {
            const QByteArray name = in.ReadString();
            if (name == "none")
                out.WriteByte(0);
            else if (name == "empty")
                out.WriteByte(1);
            else {
                out.WriteByte(7);
                out.Write("content of " + name);
            }
            break;
        }
        case msgMapFileName:
            out.WriteString("/srv/" + in.ReadString());
            break;
        case msgQueryString:
            out.WriteString(in.ReadString().toUpper());
            break;
        case msgGetVariable:
            out.WriteString("value of " + in.ReadString());
            break;
        case msgFindEntity:
            if (in.ReadByte() == feByTitle && in.ReadString() == "Known")
                return Entity(0xABC, "/k/Known", "Known");
            break;
        }
        return out.Data();
    });
    const std::unique_ptr<QBuffer> file = link->GetFileStream("a.itl");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->isOpen());
    EXPECT_EQ(file->pos(), 0);
    EXPECT_EQ(file->readAll(), QByteArray("content of a.itl"));
    const std::unique_ptr<QBuffer> empty = link->GetFileStream("empty");
    ASSERT_TRUE(empty) << "a found byte alone gives an empty stream";
    EXPECT_EQ(empty->size(), 0);
    EXPECT_FALSE(link->GetFileStream("none"));
    EXPECT_EQ(link->MapFileName("x"), QByteArray("/srv/x"));
    EXPECT_EQ(link->QueryString("q"), QByteArray("Q"));
    EXPECT_EQ(link->GetVariable("MarvolaWorkArea"), QByteArray("value of MarvolaWorkArea"));
    const std::unique_ptr<TEntity> known = link->FindEntityByTitle("Known");
    ASSERT_TRUE(known);
    EXPECT_EQ(known->Handle, 0xABCu);
    EXPECT_EQ(known->Title(), QByteArray("Known"));
    EXPECT_FALSE(link->FindEntityByTitle("Unknown"));

    const auto finds = SentWith(msgFindEntity);
    ASSERT_FALSE(finds.empty());
    EXPECT_EQ(finds[0].content, QByteArray("\2\5\0\0\0Known", 10));
}

TEST_F(Demon, QueriesWithoutAReplyRaiseTheReadErrorExceptTheEntityLookups)
{
    Make(); // no server: every send goes to handle 0 and nothing comes back
    EXPECT_THROW(link->GetFileStream("a"), EStreamReadError);
    EXPECT_THROW(link->MapFileName("a"), EStreamReadError);
    EXPECT_THROW(link->QueryString("a"), EStreamReadError);
    EXPECT_THROW(link->GetVariable("a"), EStreamReadError);
    EXPECT_THROW(link->ExecuteProgram("a", "", false, 0), EStreamReadError);
    EXPECT_FALSE(link->FindEntityByTitle("a"));
    EXPECT_FALSE(link->FindEntityByHandle(5));
}

// A server that took a request and never answered it counts as gone for the rest of the run:
// the start-up stops at the next query with the link's own error, and nothing more goes to the
// server, not even the unregistration. A server that answers without a reply is still there.
TEST_F(Demon, AnUnansweredRequestLeavesTheServerGoneAndLaterRequestsReturnAtOnce)
{
    FindServer();
    Make();
    windows.script = [this](const FakeWindows::Sent& sent) {
        if (sent.target == kServer)
            windows.outcome = TMessageWindows::SendOutcome::Unanswered;
        return 0;
    };
    EXPECT_FALSE(link->ServerGone());
    try {
        link->Loaded();
        FAIL() << "no error";
    } catch (const ETutorix& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Tutorix server application is not running"));
    }
    EXPECT_TRUE(link->ServerGone());
    EXPECT_THROW(link->GetVariable("MarvolaWorkArea"), ETutorix);
    EXPECT_THROW(link->GetFileStream("a"), ETutorix);
    EXPECT_FALSE(link->FindEntityByTitle("Prog")) << "a lookup finds nobody, without an error";
    delete link.data();
    QList<quint32> codes;
    for (const auto& sent : windows.log)
        codes << sent.code;
    EXPECT_EQ(codes, QList<quint32>{msgRegister});

    // Answered without a reply: the read error, and the next request goes out.
    windows.log.clear();
    Make();
    windows.script = {};
    EXPECT_THROW(link->MapFileName("a"), EStreamReadError);
    EXPECT_FALSE(link->ServerGone());
    EXPECT_THROW(link->MapFileName("b"), EStreamReadError);
    EXPECT_EQ(SentWith(msgMapFileName).size(), 2u);
}

TEST_F(Demon, ExecuteProgramReportsAFailureAndWaitsForTheProcess)
{
    FindServer();
    Make();
    qint32 pid = 0;
    Answer([&](const FakeWindows::Sent&) {
        TByteStream out;
        out.WriteInt32(pid);
        return out.Data();
    });
    try {
        link->ExecuteProgram("/no/such", "-x", false, 3);
        FAIL() << "no error";
    } catch (const ETutorix& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Could not execute \"/no/such.\""));
    }
    const auto executes = SentWith(msgExecute);
    ASSERT_EQ(executes.size(), 1u);
    EXPECT_EQ(executes[0].content, QByteArray("\x08\0\0\0/no/such\x02\0\0\0-x\0\x03\0\0\0", 23));

    // This process is the child's parent, so the system gives it the exit status.
    pid = ::fork();
    if (pid == 0)
        ::_exit(5);
    EXPECT_EQ(link->ExecuteProgram("child", "", false, 0), pid);
    EXPECT_EQ(link->ExecuteProgram("child", "", true, 0), 5);

    pid = 0x7FFFFFF0; // no such process
    EXPECT_THROW(link->ExecuteProgram("gone", "", true, 0), ETutorix);
    // The script reads pid: the link unregisters on its way out while pid still exists.
    delete link.data();
}

TEST_F(Demon, LoadedRegistersLoadsTheLanguageAndTranslatesTheOwner)
{
    FindServer();
    Make();
    const QByteArray language = "[Exit]=Ende|$$";
    Answer([&](const FakeWindows::Sent& sent) {
        TByteStream in;
        in.SetData(sent.content);
        TByteStream out;
        if (sent.code == msgMapFileName) {
            EXPECT_EQ(in.ReadString(), kProgram);
            out.WriteString("/srv/books/Prog.exe");
        } else if (sent.code == msgGetFile) {
            EXPECT_EQ(in.ReadString(), QByteArray("/srv/books/Prog.itl"));
            out.WriteByte(1);
            out.Write(language);
        }
        return out.Data();
    });
    link->Loaded();
    EXPECT_EQ(owner.caption, QStringLiteral("Ende"));
    EXPECT_EQ(link->LanguageFile(), QByteArray("/srv/books/Prog.itl"));
    QList<quint32> codes;
    for (const auto& sent : windows.log)
        codes << sent.code;
    EXPECT_EQ(codes, (QList<quint32>{msgRegister, msgMapFileName, msgGetFile}));
    EXPECT_EQ(windows.log[0].content, Entity(link->OwnEntity().Handle, kProgram, "Prog"))
        << "registered before the lock is taken";
    EXPECT_EQ(lock.names, QList<QByteArray>{"QX_Prog.bin"});
    EXPECT_EQ(link->OwnEntity().MutexHandle, 7u);
    EXPECT_FALSE(link->EndRequested());
    delete link.data();
    EXPECT_EQ(lock.released, QList<quint32>{7});
}

TEST_F(Demon, LoadedRefusesToStartWithoutTheServerItShouldUse)
{
    Make();
    try {
        link->Loaded();
        FAIL() << "no error";
    } catch (const ETutorix& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Tutorix server application is not running"));
    }
    EXPECT_TRUE(windows.log.empty());
    EXPECT_EQ(owner.caption, QStringLiteral("BF_Exit")) << "no language, no translation";
    EXPECT_TRUE(lock.names.isEmpty());
}

TEST_F(Demon, WithoutServerTheLanguageFileIsTheStemBesideTheProgram)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("sim.itl")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[exit]=Beenden|$$");
    file.close();
    TDemonSetup setup = Setup();
    setup.ProgramFile = QFile::encodeName(dir.filePath(QStringLiteral("sim.x86_64")));
    link = new TkdbDemonClient(&owner, setup);
    link->SetUseMarvolaServer(false);
    link->Loaded();
    EXPECT_EQ(owner.caption, QStringLiteral("Beenden"));

    // No file: the owner is still translated, keys standing for themselves.
    delete link.data();
    owner.caption = QStringLiteral("BF_Exit");
    setup.ProgramFile = QFile::encodeName(dir.filePath(QStringLiteral("other")));
    link = new TkdbDemonClient(&owner, setup);
    link->SetUseMarvolaServer(false);
    link->Loaded();
    EXPECT_EQ(owner.caption, QStringLiteral("Exit"));
}

// The files a build folder or an install holds, and the one a program of each finds without a
// server, for the desktop's language "de".
TEST_F(Demon, WithoutServerTheLanguageFileIsLookedUpInOrder)
{
    const struct
    {
        const char* layout;
        QStringList files;
        QString found; // relative to the tree; empty: none
    } cases[] = {
        {"plain beside", {"bin/sim.itl", "bin/sim.de.itl", "share/sim/sim.itl"}, "bin/sim.itl"},
        {"locale beside", {"bin/sim.en.itl", "bin/sim.de.itl", "share/sim/sim.itl"}, "bin/sim.de.itl"},
        {"installed", {"share/sim/sim.en.itl", "share/sim/sim.de.itl"}, "bin/../share/sim/sim.de.itl"},
        {"installed plain", {"share/sim/sim.itl", "share/sim/sim.de.itl"}, "bin/../share/sim/sim.itl"},
        {"other language only", {"bin/sim.fr.itl", "share/sim/sim.fr.itl"}, ""},
        {"English for a language without a file", {"bin/sim.en.itl", "bin/sim.fr.itl", "share/sim/sim.en.itl"}, "bin/sim.en.itl"},
        {"installed English", {"share/sim/sim.en.itl", "share/sim/sim.fr.itl"}, "bin/../share/sim/sim.en.itl"},
        {"folder in the way", {"bin/sim.itl/", "bin/sim.de.itl"}, "bin/sim.de.itl"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        QTemporaryDir tree;
        ASSERT_TRUE(tree.isValid());
        QDir(tree.path()).mkpath(QStringLiteral("bin"));
        for (const QString& name : c.files) {
            const QString path = tree.filePath(name);
            if (name.endsWith(u'/')) {
                ASSERT_TRUE(QDir().mkpath(path));
                continue;
            }
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("[Exit]=" + QFile::encodeName(name) + "|$$");
        }
        TDemonSetup setup = Setup();
        setup.ProgramFile = QFile::encodeName(tree.filePath(QStringLiteral("bin/sim")));
        setup.Language = "de";
        owner.caption = QStringLiteral("BF_Exit");
        link = new TkdbDemonClient(&owner, setup);
        link->SetUseMarvolaServer(false);
        link->Loaded();
        if (c.found.isEmpty()) {
            EXPECT_EQ(owner.caption, QStringLiteral("Exit"));
            EXPECT_EQ(link->LanguageFile(), QByteArray());
        } else {
            EXPECT_EQ(owner.caption, QDir::cleanPath(c.found)) << "the text of the file found";
            EXPECT_EQ(link->LanguageFile(), QFile::encodeName(tree.filePath(c.found)));
        }
        delete link.data();
    }
}

TEST_F(Demon, ASecondInstanceForwardsItsParametersToTheFirstAndAsksToEnd)
{
    FindServer();
    Make({kProgram, "page=12"});
    lock.next = {TInstanceLock::Outcome::HeldByOther, 0};
    AnswerKnowingTheFirst(0xF1F1);
    link->Loaded();
    EXPECT_TRUE(link->EndRequested());
    EXPECT_EQ(link->OwnEntity().MutexHandle, 0u);
    const auto forwarded = SentWith(msgParams);
    ASSERT_EQ(forwarded.size(), 1u);
    EXPECT_EQ(forwarded[0].target, 0xF1F1u);
    EXPECT_EQ(forwarded[0].content, kProgram + "\r\npage=12\r\n");
    const auto finds = SentWith(msgFindEntity);
    ASSERT_EQ(finds.size(), 1u);
    EXPECT_EQ(finds[0].content, QByteArray("\2\4\0\0\0Prog", 9));
}

// Copies started together all register before they look for the first: the server may name a
// copy that is about to end. The parameters go to the window that the lock names, while that
// window lives; else to the server's answer. The messages and their order stay the same.
TEST_F(Demon, ASecondInstanceHandsItsParametersToTheWindowTheLockNames)
{
    FindServer();
    const quint32 loser = 0xF1F1;
    const quint32 holder = 0xA0A0;
    const struct
    {
        const char* what;
        quint32 named;
        bool alive;
        quint32 target;
    } cases[] = {
        {"the lock names a live window", holder, true, holder},
        {"the named window has gone", holder, false, loser},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        windows.log.clear();
        windows.alive = c.alive ? std::set<quint32>{holder, loser} : std::set<quint32>{loser};
        Make({kProgram, "page=12"});
        lock.next = {TInstanceLock::Outcome::HeldByOther, 0};
        lock.holder = c.named;
        AnswerKnowingTheFirst(loser);
        link->Loaded();
        EXPECT_TRUE(link->EndRequested());
        QList<quint32> codes;
        for (const auto& sent : windows.log)
            codes << sent.code;
        EXPECT_EQ(codes, (QList<quint32>{msgRegister, msgMapFileName, msgGetFile, msgFindEntity, msgParams}));
        const auto forwarded = SentWith(msgParams);
        ASSERT_EQ(forwarded.size(), 1u);
        EXPECT_EQ(forwarded[0].target, c.target);
        EXPECT_EQ(forwarded[0].content, kProgram + "\r\npage=12\r\n");
        EXPECT_EQ(lock.holderAsked.value(0), QByteArray("QX_Prog.bin"));
        delete link.data();
    }
}

// A second instance ends in every case; what became of its parameters, and why, it can tell.
TEST_F(Demon, ASecondInstanceTellsWhatBecameOfItsParameters)
{
    const quint32 first = 0xF1F1;
    const struct
    {
        const char* what;
        bool server;
        bool serverAnswers;
        bool serverKnowsFirst;
        bool firstAlive;
        TkdbCustomDemon::THandOver handOver;
        size_t forwarded;
    } cases[] = {
        {"taken by the first", true, true, true, true, TkdbCustomDemon::THandOver::Handed, 1},
        {"the first has gone", true, true, true, false, TkdbCustomDemon::THandOver::NotTaken, 1},
        {"the server knows no first", true, true, false, true, TkdbCustomDemon::THandOver::NotFound, 0},
        {"the server does not answer", true, false, true, true, TkdbCustomDemon::THandOver::NoServer, 0},
        {"no server", false, true, true, true, TkdbCustomDemon::THandOver::NoServer, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        windows.findable.clear();
        windows.log.clear();
        windows.alive = c.firstAlive ? std::set<quint32>{first} : std::set<quint32>{};
        if (c.server)
            FindServer();
        Make({kProgram, "page=12"});
        link->SetUseMarvolaServer(false);
        EXPECT_EQ(link->HandOver(), TkdbCustomDemon::THandOver::None);
        lock.next = {TInstanceLock::Outcome::HeldByOther, 0};
        lock.holder = first;
        windows.script = [&](const FakeWindows::Sent& sent) {
            if (sent.target != kServer)
                return 0;
            if (!c.serverAnswers) {
                windows.outcome = TMessageWindows::SendOutcome::Unanswered;
                return 0;
            }
            TByteStream out;
            if (c.serverKnowsFirst)
                WriteEntityRecord(out, {first, 0, kProgram, "Prog"});
            windows.Deliver(sent.wParam, kServer, msgReply, sent.stamp, out.Data());
            return 0;
        };
        link->Loaded();
        EXPECT_TRUE(link->EndRequested());
        EXPECT_EQ(link->HandOver(), c.handOver);
        EXPECT_EQ(SentWith(msgParams).size(), c.forwarded);
        delete link.data();
    }
}

TEST_F(Demon, TheFirstInstanceNamesItsWindowInTheLock)
{
    Make();
    link->SetUseMarvolaServer(false);
    link->Loaded();
    EXPECT_EQ(link->OwnEntity().MutexHandle, 7u);
    EXPECT_EQ(lock.holder, link->OwnEntity().Handle);
}

// A folder for the windows that others could reach is refused. Given no server, the program
// needs no window and runs alone, saying why once; given a server, it cannot do without.
TEST_F(Demon, ARefusedFolderLeavesALinkWithoutWindowUnlessAServerWasGiven)
{
    const QString refusal = QStringLiteral("The folder for message windows /tmp/tutorix-0 cannot be used: it belongs to another user");
    windows.refusal = refusal;
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg)
            warnings << text;
    });
    Make();
    qInstallMessageHandler(previous);
    EXPECT_EQ(link->OwnEntity().Handle, 0u);
    EXPECT_EQ(link->OwnEntity().Title(), QByteArray("Prog"));
    EXPECT_TRUE(windows.classes.empty());
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(refusal)) << warnings[0].toStdString();
    link->SetUseMarvolaServer(false);
    link->Loaded();
    EXPECT_EQ(owner.caption, QStringLiteral("Exit")) << "translated all the same";
    EXPECT_FALSE(link->EndRequested());
    delete link.data();
    EXPECT_TRUE(windows.log.empty()) << "no window: nothing was sent";

    for (const auto& given : {std::pair<QByteArray, QByteArray>{"/serverhandle=t1", ""}, {"", "1a2b"}}) {
        settings.value = {TSettingsValue::Kind::Text, given.second};
        QList<QByteArray> arguments{kProgram};
        if (!given.first.isEmpty())
            arguments << given.first;
        try {
            Make(arguments);
            ADD_FAILURE() << "a link without window, though a server was given";
        } catch (const ETutorix& e) {
            EXPECT_EQ(e.Message(), refusal);
        }
    }
}

TEST_F(Demon, TheSingleInstanceCheckGivesWayToMultiStartAndToAMissingLock)
{
    Make();
    link->SetUseMarvolaServer(false);
    link->SetMultiStart(true);
    link->Loaded();
    EXPECT_TRUE(lock.names.isEmpty());

    delete link.data();
    Make();
    link->SetUseMarvolaServer(false);
    lock.next = {TInstanceLock::Outcome::Failed, 0};
    link->Loaded();
    EXPECT_FALSE(link->EndRequested()) << "no lock to be had: run as the first";
    EXPECT_TRUE(SentWith(msgParams).empty());
}

TEST_F(Demon, DestructionUnregistersEvenWithoutAServerAndTakesItsWindowDown)
{
    Make();
    link->SetUseMarvolaServer(false);
    const quint32 own = link->OwnEntity().Handle;
    delete link.data();
    const auto unregisters = SentWith(msgUnregister);
    ASSERT_EQ(unregisters.size(), 1u);
    EXPECT_EQ(unregisters[0].target, 0u) << "to handle 0, which delivers nothing";
    EXPECT_EQ(windows.destroyed, std::vector<quint32>{own});
    EXPECT_TRUE(windows.classes.empty());
}

} // namespace

#include "test_demon.moc"
