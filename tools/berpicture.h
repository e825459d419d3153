#pragma once

#include "bercli.h"

#include <memory>

class Chart;
class Dictionary;

// The picture of a --ber run: one chart in the style of the main window's, the bit-error rate on
// a logarithmic scale over Eb/N0, each measured point with its 95 % interval, and the theory as
// curves (the exact rate and the Gaussian approximation where they hold, else a single user's
// rate for reference). Every caption goes through the translator.
namespace BerPicture {

constexpr int Width = 785;
constexpr int Height = 345;

// The y range: whole decades around every interval bound and every theory value at the points,
// from at least 1e-9 to at most 1, at least one decade.
struct Decades
{
    double Low = 1e-3;
    double High = 1;
};
Decades RateRange(const std::vector<BerCli::Point>& points);

// Needs at least one point with an Eb/N0.
std::unique_ptr<Chart> RatesChart(const BerCli::Request& request, const std::vector<BerCli::Point>& points,
                                  Dictionary& translator);

} // namespace BerPicture
