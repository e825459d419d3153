#pragma once

#include "core/chart/geometry.h"
#include "core/lab/bercurve.h"
#include "core/lab/rateschart.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

class QCommandLineParser;

// dscdma-sim --ber: the options of a bit-error-rate run, and its JSON and CSV. The run itself is
// the lab's curve measurement; every input is read by the lab's own checks.
namespace bercli {

constexpr int MaxJobs = 64;

// What a --ber command line asks for, read and checked before anything runs.
struct Job
{
    std::vector<lab::CurveRequest> curves; // one, or one per value of a list
    lab::Varying varying = lab::Varying::None;
    bool delays = false;    // given or drawn: the output reports them
    bool showCodes = false; // the codes and their correlations instead of a measurement
    int jobs = 1;
    Size size = lab::RatesChart::DefaultSize;
};

// The names of the options only --ber reads.
const QStringList& OwnOptions();

// Reads the job from a parsed command line; returns the first usage error as one line, or an
// empty text.
QString Read(const QCommandLineParser& parser, Job& job);

// One list of points per curve of the job.
QByteArray Json(const Job& job, const std::vector<std::vector<lab::CurvePoint>>& curves);
QByteArray Csv(const Job& job, const std::vector<std::vector<lab::CurvePoint>>& curves);

// --show-codes: each user's chips and the correlations of their codes.
QByteArray CodesJson(const lab::LabConfig& config);
QByteArray CodesCsv(const lab::LabConfig& config);

} // namespace bercli
