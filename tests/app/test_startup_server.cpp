// The real program against the reference teaching server, each in its own process, in a private
// runtime folder.
//
// The program's start-up log (the category "dscdma.startup", turned on with QT_LOGGING_RULES)
// says what it did; the server's output says what it was asked. At first show the About box is
// modal and nobody here can click it: the server's quit ends the program while the box is up,
// as it does at any other time.
#include "link/MarvolaDemon.h"
#include "tests/link/fake_platform.h"
#include "tests/link/process_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kProgram = QStringLiteral(DSCDMA_EXE);

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

class ProgramWithServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(files.isValid() && work.isValid() && current.isValid());
        icon = ReadFile(QStringLiteral(DSCDMA_ICON_FILE));
        ASSERT_TRUE(icon.startsWith("\x89PNG"));
        Put("dscdma.itl", ReadFile(QStringLiteral(DSCDMA_GERMAN_FILE)) + "[AppIconName]=textbook.png|$$\r\n");
        Put("textbook.png", icon);
        server = std::make_unique<Child>(
            QStringLiteral(TUTORIX_SERVER_EXE),
            QStringList{"--handle", "T1", "--files", files.path(), "--var", "MarvolaWorkArea=" + work.path() + "/"},
            runtime.environment);
        ASSERT_TRUE(server->started);
        ASSERT_GE(server->WaitFor("ready handle="), 0) << server->Everything().constData();

        environment = runtime.environment;
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("QT_LOGGING_RULES", "dscdma.startup.debug=true");
        environment.insert("QT_MESSAGE_PATTERN", "%{category}: %{message}");
        for (const char* name : {"DSCDMA_ITL_TEMPLATE", "LC_ALL", "LC_MESSAGES", "LANG"})
            environment.remove(name);
    }

    void Put(const char* name, const QByteArray& content)
    {
        QFile file(QDir(files.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray Path(const QTemporaryDir& dir) const { return QFile::encodeName(dir.path()); }

    // The program, its log and standard error merged into its lines.
    std::unique_ptr<Child> Start(const QStringList& arguments)
    {
        auto program = std::make_unique<Child>(kProgram, arguments, environment, QProcess::MergedChannels, current.path());
        EXPECT_TRUE(program->started);
        return program;
    }

    // The handle the program registered under, once the server has its registration.
    QByteArray Registered(const QByteArrayList& parts = {}, qsizetype from = 0)
    {
        const qsizetype at = server->WaitFor("recv register", parts, 10000, from);
        return at < 0 ? QByteArray() : server->lines[at].mid(QByteArray("recv register from=").size(), 8);
    }

    PrivateRuntime runtime;
    QTemporaryDir files;
    QTemporaryDir work;
    QTemporaryDir current; // the programs' working folder
    QByteArray icon;
    std::unique_ptr<Child> server;
    QProcessEnvironment environment;
};

} // namespace

TEST_F(ProgramWithServer, RegistersTakesItsLanguageWorkAreaAndIconRaisesItselfAndEndsOnQuit)
{
    const auto program = Start({"/serverhandle=t1", "page=1"});
    ASSERT_GE(program->WaitFor("dscdma.startup: About box shown, German"), 0) << program->Everything().constData();
    const QByteArray own = Registered({"file=" + QFile::encodeName(kProgram), "title=dscdma"});
    ASSERT_EQ(own.size(), 8) << server->Everything().constData();

    const QByteArray from = "from=" + own;
    const qsizetype mapped = server->Find("recv map-file-name", {from, "result=" + Path(files) + "/dscdma"});
    const qsizetype language = server->Find("recv get-file", {from, "name=" + Path(files) + "/dscdma.itl", "found=1"});
    const qsizetype workArea = server->Find("recv get-variable", {from, "name=MarvolaWorkArea", "value=" + Path(work) + "/"});
    const qsizetype iconFetched = server->Find("recv get-file", {from, "name=textbook.png", "found=1"});
    ASSERT_GE(mapped, 0) << server->Everything().constData();
    EXPECT_LT(mapped, language);
    EXPECT_LT(language, workArea);
    EXPECT_LT(workArea, iconFetched);
    EXPECT_EQ(ReadFile(work.filePath("textbook.png")), icon);
    EXPECT_GE(program->Find("dscdma.startup: server handle t1: server found"), 0);
    EXPECT_GE(program->Find("dscdma.startup: language file: " + Path(files) + "/dscdma.itl"), 0);
    EXPECT_GE(program->Find("dscdma.startup: icon loaded: " + Path(work) + "/textbook.png"), 0);

    ASSERT_GE(server->Command("params " + own + " chapter=3 figure=2", "sent params"), 0);
    EXPECT_GE(program->WaitFor("dscdma.startup: brought to the front, parameters: chapter=3 figure=2"), 0)
        << program->Everything().constData();

    ASSERT_GE(server->Command("quit " + own + " 0", "sent quit"), 0);
    EXPECT_GE(server->Find("recv unregister", {from, "handle=" + own}), 0) << "inside the quit's own send";
    ASSERT_TRUE(program->WaitForExit());
    EXPECT_EQ(program->process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->process.exitCode(), 0) << program->Everything().constData();
    EXPECT_GE(server->Command("list", "listed count=0"), 0);
}

// Going down, the server no longer wants to hear from its programs. The translator's template
// of this run, asked for by the variable, is written into the working folder on the way out.
TEST_F(ProgramWithServer, AQuitOfAServerGoingDownEndsWithoutUnregistering)
{
    Put("dscdma.itl", "[Exit]=Ende|$$\r\n");
    environment.insert("DSCDMA_ITL_TEMPLATE", "1");
    const auto program = Start({"/serverhandle=T1"});
    ASSERT_GE(program->WaitFor("dscdma.startup: About box shown, English"), 0) << program->Everything().constData();
    const QByteArray own = Registered();
    ASSERT_EQ(own.size(), 8);

    ASSERT_GE(server->Command("quit " + own + " 1", "sent quit"), 0);
    ASSERT_TRUE(program->WaitForExit());
    EXPECT_EQ(program->process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->process.exitCode(), 0) << program->Everything().constData();
    EXPECT_EQ(server->Find("recv unregister"), -1);
    ASSERT_GE(server->Command("list", "listed count=0"), 0);
    EXPECT_GE(server->Find("dropped", {"handle=" + own}), 0) << "gone without unregistering: dropped";

    const QByteArray itlTemplate = ReadFile(current.filePath("dscdma.itl"));
    for (const QByteArray& line : {QByteArray("[Channel 1]=Channel 1|$$\r\n"), QByteArray("[MMExplain1]=MMExplain1|$$\r\n"),
                                   QByteArray("[HomePageURL]=HomePageURL|$$\r\n"), QByteArray("[exit]=Ende|$$\r\n")})
        EXPECT_TRUE(itlTemplate.contains(line)) << line.constData() << itlTemplate.constData();
}

// The second start finds the first through the server, hands it its parameters and ends with
// status 0. It never shows a window: it ends by itself, which it could not do once its main
// window was up (the About box would wait for a click), and its log says so.
TEST_F(ProgramWithServer, ASecondStartHandsItsParametersToTheFirstAndShowsNoWindow)
{
    const auto first = Start({"/serverhandle=t1"});
    ASSERT_GE(first->WaitFor("dscdma.startup: About box shown"), 0) << first->Everything().constData();
    const QByteArray own = Registered();
    ASSERT_EQ(own.size(), 8);

    const qsizetype from = server->lines.size();
    const auto second = Start({"/serverhandle=t1", "chapter=4"});
    ASSERT_TRUE(second->WaitForExit(15000)) << second->Everything().constData();
    EXPECT_EQ(second->process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->process.exitCode(), 0) << second->Everything().constData();
    EXPECT_GE(second->Find("dscdma.startup: another instance runs: parameters handed over, ending"), 0)
        << second->Everything().constData();
    EXPECT_EQ(second->Find("dscdma.startup: main window shown"), -1);
    EXPECT_EQ(second->Find("dscdma.startup: About box shown"), -1);

    const QByteArray other = Registered({}, from);
    ASSERT_EQ(other.size(), 8);
    EXPECT_NE(other, own);
    EXPECT_GE(server->WaitFor("recv find-title", {"from=" + other, "title=dscdma", "found=" + own}), 0)
        << server->Everything().constData();
    EXPECT_GE(server->WaitFor("recv unregister", {"from=" + other}), 0);
    EXPECT_GE(first->WaitFor("dscdma.startup: brought to the front, parameters: " + QFile::encodeName(kProgram) + " chapter=4"), 0)
        << first->Everything().constData();

    ASSERT_GE(server->Command("quit " + own, "sent quit"), 0);
    ASSERT_TRUE(first->WaitForExit());
    EXPECT_EQ(first->process.exitCode(), 0);
}

// Without a server a second start finds no way to the first: it hands nothing over and ends with
// status 0 all the same, and its log says so, and why.
TEST_F(ProgramWithServer, ASecondPlainStartSaysThatItHandedNothingOverAndWhy)
{
    const auto first = Start({});
    ASSERT_GE(first->WaitFor("dscdma.startup: About box shown"), 0) << first->Everything().constData();
    const auto second = Start({"chapter=4"});
    ASSERT_TRUE(second->WaitForExit(15000)) << second->Everything().constData();
    EXPECT_EQ(second->process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->process.exitCode(), 0) << second->Everything().constData();
    EXPECT_GE(second->Find("dscdma.startup: another instance runs: nothing handed over, no server to find it "
                           "through, ending"),
              0)
        << second->Everything().constData();
    EXPECT_EQ(second->Find("dscdma.startup: another instance runs: parameters handed over"), -1);
    EXPECT_EQ(second->Find("dscdma.startup: main window shown"), -1);
    EXPECT_EQ(first->Find("dscdma.startup: brought to the front"), -1) << first->Everything().constData();
    EXPECT_EQ(server->Find("recv"), -1) << "the server heard nothing";
    first->process.terminate();
    EXPECT_TRUE(first->WaitForExit());
}

// A handle whose server has gone is no error: the program runs alone, with the language file
// beside it that the desktop's language picks.
TEST_F(ProgramWithServer, WithAHandleOfNoRunningServerItRunsAlone)
{
    environment.insert("LANG", "de_DE.UTF-8");
    const auto program = Start({"/serverhandle=gone"});
    ASSERT_GE(program->WaitFor("dscdma.startup: About box shown, German"), 0) << program->Everything().constData();
    EXPECT_GE(program->Find("dscdma.startup: server handle gone: no server, running alone"), 0);
    EXPECT_GE(program->Find("dscdma.startup: language file: " + QFile::encodeName(QFileInfo(kProgram).path()) + "/dscdma.de.itl"), 0)
        << program->Everything().constData();
    EXPECT_EQ(program->process.state(), QProcess::Running);
    EXPECT_EQ(server->Find("recv"), -1) << "the server heard nothing";
    program->process.terminate();
    EXPECT_TRUE(program->WaitForExit());
}

// The parameters are the arguments as given, as bytes: Qt's own options included and nothing
// decoded. The first instance here is this test, with a link of the program's name, so that
// it sees the bytes that a second start of the program hands over.
TEST_F(ProgramWithServer, TheParametersAreEveryArgumentAsItsBytes)
{
    FakeSettings settings;
    TDemonSetup setup;
    setup.ProgramFile = QFile::encodeName(kProgram);
    setup.CommandLine = {setup.ProgramFile, "/serverhandle=t1"};
    setup.Settings = &settings;
    QObject owner;
    QPointer<TkdbDemonClient> first = new TkdbDemonClient(&owner, setup);
    first->Loaded();
    ASSERT_FALSE(first->EndRequested());
    bool handed = false;
    first->SetOnParamsChange([&](QObject*) { handed = true; });

    // An argument that is no UTF-8 ("caf\xE9") can only be given through a shell.
    Child second(QStringLiteral("/bin/sh"),
                 QStringList{"-c", "exec \"$0\" /serverhandle=t1 -style fusion -reverse -session s1 \"$(printf 'caf\\351')\"",
                             kProgram},
                 environment, QProcess::MergedChannels, current.path());
    ASSERT_TRUE(PollUntil([&] { return handed; }, 15000)) << second.Everything().constData();
    EXPECT_EQ(first->Params(), (QList<QByteArray>{QFile::encodeName(kProgram), "-style", "fusion", "-reverse", "-session",
                                                  "s1", "caf\xE9"}));
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.process.exitCode(), 0) << second.Everything().constData();
    delete first.data();
}

