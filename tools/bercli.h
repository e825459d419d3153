#pragma once

#include "bertheory.h"
#include "labmodel.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class QCommandLineParser;

// dscdma-sim --ber: the options of a bit-error-rate run, the run itself and its JSON and CSV.
namespace BerCli {

constexpr std::uint64_t DefaultBits = 100000;
constexpr int MaxPoints = 1000;
constexpr std::uint64_t MaxSeed = 4294967295; // exact as a JSON number

struct Request
{
    lab::LabConfig config;
    std::vector<std::optional<double>> ebn0Db; // one entry per point; nullopt: no noise
    std::uint64_t bits = DefaultBits;
};

struct Point
{
    std::optional<double> ebn0Db;
    lab::BerCount count;
    lab::Interval ci95;
    std::optional<lab::Theory> theory;
};

// The names of the options only --ber reads.
const QStringList& OwnOptions();

// Reads the request from a parsed command line; returns the first usage error as one line, or
// an empty text.
QString Read(const QCommandLineParser& parser, Request& request);

// Every point from the seed, in order.
std::vector<Point> Run(const Request& request);

QByteArray Json(const Request& request, const std::vector<Point>& points);
QByteArray Csv(const std::vector<Point>& points);

} // namespace BerCli
