// dscdma-sim run as a program: what only the process shows (standard output, Qt's messages,
// file size limits) and the SVG as another renderer draws it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int TimeoutMs = 60000;

struct ToolRun
{
    int exitCode = -1;
    QByteArray out, err;
};

// Runs the tool with a start-up hook; stdoutFile, when given, receives standard output.
ToolRun RunTool(const QStringList& args, const QString& stdoutFile = {},
            const std::function<void()>& inChild = {}, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(DSCDMA_SIM, args);
    ToolRun run;
    if (!process.waitForFinished(TimeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "dscdma-sim did not finish: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished(TimeoutMs);
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// A child that may write regular files of at most 4 KiB, and is told so by an error instead
// of a signal.
void LimitFileSize()
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
}

QImage RenderWithLibrsvg(const QString& svg, const QString& png)
{
    QProcess rsvg;
    rsvg.start("rsvg-convert", {"--format", "png", "--output", png, svg});
    if (!rsvg.waitForFinished(TimeoutMs) || rsvg.exitCode() != 0) {
        ADD_FAILURE() << "rsvg-convert (Debian librsvg2-bin) failed: " << rsvg.errorString().toStdString() << " "
                      << rsvg.readAllStandardError().toStdString();
        return {};
    }
    return QImage(png);
}

} // namespace

TEST(SimProcess, FailedWriteToStandardOutputExitsOneWithTheReason)
{
    const QStringList rows[] = {{}, {"--format", "csv"}, {"--margins"}, {"--sweep", "--format", "csv"}};
    for (const QStringList& args : rows) {
        const ToolRun run = RunTool(args, "/dev/full");
        EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_EQ(run.err.toStdString(), "dscdma-sim: cannot write to standard output: No space left on device\n");
    }
    // The same runs succeed where there is room.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ToolRun ok = RunTool({"--format", "csv"}, dir.filePath("out.csv"));
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_TRUE(ok.err.isEmpty()) << ok.err.constData();
}

TEST(SimProcess, PictureBeyondAFileSizeLimitLeavesTheOldFileAndNoTemporary)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* option : {"--png", "--svg"}) {
        const QString target = dir.filePath("picture");
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("old picture");
        old.close();
        const ToolRun run = RunTool({option, target}, {}, LimitFileSize);
        EXPECT_EQ(run.exitCode, 1) << option;
        EXPECT_EQ(run.err.toStdString(), "dscdma-sim: cannot write \"" + target.toStdString() + "\": File too large\n") << option;
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "old picture") << option;
        old.close();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"picture"}) << option;
        // A new file that cannot be written whole is not created at all.
        const QString fresh = dir.filePath("fresh");
        EXPECT_EQ(RunTool({option, fresh, "--sweep"}, {}, LimitFileSize).exitCode, 1);
        EXPECT_FALSE(QFile::exists(fresh)) << option;
    }
}

TEST(SimProcess, PrintsNothingButItsOwnOneLineMessages)
{
    // Without a runtime folder Qt would note so on standard error when it draws.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_RUNTIME_DIR");
    env.remove("QT_QPA_PLATFORM");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ToolRun empty = RunTool({"--png="}, {}, {}, env);
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_EQ(empty.err.toStdString(), "dscdma-sim: --png needs a file name\n");
    const ToolRun good = RunTool({"--margins", "--png", dir.filePath("m.png")}, {}, {}, env);
    EXPECT_EQ(good.exitCode, 0);
    EXPECT_TRUE(good.err.isEmpty()) << good.err.constData();
    const ToolRun full = RunTool({"--png", "/dev/full"}, {}, {}, env);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err.toStdString(), "dscdma-sim: cannot write \"/dev/full\": No space left on device\n");
}

// A long --ber run shows its progress on a terminal and nowhere else: standard error on a
// pseudo-terminal gets the progress line, a pipe gets nothing, and standard output is the same
// either way.
TEST(SimProcess, ProgressShowsOnlyOnATerminal)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string terminal = ptsname(master);
    ASSERT_EQ(fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK), 0);
    const QStringList args = {"--ber", "--ebn0", "0:3:1", "--bits", "100000", "--format", "csv"};
    const ToolRun watched = RunTool(args, {}, [&terminal] {
        const int fd = open(terminal.c_str(), O_RDWR | O_NOCTTY);
        if (fd >= 0) {
            dup2(fd, STDERR_FILENO);
            close(fd);
        }
    });
    QByteArray shown;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, n);
    close(master);
    const ToolRun piped = RunTool(args);
    ASSERT_EQ(watched.exitCode, 0);
    ASSERT_EQ(piped.exitCode, 0);
    EXPECT_EQ(watched.out, piped.out);
    EXPECT_TRUE(shown.contains("dscdma-sim: ") && shown.contains(" of 4 points, ")) << shown.constData();
    EXPECT_TRUE(watched.err.isEmpty());
    EXPECT_TRUE(piped.err.isEmpty()) << piped.err.constData();
}

TEST(SimProcess, LibrsvgRendersTheSvgAtThePngsSize)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Row { QStringList args; QSize size; QPoint flat; };
    // Points inside a plot, away from lines, where both renderers fill the same flat colour.
    const Row rows[] = {
        {{"--key-rx", "44"}, {785, 665}, {13, 384 + 23}},
        {{"--margins"}, {785, 345}, {47, 54}},
        {{"--sweep", "--key-b", "0"}, {785, 345}, {47, 54}},
    };
    int i = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        const QString png = dir.filePath(QString("p%1.png").arg(i));
        const QString svg = dir.filePath(QString("p%1.svg").arg(i));
        ++i;
        const ToolRun run = RunTool(row.args + QStringList{"--png", png, "--svg", svg});
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        const QImage ours(png);
        const QImage theirs = RenderWithLibrsvg(svg, svg + ".png");
        EXPECT_EQ(ours.size(), row.size);
        EXPECT_EQ(theirs.size(), row.size);
        EXPECT_EQ(theirs.pixelColor(row.flat).rgb(), ours.pixelColor(row.flat).rgb());
        EXPECT_EQ(theirs.pixelColor(row.size.width() - 2, 2).rgb(), ours.pixelColor(row.size.width() - 2, 2).rgb())
            << "the button-face background";
    }
}
