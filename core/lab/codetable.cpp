#include "core/lab/codetable.h"

#include "core/lab/labrandom.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace lab {

CodeTable CodesOf(const LabConfig& c)
{
    if (std::string reason = CheckLabConfig(c); !reason.empty())
        throw std::invalid_argument(reason);
    CodeTable table;
    table.Random = c.Codes == CodeFamily::Random;
    if (table.Random) {
        for (int k = 1; k <= c.Users; ++k) {
            LcgChips chips(UserKey(c.Seed, k));
            Code code(c.Spread);
            for (int& chip : code)
                chip = chips.NextChip();
            table.Codes.push_back(code);
        }
    } else {
        table.Codes = FixedCodes(c.Codes, c.Spread, c.Users);
    }
    table.Delays = c.DelayChips.empty() ? std::vector<int>(c.Users, 0) : c.DelayChips;
    const int n = c.Spread;
    table.AtDelays.assign(c.Users, std::vector<int>(c.Users, 0));
    table.Worst.assign(c.Users, std::vector<int>(c.Users, 0));
    for (int j = 0; j < c.Users; ++j) {
        for (int k = 0; k < c.Users; ++k) {
            // Chip m of j's bit meets chip m - delay of k's, the delay that of k against j.
            const int delay = ((table.Delays[k] - table.Delays[j]) % n + n) % n;
            table.AtDelays[j][k] = PeriodicCorrelation(table.Codes[j], table.Codes[k], (n - delay) % n);
            for (int shift = j == k ? 1 : 0; shift < n; ++shift)
                table.Worst[j][k] = std::max(table.Worst[j][k],
                                             std::abs(PeriodicCorrelation(table.Codes[j], table.Codes[k], shift)));
        }
    }
    return table;
}

} // namespace lab
