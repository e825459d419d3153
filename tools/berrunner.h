#pragma once

#include "core/lab/bercurve.h"

#include <cstdint>
#include <functional>
#include <vector>

// The points of a --ber run on threads: every point of every curve is a task of its own, taken
// by the next free thread, and each starts from the seed, so the counts are the same for any
// number of threads. The only threads of the project: the window and the page measure in
// slices between frames instead.
namespace berrunner {

struct Progress
{
    std::size_t pointsDone = 0;
    std::size_t points = 0;
    std::uint64_t bits = 0;   // of all points so far, finished or not
    std::uint64_t errors = 0;
};
// Called on the calling thread, a few times a second while the points are measured.
using ProgressSink = std::function<void(const Progress&)>;

// One list of points per curve, in order. Rethrows the first failure of any point.
std::vector<std::vector<lab::CurvePoint>> Run(const std::vector<lab::CurveRequest>& curves, int jobs,
                                              const ProgressSink& progress = {});

} // namespace berrunner
