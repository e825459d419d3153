// Start-up in the teaching environment: the main window with its server link against scripted
// message windows, a lock and settings of the test's own, and files in folders of its own.
#include "app/AboutBox.h"
#include "app/appicon.h"
#include "app/errorreport.h"
#include "app/mainfrm.h"
#include "app/uexplain.h"
#include "tests/link/fake_platform.h"
#include "widgets/rchart.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <memory>
#include <optional>

#include <sys/resource.h>

namespace {

constexpr quint32 kServer = 0x5E5E0001;
const QByteArray kHandleSwitch = "/serverhandle=T1";

// A picture of one colour, as an icon file holds it.
QByteArray Png(const QColor& color)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QColor ColourOf(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

const QColor Green(10, 200, 30);
const QColor Blue(20, 40, 220);

class Startup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid() && root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkdir("work"));
        workArea = QFile::encodeName(root.filePath("work")) + '/';
        errorreport::SetSink([this](const QString& message) { errors << message; });
        previousIcon = QApplication::windowIcon();
    }
    void TearDown() override
    {
        form.reset();
        errorreport::SetSink(nullptr);
        QApplication::setWindowIcon(previousIcon);
    }

    void Put(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
    }
    void PutLanguage(const QByteArray& entries) { Put(folder.filePath("dscdma.itl"), entries); }
    QString Work(const QString& name) const { return QFile::decodeName(workArea) + name; }

    // A teaching server found under the handle text "t1": it maps the program into "/books",
    // serves the files of `served` by name and answers "MarvolaWorkArea" with the work folder.
    void RunServer()
    {
        windows.findable[{ServerWindowClass + QByteArray("t1"), ServerWindowName + QByteArray("t1")}] = kServer;
        windows.script = [this](const FakeWindows::Sent& sent) {
            if (sent.target != kServer)
                return 0;
            TByteStream in;
            in.SetData(sent.content);
            TByteStream out;
            if (sent.code == msgMapFileName) {
                out.WriteString("/books/dscdma");
            } else if (sent.code == msgGetFile) {
                const QByteArray name = in.ReadString();
                asked << name;
                const auto found = served.find(name);
                out.WriteByte(found == served.end() ? 0 : 1);
                if (found != served.end())
                    out.Write(found->second);
            } else if (sent.code == msgGetVariable) {
                out.WriteString(in.ReadString() == "MarvolaWorkArea" ? workArea : QByteArray());
            } else if (sent.code != msgFindEntity) {
                return 0; // registration and the like get no reply
            }
            windows.Deliver(sent.wParam, kServer, msgReply, sent.stamp, out.Data());
            return 0;
        };
    }

    void Make(const QList<QByteArray>& arguments = {})
    {
        form.reset();
        TDemonSetup setup;
        setup.ProgramFile = QFile::encodeName(folder.filePath("dscdma"));
        setup.CommandLine = QList<QByteArray>{setup.ProgramFile} + arguments;
        setup.Windows = &windows;
        setup.Lock = &lock;
        setup.Settings = &settings;
        setup.Language = language;
        form = std::make_unique<TForm1>(setup);
        form->SetDialogs(&explain, &about);
        form->SetModalRunner([this](QDialog& dialog) {
            modalRuns << dialog.objectName();
            if (whileAboutIsUp)
                whileAboutIsUp();
        });
    }
    void MakeAndShow(const QList<QByteArray>& arguments = {})
    {
        Make(arguments);
        form->show();
    }

    QList<quint32> CodesSentToTheServer() const
    {
        QList<quint32> codes;
        for (const auto& sent : windows.log) {
            if (sent.target == kServer)
                codes << sent.code;
        }
        return codes;
    }

    QTemporaryDir folder; // the program's
    QTemporaryDir root;   // holds the server's work area, "work"
    QByteArray workArea;
    QByteArray language;
    std::map<QByteArray, QByteArray> served;
    QByteArrayList asked;
    FakeWindows windows;
    FakeLock lock;
    FakeSettings settings;
    TFrmExplain explain;
    TFrmAbout about;
    std::unique_ptr<TForm1> form;
    QStringList errors;
    QStringList modalRuns;
    std::function<void()> whileAboutIsUp;
    QIcon previousIcon;
};

} // namespace

