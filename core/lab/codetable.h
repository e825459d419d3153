#pragma once

// The users' codes of a configuration as a student looks at them: each user's chips and how
// strongly any two codes correlate, at the delays between them and at the worst delay.

#include "core/lab/labmodel.h"

#include <vector>

namespace lab {

struct CodeTable
{
    // Each user's chips; random codes change from bit to bit, and these are those of each user's
    // first bit, drawn from the seed as a run draws them.
    std::vector<Code> Codes;
    bool Random = false;
    std::vector<int> Delays; // each user's delay in chips, 0 for all when aligned
    // AtDelays[j][k]: the correlation over a bit of user j, its receiver aligned to it, with user
    // k's code at k's delay against j, as when k's bits on either side are equal (the periodic
    // correlation); N where j = k.
    std::vector<std::vector<int>> AtDelays;
    // Worst[j][k]: the largest magnitude of that correlation over every delay; over every delay
    // but 0 where j = k, the code against its own shifts.
    std::vector<std::vector<int>> Worst;
};

// Throws std::invalid_argument when CheckLabConfig fails.
CodeTable CodesOf(const LabConfig& config);

} // namespace lab
