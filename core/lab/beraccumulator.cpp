#include "core/lab/beraccumulator.h"

#include <bit>
#include <stdexcept>
#include <string>

namespace lab {

namespace {

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
    explicit LcgJump(int spread) : m_spread(spread)
    {
        std::uint32_t mult = 1, add = 0;
        for (int n = 0; n < spread; ++n) {
            mult *= LcgChips::Multiplier;
            add = add * LcgChips::Multiplier + 1u;
            m_mult[n] = mult;
            m_add[n] = add;
        }
    }

    std::uint64_t NextWord(std::uint32_t& state) const
    {
        std::uint64_t word = 0;
        for (int n = 0; n < m_spread; ++n)
            word |= std::uint64_t((m_mult[n] * state + m_add[n]) >> 31) << n;
        state = m_mult[m_spread - 1] * state + m_add[m_spread - 1];
        return word;
    }

private:
    int m_spread;
    std::array<std::uint32_t, MaxSpread> m_mult{}, m_add{};
};

// The decision of one bit: the correlation with the receiver's chips is the wanted user's
// N A d plus every other user's A d times the correlation of the two codes, plus the noise;
// a sum of exactly 0 decides 1, as in the signal model.
bool Decide(LabRandom& random, int users, int spread, double sigma, const std::array<double, MaxUsers>& amplitude,
            const std::array<int, MaxUsers>& correlation, const std::array<int, MaxUsers>& data, std::uint64_t rxWord)
{
    double sum = 0;
    for (int k = 0; k < users; ++k)
        sum += amplitude[k] * data[k] * correlation[k];
    if (sigma > 0)
        sum += sigma * NoiseSum(random, rxWord, spread);
    return sum >= 0;
}

} // namespace

BerAccumulator::BerAccumulator(const LabConfig& c, std::optional<double> ebn0Db)
    : m_users(c.Users)
    , m_spread(c.Spread)
    , m_rx(c.Rx - 1)
    , m_randomCodes(c.Codes == CodeFamily::Random)
    , m_random(c.Seed)
{
    if (std::string reason = CheckLabConfig(c); !reason.empty())
        throw std::invalid_argument(reason);
    if (ebn0Db && !(*ebn0Db >= MinEbN0Db && *ebn0Db <= MaxEbN0Db))
        throw std::invalid_argument("the lab takes an Eb/N0 from -100 to 100 dB");
    const std::vector<double> amplitudes = Amplitudes(c);
    for (int k = 0; k < c.Users; ++k)
        m_amplitude[k] = amplitudes[k];
    if (ebn0Db)
        m_sigma = NoiseSigma(c, *ebn0Db);
    if (m_randomCodes) {
        for (int k = 0; k < c.Users; ++k)
            m_chipStates[k] = UserKey(c.Seed, k + 1);
        return;
    }
    const std::vector<Code> codes = FixedCodes(c.Codes, c.Spread, c.Users);
    for (int k = 0; k < c.Users; ++k)
        m_correlation[k] = PeriodicCorrelation(codes[k], codes[m_rx]);
    m_rxWord = CodeWord(codes[m_rx]);
}

std::uint64_t BerAccumulator::Run(std::uint64_t bits, std::uint64_t errorLimit)
{
    bits = std::min(bits, MaxBits - m_count.Bits);
    if (errorLimit > 0 && m_count.Errors >= errorLimit)
        return 0;
    const std::uint64_t sent = m_randomCodes ? RunRandomCodes(bits, errorLimit) : RunFixedCodes(bits, errorLimit);
    m_count.Bits += sent;
    return sent;
}

// Each loop works on copies of the streams, which the compiler can keep in registers.
std::uint64_t BerAccumulator::RunRandomCodes(std::uint64_t bits, std::uint64_t errorLimit)
{
    LabRandom random = m_random;
    std::array<std::uint32_t, MaxUsers> states = m_chipStates;
    const LcgJump jump(m_spread);
    const std::uint64_t mask = ChipMask(m_spread);
    std::array<std::uint64_t, MaxUsers> words{};
    std::array<int, MaxUsers> data{};
    std::array<int, MaxUsers> correlation{};
    std::uint64_t errors = m_count.Errors;
    std::uint64_t bit = 0;
    while (bit < bits) {
        for (int k = 0; k < m_users; ++k)
            words[k] = jump.NextWord(states[k]);
        for (int k = 0; k < m_users; ++k) {
            data[k] = random.NextSign();
            correlation[k] = m_spread - 2 * std::popcount((words[k] ^ words[m_rx]) & mask);
        }
        ++bit;
        if (Decide(random, m_users, m_spread, m_sigma, m_amplitude, correlation, data, words[m_rx]) != (data[m_rx] > 0)
            && ++errors == errorLimit)
            break;
    }
    m_random = random;
    m_chipStates = states;
    m_count.Errors = errors;
    return bit;
}

std::uint64_t BerAccumulator::RunFixedCodes(std::uint64_t bits, std::uint64_t errorLimit)
{
    LabRandom random = m_random;
    std::array<int, MaxUsers> data{};
    std::uint64_t errors = m_count.Errors;
    std::uint64_t bit = 0;
    while (bit < bits) {
        for (int k = 0; k < m_users; ++k)
            data[k] = random.NextSign();
        ++bit;
        if (Decide(random, m_users, m_spread, m_sigma, m_amplitude, m_correlation, data, m_rxWord) != (data[m_rx] > 0)
            && ++errors == errorLimit)
            break;
    }
    m_random = random;
    m_count.Errors = errors;
    return bit;
}

} // namespace lab