TEST_F(Startup, WithoutLanguageFileAndServerEveryStepFallsBack)
{
    MakeAndShow();
    EXPECT_FALSE(form->cliDemon()->UseMarvolaServer());
    EXPECT_EQ(form->cliDemon()->LanguageFile(), QByteArray());
    EXPECT_TRUE(windows.log.empty()) << "nothing sent";
    EXPECT_EQ(modalRuns, QStringList{"FrmAbout"});
    EXPECT_EQ(about.LblName()->text(), "DS-CDMA");
    EXPECT_EQ(about.LblVersion()->text(), "Version 1.0");
    EXPECT_EQ(about.LblWebSite()->text(), TFrmAbout::webSiteText(TFrmAbout::Language::English));
    EXPECT_EQ(about.LblDescription()->text(), TFrmAbout::descriptionText(TFrmAbout::Language::English));
    EXPECT_EQ(about.homePageAddress(), "HomePageURL");
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(explain.MMExplain()->lines(), QStringList({"MMExplain1", "", "MMExplain2"}));
    EXPECT_EQ(form->BButExit()->text(), "Exit");
    EXPECT_EQ(form->SimulationRuns(), 1);
    EXPECT_EQ(form->LblResult()->text(), "Z");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Startup, TheAboutBoxIsGermanForTheGermanSettingInAnyLetterCase)
{
    const struct
    {
        QByteArray entry;
        TFrmAbout::Language language;
    } cases[] = {
        {"[$dlglanguage$]=lggerman|$$", TFrmAbout::Language::German},
        {"[$DLGLanguage$]=LgGeRmAn|$$", TFrmAbout::Language::German},
        {"[$dlglanguage$]=lgenglish|$$", TFrmAbout::Language::English},
        {"[$dlglanguage$]=lgfrench|$$", TFrmAbout::Language::English},
        {"[$dlglanguage$]=lggerman |$$", TFrmAbout::Language::English},
        {"[Exit]=Ende|$$", TFrmAbout::Language::English},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry.toStdString());
        PutLanguage(c.entry + "[HomePageURL]=https://textbook.example.org/dscdma|$$");
        MakeAndShow();
        EXPECT_EQ(about.LblWebSite()->text(), TFrmAbout::webSiteText(c.language));
        EXPECT_EQ(about.LblDescription()->text(), TFrmAbout::descriptionText(c.language));
        EXPECT_EQ(about.homePageAddress(), "https://textbook.example.org/dscdma");
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Startup, WithoutServerTheIconComesFromTheProgramsFolderIfThere)
{
    PutLanguage("[AppIconName]=book.png|$$");
    MakeAndShow();
    EXPECT_NE(ColourOf(form->windowIcon()), Green);
    EXPECT_EQ(modalRuns.size(), 1) << "a missing icon file is no error";

    Put(folder.filePath("book.png"), Png(Green));
    form.reset();
    windows.log.clear();
    MakeAndShow();
    EXPECT_EQ(ColourOf(QApplication::windowIcon()), Green);
    EXPECT_EQ(ColourOf(form->windowIcon()), Green);
    EXPECT_EQ(ColourOf(about.windowIcon()), Green);
    EXPECT_TRUE(windows.log.empty());
    EXPECT_EQ(form->SimulationRuns(), 1);
    EXPECT_TRUE(errors.isEmpty());
}

