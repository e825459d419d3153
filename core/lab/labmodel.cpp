#include "labmodel.h"

#include "labrandom.h"

#include <array>
#include <bit>
#include <cmath>
#include <stdexcept>

namespace lab {

namespace {

// Keeps the users' keys apart from the stream of data and noise drawn from the same seed.
constexpr std::uint64_t KeySalt = 0x6C61622D6B657973ull;

std::uint64_t ChipMask(int spread)
{
    return spread == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << spread) - 1;
}

std::uint64_t CodeWord(const Code& code)
{
    std::uint64_t word = 0;
    for (std::size_t n = 0; n < code.size(); ++n)
        if (code[n] > 0)
            word |= std::uint64_t(1) << n;
    return word;
}

// The correlator's noise term, sum over the bit's chips of the receiver's chip times a fresh
// standard normal sample; chip n is +1 where bit n of rxWord is set.
double NoiseSum(LabRandom& random, std::uint64_t rxWord, int spread)
{
    double sum = 0;
    for (int n = 0; n < spread; ++n) {
        const double z = random.NextGaussian();
        sum += (rxWord >> n) & 1u ? z : -z;
    }
    return sum;
}

// The signal model's generator stepped `spread` times at once: from any state s the state after
// n + 1 steps is Mult[n] s + Add[n] (modulo 2^32), so the chips of a bit do not wait on each
// other. Gives exactly the chips of LcgChips::NextChipWord.
class LcgJump
{
public:
    explicit LcgJump(int spread) : spread_(spread)
    {
        std::uint32_t mult = 1, add = 0;
        for (int n = 0; n < spread; ++n) {
            mult *= LcgChips::Multiplier;
            add = add * LcgChips::Multiplier + 1u;
            mult_[n] = mult;
            add_[n] = add;
        }
    }

    std::uint64_t NextWord(std::uint32_t& state) const
    {
        std::uint64_t word = 0;
        for (int n = 0; n < spread_; ++n)
            word |= std::uint64_t((mult_[n] * state + add_[n]) >> 31) << n;
        state = mult_[spread_ - 1] * state + add_[spread_ - 1];
        return word;
    }

private:
    int spread_;
    std::array<std::uint32_t, MaxSpread> mult_{}, add_{};
};

struct Run
{
    int users;
    int spread;
    int rx; // 0-based
    std::array<double, MaxUsers> amplitude{};
    double sigma = 0; // 0: no noise
};

// The decision of one bit: the correlation with the receiver's chips is the wanted user's
// N A d plus every other user's A d times the correlation of the two codes, plus the noise;
// a sum of exactly 0 decides 1, as in the signal model.
bool Decide(LabRandom& random, const Run& run, const std::array<int, MaxUsers>& correlation,
            const std::array<int, MaxUsers>& data, std::uint64_t rxWord)
{
    double sum = 0;
    for (int k = 0; k < run.users; ++k)
        sum += run.amplitude[k] * data[k] * correlation[k];
    if (run.sigma > 0)
        sum += run.sigma * NoiseSum(random, rxWord, run.spread);
    return sum >= 0;
}

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
    return {};
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

BerCount SimulateBer(const LabConfig& c, std::optional<double> ebn0Db, std::uint64_t bits)
{
    if (std::string reason = CheckLabConfig(c); !reason.empty())
        throw std::invalid_argument(reason);
    if (bits == 0 || bits > MaxBits)
        throw std::invalid_argument("the lab sends 1 to 10^9 bits per point");
    if (ebn0Db && !(*ebn0Db >= MinEbN0Db && *ebn0Db <= MaxEbN0Db))
        throw std::invalid_argument("the lab takes an Eb/N0 from -100 to 100 dB");

    Run run{c.Users, c.Spread, c.Rx - 1};
    const std::vector<double> amplitudes = Amplitudes(c);
    for (int k = 0; k < c.Users; ++k)
        run.amplitude[k] = amplitudes[k];
    if (ebn0Db)
        run.sigma = NoiseSigma(c, *ebn0Db);

    LabRandom random(c.Seed);
    const std::uint64_t mask = ChipMask(c.Spread);
    std::array<int, MaxUsers> data{};
    std::array<int, MaxUsers> correlation{};
    BerCount count{bits, 0};

    if (c.Codes == CodeFamily::Random) {
        const LcgJump jump(c.Spread);
        std::array<std::uint32_t, MaxUsers> states{};
        for (int k = 0; k < c.Users; ++k)
            states[k] = UserKey(c.Seed, k + 1);
        std::array<std::uint64_t, MaxUsers> words{};
        for (std::uint64_t bit = 0; bit < bits; ++bit) {
            for (int k = 0; k < c.Users; ++k)
                words[k] = jump.NextWord(states[k]);
            for (int k = 0; k < c.Users; ++k) {
                data[k] = random.NextSign();
                correlation[k] = c.Spread - 2 * std::popcount((words[k] ^ words[run.rx]) & mask);
            }
            if (Decide(random, run, correlation, data, words[run.rx]) != (data[run.rx] > 0))
                ++count.Errors;
        }
        return count;
    }

    const std::vector<Code> codes = FixedCodes(c.Codes, c.Spread, c.Users);
    for (int k = 0; k < c.Users; ++k)
        correlation[k] = PeriodicCorrelation(codes[k], codes[run.rx]);
    const std::uint64_t rxWord = CodeWord(codes[run.rx]);
    for (std::uint64_t bit = 0; bit < bits; ++bit) {
        for (int k = 0; k < c.Users; ++k)
            data[k] = random.NextSign();
        if (Decide(random, run, correlation, data, rxWord) != (data[run.rx] > 0))
            ++count.Errors;
    }
    return count;
}

} // namespace lab
