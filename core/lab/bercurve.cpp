#include "core/lab/bercurve.h"

#include "core/lab/beraccumulator.h"

#include <stdexcept>

namespace lab {

CurvePoint CompletePoint(const CurveRequest& request, std::optional<double> ebn0Db, const BerCount& count,
                         const RateTheory& theory)
{
    CurvePoint p;
    p.EbN0Db = ebn0Db;
    p.Count = count;
    p.Ci95 = request.MaxErrors > 0 ? ClopperPearson95(count.Errors, count.Bits) : Wilson95(count.Errors, count.Bits);
    p.Theory = theory.At(ebn0Db);
    return p;
}

CurvePoint MeasurePoint(const CurveRequest& request, std::size_t index, const RateTheory& theory)
{
    const std::optional<double> ebn0Db = request.EbN0Db.at(index);
    if (request.Bits == 0 || request.Bits > MaxBits)
        throw std::invalid_argument("the lab sends 1 to 10^9 bits per point");
    BerAccumulator accumulator(request.Config, ebn0Db);
    accumulator.Run(request.Bits, request.MaxErrors);
    return CompletePoint(request, ebn0Db, accumulator.Count(), theory);
}

std::vector<CurvePoint> MeasureCurve(const CurveRequest& request)
{
    const RateTheory theory(request.Config);
    std::vector<CurvePoint> points;
    for (std::size_t i = 0; i < request.EbN0Db.size(); ++i)
        points.push_back(MeasurePoint(request, i, theory));
    return points;
}

} // namespace lab
