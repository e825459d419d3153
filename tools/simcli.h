#pragma once

#include <QByteArray>
#include <QStringList>

// The headless simulator behind dscdma-sim: reads the inputs from the command line, runs the
// signal model and prints every trace as JSON or CSV. Kept apart from main() so that tests
// drive it in-process.
struct SimCliResult
{
    int exitCode = 0;  // 0 done, 1 the model failed or a picture could not be written, 2 bad usage
    QByteArray out;    // nothing unless the run succeeded (or --help)
    QByteArray err;    // one line on failure
};

SimCliResult RunSimCli(const QStringList& arguments);

