#include "simcli.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const SimCliResult result = RunSimCli(QCoreApplication::arguments());
    std::fwrite(result.out.constData(), 1, size_t(result.out.size()), stdout);
    std::fwrite(result.err.constData(), 1, size_t(result.err.size()), stderr);
    return result.exitCode;
}
