#pragma once

// A bit-error-rate curve of the lab: one configuration measured at a list of Eb/N0 levels, each
// point from the seed with its count, its 95 % interval and the theory where a formula holds.

#include "core/lab/bertheory.h"
#include "core/lab/labmodel.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace lab {

constexpr std::uint64_t DefaultBits = 100000;
constexpr int MaxPoints = 1000;
constexpr std::uint64_t MaxSeed = 4294967295; // exact as a JSON number

struct CurveRequest
{
    LabConfig Config;
    std::vector<std::optional<double>> EbN0Db; // one entry per point; nullopt: no noise
    std::uint64_t Bits = DefaultBits;          // per point and user
};

struct CurvePoint
{
    std::optional<double> EbN0Db;
    BerCount Count;
    Interval Ci95;
    std::optional<lab::Theory> Theory;
};

// Point `index` of the request, from the seed. Throws what SimulateBer throws.
CurvePoint MeasurePoint(const CurveRequest& request, std::size_t index);
// Every point, in order.
std::vector<CurvePoint> MeasureCurve(const CurveRequest& request);

} // namespace lab