// What the server delivers is saved into the work area and loaded from there; an empty
// delivery or none leaves a file saved at an earlier start, which is loaded.
TEST_F(Startup, WithTheServerTheIconIsSavedIntoTheWorkAreaThenLoaded)
{
    const struct
    {
        const char* step;
        std::optional<QByteArray> delivered;
        std::optional<QByteArray> before;
        QColor loaded;
    } cases[] = {
        {"delivered", Png(Green), std::nullopt, Green},
        {"delivered over an earlier one", Png(Green), Png(Blue), Green},
        {"delivered empty", QByteArray(), Png(Blue), Blue},
        {"not delivered", std::nullopt, Png(Blue), Blue},
    };
    RunServer();
    served["/books/dscdma.itl"] = "[AppIconName]=book.png|$$";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        QFile::remove(Work("book.png"));
        if (c.before)
            Put(Work("book.png"), *c.before);
        served.erase("book.png");
        if (c.delivered)
            served["book.png"] = *c.delivered;
        form.reset();
        windows.log.clear();
        asked.clear();
        MakeAndShow({kHandleSwitch});
        EXPECT_TRUE(form->cliDemon()->UseMarvolaServer());
        EXPECT_EQ(asked, (QByteArrayList{"/books/dscdma.itl", "book.png"}));
        EXPECT_EQ(CodesSentToTheServer(),
                  (QList<quint32>{msgRegister, msgMapFileName, msgGetFile, msgGetVariable, msgGetFile}));
        EXPECT_EQ(ReadFile(Work("book.png")), c.delivered && !c.delivered->isEmpty() ? *c.delivered : *c.before);
        EXPECT_EQ(QDir(QFile::decodeName(workArea)).entryList(QDir::Files), QStringList{"book.png"});
        EXPECT_EQ(ColourOf(QApplication::windowIcon()), c.loaded);
        EXPECT_EQ(ColourOf(form->windowIcon()), c.loaded);
        EXPECT_EQ(ColourOf(about.windowIcon()), c.loaded);
        EXPECT_EQ(form->SimulationRuns(), 1);
    }
    EXPECT_TRUE(errors.isEmpty());
}

// A name from a language file or a server that would lead out of the work area is skipped like
// a missing file: nothing is asked for, written or loaded, and start-up goes on.
TEST_F(Startup, IconNamesThatLeaveTheWorkAreaAreRefused)
{
    RunServer();
    Put(root.filePath("book.png"), Png(Blue));
    const QByteArray names[] = {"../book.png", "sub/book.png", "/tmp/book.png", "..", ".", "", "bo\x01ok.png",
                                "book\\n.png"};
    for (const QByteArray& name : names) {
        SCOPED_TRACE(name.toStdString());
        served.clear();
        served["/books/dscdma.itl"] = "[AppIconName]=" + name + "|$$";
        served[name] = Png(Green);
        asked.clear();
        MakeAndShow({kHandleSwitch});
        EXPECT_EQ(asked, QByteArrayList{"/books/dscdma.itl"});
        EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), (QStringList{"book.png", "work"}));
        EXPECT_TRUE(QDir(QFile::decodeName(workArea)).isEmpty());
        EXPECT_EQ(ReadFile(root.filePath("book.png")), Png(Blue));
        EXPECT_NE(ColourOf(form->windowIcon()), Blue);
        EXPECT_EQ(form->SimulationRuns(), 1);
    }
    EXPECT_TRUE(errors.isEmpty());

    for (const char* bare : {"book.png", "my book.ico", "..png", "a..b", "...", "Bücher.png", "x\\y"})
        EXPECT_TRUE(appicon::IsBareFileName(QString::fromUtf8(bare))) << bare;
    for (const QString& refused : {QString("a/b"), QString("/"), QString(".."), QString("."), QString(),
                                   QString("a\tb"), QString("a") + QChar(0x7F), QString("a") + QChar(0x85)})
        EXPECT_FALSE(appicon::IsBareFileName(refused)) << refused.toStdString();
}

// One error report, and the rest of the sequence is not run; the spreading factor keeps its
// limit all the same.
TEST_F(Startup, AnIconFileThatCannotBeSavedOrLoadedIsReportedOnce)
{
    PutLanguage("[AppIconName]=book.png|$$");
    Put(folder.filePath("book.png"), "not a picture");
    MakeAndShow();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(folder.filePath("book.png"))) << errors[0].toStdString();
    EXPECT_TRUE(modalRuns.isEmpty());
    EXPECT_EQ(form->SimulationRuns(), 0);
    EXPECT_EQ(form->SBarSpread()->maximum(), 20);
    EXPECT_NE(ColourOf(form->windowIcon()), Green);

    errors.clear();
    RunServer();
    served["/books/dscdma.itl"] = "[AppIconName]=book.png|$$";
    served["book.png"] = Png(Green);
    ASSERT_TRUE(QDir().mkpath(Work("book.png"))); // a folder in the way
    MakeAndShow({kHandleSwitch});
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(Work("book.png"))) << errors[0].toStdString();
    EXPECT_TRUE(modalRuns.isEmpty());
    EXPECT_EQ(QDir(QFile::decodeName(workArea)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"book.png"});
}

