#include "core/lab/labmodel.h"

#include "core/lab/labrandom.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace lab {

namespace {

// Keep the users' keys and delays apart from the stream of data and noise drawn from the same
// seed, and from each other.
constexpr std::uint64_t KeySalt = 0x6C61622D6B657973ull;
constexpr std::uint64_t DelaySalt = 0x6C61622D64656C61ull;

} // namespace

std::string CheckLabConfig(const LabConfig& c)
{
    if (c.Users < MinUsers || c.Users > MaxUsers)
        return "the lab takes 1 to 8 users, not " + std::to_string(c.Users);
    if (c.Spread < MinSpread || c.Spread > MaxSpread)
        return "the lab takes a spreading factor 2 to 64, not " + std::to_string(c.Spread);
    if (std::string reason = CheckSpread(c.Codes, c.Spread, c.Users); !reason.empty())
        return reason;
    if (!c.PowerDb.empty() && int(c.PowerDb.size()) != c.Users)
        return "one power per user: " + std::to_string(c.Users) + " wanted, " + std::to_string(c.PowerDb.size())
               + " given";
    for (double p : c.PowerDb)
        if (!(std::fabs(p) <= MaxPowerDb))
            return "a power lies between -100 and 100 dB";
    if (c.Rx < 1 || c.Rx > c.Users)
        return "the decoded user is one of users 1 to " + std::to_string(c.Users) + ", not " + std::to_string(c.Rx);
    if (c.DelayChips.empty())
        return {};
    if (int(c.DelayChips.size()) != c.Users)
        return "one delay per user: " + std::to_string(c.Users) + " wanted, " + std::to_string(c.DelayChips.size())
               + " given";
    for (int d : c.DelayChips)
        if (d < 0 || d >= c.Spread)
            return "a delay lies between 0 and " + std::to_string(c.Spread - 1) + " chips at a spreading factor of "
                   + std::to_string(c.Spread) + ", not " + std::to_string(d);
    if (c.DelayChips.front() != 0)
        return "user 1 sets the time: its delay is 0, not " + std::to_string(c.DelayChips.front());
    return {};
}

std::vector<int> DrawDelays(std::uint64_t seed, int users, int spread)
{
    std::uint64_t state = seed ^ DelaySalt;
    std::vector<int> delays(std::max(users, 0), 0);
    for (int k = 1; k < users; ++k)
        delays[k] = int(SplitMix64(state) % std::uint64_t(spread));
    return delays;
}

bool Unaligned(const LabConfig& c)
{
    for (int d : c.DelayChips)
        if (d != c.DelayChips.at(c.Rx - 1))
            return true;
    return false;
}

std::vector<double> Amplitudes(const LabConfig& c)
{
    std::vector<double> out(c.Users, 1.0);
    for (std::size_t k = 0; k < c.PowerDb.size() && k < out.size(); ++k)
        out[k] = DbToRatio(c.PowerDb[k], 20);
    return out;
}

double NoiseSigma(const LabConfig& c, double ebn0Db)
{
    const double a = Amplitudes(c).at(c.Rx - 1);
    return std::sqrt(c.Spread * a * a / (2 * DbToRatio(ebn0Db, 10)));
}

std::uint32_t UserKey(std::uint64_t seed, int user)
{
    std::uint64_t state = seed ^ KeySalt;
    std::uint64_t key = 0;
    for (int k = 0; k < user; ++k)
        key = SplitMix64(state);
    return std::uint32_t(key);
}

} // namespace lab
