#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>

// The headless simulator behind dscdma-sim: reads the inputs from the command line, runs the
// signal model and prints every trace as JSON or CSV. Kept apart from main() so that tests
// drive it in-process.
struct SimCliResult
{
    int exitCode = 0;  // 0 done, 1 the model failed or a picture could not be written, 2 bad usage
    QByteArray out;    // nothing unless the run succeeded (or --help)
    QByteArray err;    // one line on failure
};

// Receives text for standard error while a run goes on: the progress of a long --ber run. Given
// only where that is a terminal; nothing extra goes to a file or a pipe.
using ProgressOutput = std::function<void(const QByteArray& text)>;

SimCliResult RunSimCli(const QStringList& arguments, const ProgressOutput& progress = {});