// The server ends the program inside the mapping of its language file: the program ends at
// once with status 0, asks nothing more and shows no error box (which would keep it running).
TEST_F(ProgramWithServer, AQuitInsideAStartUpQueryEndsTheProgramAtOnce)
{
    for (const char* down : {"0", "1"}) {
        SCOPED_TRACE(down);
        const qsizetype from = server->lines.size();
        ASSERT_GE(server->Command(QByteArray("nested quit ") + down, "queued nested quit"), 0);
        const auto program = Start({"/serverhandle=t1"});
        ASSERT_TRUE(program->WaitForExit()) << program->Everything().constData();
        EXPECT_EQ(program->process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->process.exitCode(), 0) << program->Everything().constData();
        EXPECT_EQ(program->Find("dscdma.startup: main window shown"), -1);
        const QByteArray own = Registered({}, from);
        ASSERT_EQ(own.size(), 8);
        const qsizetype quit = server->WaitFor("sent quit", {"to=" + own, "nested=1"}, 10000, from);
        ASSERT_GE(quit, 0) << server->Everything().constData();
        for (const QByteArray& request : {QByteArray("recv get-file"), QByteArray("recv get-variable"),
                                          QByteArray("recv find-title")})
            EXPECT_EQ(server->Find(request, {"from=" + own}, from), -1) << request.constData();
        EXPECT_EQ(server->Find("recv unregister", {"from=" + own}, from) >= 0, down == QByteArray("0"));
    }
}

