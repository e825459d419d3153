#include "simcli.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

bool WantsPictures(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--png", "--svg", "-png", "-svg"})
            if (std::strncmp(argv[i], option, std::strlen(option)) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // Pictures measure and draw text, which needs a GUI application, but never a display.
    std::unique_ptr<QCoreApplication> app;
    if (WantsPictures(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const SimCliResult result = RunSimCli(QCoreApplication::arguments());
    std::fwrite(result.out.constData(), 1, size_t(result.out.size()), stdout);
    std::fwrite(result.err.constData(), 1, size_t(result.err.size()), stderr);
    return result.exitCode;
}
