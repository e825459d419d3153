#include "core/lab/bercurve.h"

namespace lab {

CurvePoint MeasurePoint(const CurveRequest& request, std::size_t index)
{
    CurvePoint p;
    p.EbN0Db = request.EbN0Db.at(index);
    p.Count = SimulateBer(request.Config, p.EbN0Db, request.Bits);
    p.Ci95 = Wilson95(p.Count.Errors, p.Count.Bits);
    p.Theory = TheoryFor(request.Config, p.EbN0Db);
    return p;
}

std::vector<CurvePoint> MeasureCurve(const CurveRequest& request)
{
    std::vector<CurvePoint> points;
    for (std::size_t i = 0; i < request.EbN0Db.size(); ++i)
        points.push_back(MeasurePoint(request, i));
    return points;
}

} // namespace lab
