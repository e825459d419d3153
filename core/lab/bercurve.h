#pragma once

// A bit-error-rate curve of the lab: one configuration measured at a list of Eb/N0 levels, each
// point from the seed with its count, its 95 % interval and the theory.

#include "core/lab/bertheory.h"
#include "core/lab/labmodel.h"
#include "core/lab/ratetheory.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace lab {

constexpr std::uint64_t DefaultBits = 100000;
constexpr int MaxPoints = 1000;
constexpr std::uint64_t MaxSeed = 4294967295; // exact as a JSON number

// What the curves of one run differ in, when a run draws several.
enum class Varying { None, Spread, Users, Codes };

struct CurveRequest
{
    LabConfig Config;
    std::vector<std::optional<double>> EbN0Db; // one entry per point; nullopt: no noise
    std::uint64_t Bits = DefaultBits;          // per point and user
    // Above 0, a point ends at the bit that brings its errors to this many.
    std::uint64_t MaxErrors = 0;
};

struct CurvePoint
{
    std::optional<double> EbN0Db;
    BerCount Count;
    Interval Ci95;
    lab::Theory Theory;
};

// A point from its count: Wilson's interval, or the exact one when the request ends points at
// an error, whose number of bits then depends on the errors; and the theory at its level.
CurvePoint CompletePoint(const CurveRequest& request, std::optional<double> ebn0Db, const BerCount& count,
                         const RateTheory& theory);
// Point `index` of the request, from the seed. Throws what BerAccumulator throws, and
// std::invalid_argument for a number of bits outside 1..MaxBits.
CurvePoint MeasurePoint(const CurveRequest& request, std::size_t index, const RateTheory& theory);
// Every point, in order.
std::vector<CurvePoint> MeasureCurve(const CurveRequest& request);

} // namespace lab