// A save that breaks off half-way (here: the file-size limit, as a full disk would) leaves the
// icon of the last start whole, and no half-written file beside it.
TEST_F(Startup, AnInterruptedIconSaveKeepsThePreviousFile)
{
    const QString path = Work("book.png");
    const QByteArray previous = Png(Blue);
    Put(path, previous);
    const QByteArray large(256 * 1024, 'x');

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 16 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    try {
        appicon::Save(path, large);
    } catch (const std::exception&) {
        failed = true;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadFile(path), previous);
    EXPECT_EQ(QDir(QFile::decodeName(workArea)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"book.png"});

    appicon::Save(path, large);
    EXPECT_EQ(ReadFile(path), large);
    EXPECT_EQ(QDir(QFile::decodeName(workArea)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"book.png"});
}

// The stored setting keeps the server unused; a server window that the given handle names is
// used all the same. A handle naming none, or no handle, runs the program alone.
TEST_F(Startup, TheServerIsUsedWhenTheGivenHandleNamesOne)
{
    const struct
    {
        const char* what;
        QList<QByteArray> arguments;
        bool serverUnderHandle;
        bool serverUnderBareNames;
        bool used;
    } cases[] = {
        {"handle of a running server", {kHandleSwitch}, true, false, true},
        {"handle in other letter case", {"/SERVERHANDLE=t1"}, true, false, true},
        {"stale handle", {"/serverhandle=gone"}, true, false, false},
        {"no handle", {}, false, true, false},
        {"handle, no server at all", {kHandleSwitch}, false, false, false},
    };
    PutLanguage("[Exit]=Ende|$$");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        form.reset();
        windows.findable.clear();
        windows.log.clear();
        RunServer();
        if (!c.serverUnderHandle)
            windows.findable.clear();
        if (c.serverUnderBareNames)
            windows.findable[{ServerWindowClass, ServerWindowName}] = kServer;
        MakeAndShow(c.arguments);
        EXPECT_EQ(form->cliDemon()->UseMarvolaServer(), c.used);
        EXPECT_EQ(CodesSentToTheServer().value(0), c.used ? msgRegister : 0u);
        // Alone, the language file beside the program; with the server, the server's (none).
        EXPECT_EQ(form->BButExit()->text(), c.used ? "Exit" : "Ende");
        EXPECT_EQ(form->SimulationRuns(), 1);
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(Startup, NewParametersBringTheProgramToTheFront)
{
    MakeAndShow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->isMinimized(); }));
    TByteStream params;
    params.Write("/opt/dscdma/dscdma\r\nchapter=3\r\n");
    windows.Deliver(form->cliDemon()->OwnEntity().Handle, 0x777, msgParams, {}, params.Data());
    EXPECT_FALSE(form->isMinimized());
    EXPECT_EQ(form->cliDemon()->Params(), (QList<QByteArray>{"/opt/dscdma/dscdma", "chapter=3"}));
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
}

// The server's quit while the About box is up at first show ends the link, and with it the
// start-up; the link unregisters unless the server said that it is going down.
TEST_F(Startup, AQuitWhileTheAboutBoxIsUpEndsTheProgram)
{
    RunServer();
    for (const quint8 serverDown : {0, 1}) {
        SCOPED_TRACE(int(serverDown));
        form.reset();
        windows.log.clear();
        whileAboutIsUp = [&] {
            TByteStream quit;
            quit.WriteByte(serverDown);
            windows.Deliver(form->cliDemon()->OwnEntity().Handle, kServer, msgQuit, {}, quit.Data());
        };
        MakeAndShow({kHandleSwitch});
        EXPECT_EQ(form->cliDemon(), nullptr);
        EXPECT_EQ(CodesSentToTheServer().count(msgUnregister), serverDown ? 0 : 1);
        EXPECT_EQ(form->SimulationRuns(), 0);
        EXPECT_EQ(form->Translate("Exit"), "Exit") << "keys stand for themselves once the link is gone";
    }
}

