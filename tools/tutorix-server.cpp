// The reference teaching server: a message window that answers the server protocol, driven by
// commands on standard input, reporting every message on standard output.
#include "link/messagewindows.h"
#include "tools/commandlines.h"
#include "tools/servercommands.h"
#include "tools/tutorixserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cstdio>
#include <optional>

#include <unistd.h>

namespace {

void WriteLine(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QByteArray DefaultWorkArea()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    folder += QStringLiteral("/tutorix-server/work");
    if (!QDir().mkpath(folder))
        folder = QDir::tempPath();
    return QFile::encodeName(folder) + '/';
}

void AddOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(TTutorixServer::Usage());
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")});
    parser.addOption({QStringLiteral("handle"),
                      QStringLiteral("Text appended to the window's class and name (default empty)."),
                      QStringLiteral("TEXT")});
    parser.addOption({QStringLiteral("files"), QStringLiteral("Folder whose files are served."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("var"), QStringLiteral("A named value (repeatable)."), QStringLiteral("NAME=VALUE")});
}

// The server's options from a parsed command line; none after saying on standard error why not.
std::optional<TServerOptions> ServerOptions(const QCommandLineParser& parser)
{
    TServerOptions options;
    options.HandleText = parser.value(QStringLiteral("handle")).toLocal8Bit();
    if (parser.isSet(QStringLiteral("files"))) {
        const QFileInfo files(parser.value(QStringLiteral("files")));
        if (!files.isDir()) {
            std::fprintf(stderr, "tutorix-server: %s is not a folder\n", qPrintable(files.filePath()));
            return std::nullopt;
        }
        options.FilesFolder = QFile::encodeName(QDir::cleanPath(files.absoluteFilePath()));
    }
    for (const QString& assignment : parser.values(QStringLiteral("var"))) {
        const qsizetype equals = assignment.indexOf(u'=');
        if (equals <= 0) {
            std::fprintf(stderr, "tutorix-server: --var needs NAME=VALUE, not %s\n", qPrintable(assignment));
            return std::nullopt;
        }
        options.Variables.insert(assignment.first(equals).toLocal8Bit(), assignment.sliced(equals + 1).toLocal8Bit());
    }
    // A folder path that file names are appended to directly: it ends with the separator.
    QByteArray& workArea = options.Variables["MarvolaWorkArea"];
    if (workArea.isEmpty())
        workArea = DefaultWorkArea();
    else if (!workArea.endsWith('/'))
        workArea += '/';
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tutorix-server"));

    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "tutorix-server: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "tutorix-server: unexpected argument %s\n", qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    const std::optional<TServerOptions> options = ServerOptions(parser);
    if (!options)
        return 2;

    TTutorixServer server(*options, TMessageWindows::Default(), WriteLine);
    QString error;
    if (!server.Start(error)) {
        std::fprintf(stderr, "tutorix-server: %s\n", qPrintable(error));
        return 1;
    }
    TServerCommands commands(server);
    TCommandLines lines([&](const QByteArray& line) { return commands.Command(line); }, WriteLine);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&]() {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0 || !lines.Feed(QByteArrayView(buffer, n))) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    return app.exec();
}
