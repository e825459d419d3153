#include "tools/oneline.h"
#include "tools/simcli.h"

#include <QGuiApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace {

bool WantsPictures(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--png", "--svg", "-png", "-svg"})
            if (std::strncmp(argv[i], option, std::strlen(option)) == 0)
                return true;
    return false;
}

// The tool reports every failure itself, in one line; Qt's notes on its environment (a missing
// runtime folder, say) would only add lines to a run that went well. Serious ones still show.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "dscdma-sim: %s\n", OneLine(message).toLocal8Bit().constData());
}

// Everything or an error: a full disk or a closed pipe must not pass for a result.
bool WriteAll(std::FILE* stream, const QByteArray& data)
{
    errno = 0;
    const std::size_t written = std::fwrite(data.constData(), 1, std::size_t(data.size()), stream);
    return written == std::size_t(data.size()) && std::fflush(stream) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(QuietQtMessages);
    // Pictures measure and draw text, which needs a GUI application, but never a display.
    std::unique_ptr<QCoreApplication> app;
    if (WantsPictures(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // Progress only where someone watches: a terminal, never a file or a pipe.
    ProgressOutput progress;
    if (isatty(fileno(stderr)))
        progress = [](const QByteArray& text) {
            std::fwrite(text.constData(), 1, std::size_t(text.size()), stderr);
            std::fflush(stderr);
        };
    SimCliResult result = RunSimCli(QCoreApplication::arguments(), progress);
    if (!result.out.isEmpty() && !WriteAll(stdout, result.out)) {
        const int error = errno;
        result.exitCode = 1;
        result.err = QByteArray("dscdma-sim: cannot write to standard output: ")
                     + (error ? std::strerror(error) : "write failed") + '\n';
    }
    std::fwrite(result.err.constData(), 1, size_t(result.err.size()), stderr);
    return result.exitCode;
}
