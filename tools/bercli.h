#pragma once

#include "core/lab/bercurve.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

class QCommandLineParser;

// dscdma-sim --ber: the options of a bit-error-rate run, and its JSON and CSV. The run itself is
// the lab's curve measurement.
namespace bercli {

// The names of the options only --ber reads.
const QStringList& OwnOptions();

// Reads the request from a parsed command line; returns the first usage error as one line, or
// an empty text.
QString Read(const QCommandLineParser& parser, lab::CurveRequest& request);

QByteArray Json(const lab::CurveRequest& request, const std::vector<lab::CurvePoint>& points);
QByteArray Csv(const std::vector<lab::CurvePoint>& points);

} // namespace bercli