// A folder for the windows that others could reach is refused, and the program started without
// a server handle runs alone all the same, saying once on standard error why.
TEST_F(ProgramWithServer, ARefusedWindowFolderLeavesAStandaloneStartRunning)
{
    QTemporaryDir open;
    ASSERT_TRUE(open.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(open.path()).constData(), 0755), 0);
    environment.insert("TUTORIX_RUNTIME_DIR", open.path());
    const auto program = Start({});
    ASSERT_GE(program->WaitFor("dscdma.startup: About box shown"), 0) << program->Everything().constData();
    QByteArrayList mentions;
    for (const QByteArray& line : program->lines) {
        if (line.contains(QFile::encodeName(open.path())))
            mentions << line;
    }
    ASSERT_EQ(mentions.size(), 1) << program->Everything().constData();
    EXPECT_TRUE(mentions[0].contains("group or others have permissions")) << mentions[0].constData();
    EXPECT_EQ(program->process.state(), QProcess::Running);
    program->process.terminate();
    EXPECT_TRUE(program->WaitForExit());
}

// A desktop language without a file of its own, or none, reads the English file rather than
// showing the keys.
TEST_F(ProgramWithServer, ALanguageWithoutAFileReadsEnglish)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(kProgram).path());
    const struct
    {
        const char* lang;
        QByteArray file;
    } cases[] = {
        {"fr_FR.UTF-8", folder + "/dscdma.en.itl"},
        {"C.UTF-8", folder + "/dscdma.en.itl"},
        {"de_DE.UTF-8", folder + "/dscdma.de.itl"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang);
        environment.insert("LANG", c.lang);
        const auto program = Start({});
        ASSERT_GE(program->WaitFor("dscdma.startup: About box shown"), 0) << program->Everything().constData();
        EXPECT_GE(program->Find("dscdma.startup: language file: " + c.file), 0) << program->Everything().constData();
        program->process.terminate();
        EXPECT_TRUE(program->WaitForExit());
    }
}