// The server ends the program inside the language file's name mapping, going down itself: the
// start-up stops there, without another request, without an error, and without unregistering.
TEST_F(Startup, AQuitInsideTheMappingEndsTheStartWithoutAnotherRequest)
{
    RunServer();
    const FakeWindows::Script serve = windows.script;
    bool gone = false; // the server, once it said it goes down
    windows.script = [&](const FakeWindows::Sent& sent) {
        if (gone)
            return 0;
        if (sent.target == kServer && sent.code == msgMapFileName) {
            windows.Deliver(sent.wParam, kServer, msgQuit, {}, QByteArray(1, '\1'));
            gone = true;
            return 0;
        }
        return serve(sent);
    };
    EXPECT_THROW(Make({kHandleSwitch}), EQuitAccepted);
    EXPECT_EQ(CodesSentToTheServer(), (QList<quint32>{msgRegister, msgMapFileName}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_FALSE(form);
}

// The same inside the first show's work-area query: no icon is fetched, no About box shows, no
// error is reported, and the link goes (unregistering unless the server goes down).
TEST_F(Startup, AQuitInsideAFirstShowQueryEndsTheFirstShowThere)
{
    PutLanguage("[AppIconName]=book.png|$$");
    for (const quint8 serverDown : {0, 1}) {
        SCOPED_TRACE(int(serverDown));
        form.reset();
        RunServer();
        served["/books/dscdma.itl"] = "[AppIconName]=book.png|$$";
        served["book.png"] = Png(Green);
        const FakeWindows::Script serve = windows.script;
        windows.script = [&, serve, serverDown](const FakeWindows::Sent& sent) {
            if (sent.target == kServer && sent.code == msgGetVariable)
                windows.Deliver(sent.wParam, kServer, msgQuit, {}, QByteArray(1, char(serverDown)));
            return serve(sent);
        };
        windows.log.clear();
        asked.clear();
        modalRuns.clear();
        MakeAndShow({kHandleSwitch});
        EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
        EXPECT_EQ(asked, QByteArrayList{"/books/dscdma.itl"}) << "no icon asked for";
        EXPECT_TRUE(modalRuns.isEmpty());
        EXPECT_EQ(form->SimulationRuns(), 0);
        ASSERT_NE(form->cliDemon(), nullptr);
        EXPECT_TRUE(form->cliDemon()->QuitAccepted());
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(form->cliDemon(), nullptr);
        EXPECT_EQ(CodesSentToTheServer(), serverDown ? (QList<quint32>{msgRegister, msgMapFileName, msgGetFile, msgGetVariable})
                                                     : (QList<quint32>{msgRegister, msgMapFileName, msgGetFile,
                                                                       msgGetVariable, msgUnregister}));
    }
}

// A server that takes the registration and never answers: the start stops at the next query
// with the link's error saying so, and asks the server nothing more, so that the user waits
// one send time limit, not one per request.
TEST_F(Startup, AServerThatNeverAnswersStopsTheStartAfterItsFirstRequest)
{
    RunServer();
    windows.script = [this](const FakeWindows::Sent& sent) {
        if (sent.target == kServer)
            windows.outcome = TMessageWindows::SendOutcome::Unanswered;
        return 0;
    };
    try {
        Make({kHandleSwitch});
        ADD_FAILURE() << "started although the server did not answer";
    } catch (const ETutorix& e) {
        EXPECT_EQ(e.Message(), "Tutorix server application is not running");
    }
    EXPECT_EQ(CodesSentToTheServer(), QList<quint32>{msgRegister});
    EXPECT_FALSE(form);
}

// A folder for the windows that others could reach is refused. Without a server handle the
// program starts all the same, alone; with one it cannot, and the error names the folder.
TEST_F(Startup, ARefusedWindowFolderStopsOnlyAStartWithAServerHandle)
{
    const QString refusal = QStringLiteral("The folder for message windows /tmp/tutorix-0 cannot be used: its group or "
                                           "others have permissions on it (mode 755)");
    windows.refusal = refusal;
    PutLanguage("[Exit]=Ende|$$");
    MakeAndShow();
    EXPECT_EQ(form->cliDemon()->OwnEntity().Handle, 0u);
    EXPECT_EQ(form->BButExit()->text(), "Ende");
    EXPECT_EQ(form->SimulationRuns(), 1);
    EXPECT_TRUE(errors.isEmpty());

    RunServer();
    try {
        Make({kHandleSwitch});
        ADD_FAILURE() << "started without the window its server needs";
    } catch (const ETutorix& e) {
        EXPECT_EQ(e.Message(), refusal);
    }
}
