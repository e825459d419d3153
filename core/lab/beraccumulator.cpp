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
// a sum of exactly 0 decides 1, as in the signal model. With delays a user adds its later bit
// times the correlation over the part of the decoded bit that bit covers, and its earlier bit
// times that over the rest.
template <bool Delayed>
bool Decide(LabRandom& random, int users, int spread, double sigma, const std::array<double, MaxUsers>& amplitude,
            const std::array<int, MaxUsers>& late, const std::array<int, MaxUsers>& early,
            const std::array<int, MaxUsers>& data, const std::array<int, MaxUsers>& earlier, std::uint64_t rxWord)
{
    double sum = 0;
    for (int k = 0; k < users; ++k) {
        if constexpr (Delayed)
            sum += amplitude[k] * (data[k] * late[k] + earlier[k] * early[k]);
        else
            sum += amplitude[k] * data[k] * late[k];
    }
    if (sigma > 0)
        sum += sigma * NoiseSum(random, rxWord, spread);
    return sum >= 0;
}

// The correlation of the receiver's chips with user k's over the decoded bit, chip n of the
// receiver's bit meeting chip n - offset of k's later bit, or chip n - offset + N of its earlier
// one; chips as bits of words.
struct PartialCorrelation
{
    int late = 0;
    int early = 0;
};

PartialCorrelation Correlate(std::uint64_t rx, std::uint64_t later, std::uint64_t earlier, int offset, int spread)
{
    const std::uint64_t earlyMask = (std::uint64_t(1) << offset) - 1;
    const std::uint64_t lateMask = ChipMask(spread) & ~earlyMask;
    // Shifted in two steps, as a shift by the whole width of the word is undefined.
    const std::uint64_t tail = (earlier >> (spread - offset - 1)) >> 1;
    return {spread - offset - 2 * std::popcount(((later << offset) ^ rx) & lateMask),
            offset - 2 * std::popcount((tail ^ rx) & earlyMask)};
}

} // namespace

BerAccumulator::BerAccumulator(const LabConfig& c, std::optional<double> ebn0Db)
    : m_users(c.Users)
    , m_spread(c.Spread)
    , m_rx(c.Rx - 1)
    , m_randomCodes(c.Codes == CodeFamily::Random)
    , m_delayed(false)
    , m_random(c.Seed)
{
    if (std::string reason = CheckLabConfig(c); !reason.empty())
        throw std::invalid_argument(reason);
    if (ebn0Db && !(*ebn0Db >= MinEbN0Db && *ebn0Db <= MaxEbN0Db))
        throw std::invalid_argument("the lab takes an Eb/N0 from -100 to 100 dB");
    m_delayed = Unaligned(c);
    const std::vector<double> amplitudes = Amplitudes(c);
    for (int k = 0; k < c.Users; ++k) {
        m_amplitude[k] = amplitudes[k];
        if (m_delayed)
            m_offset[k] = (c.DelayChips[k] - c.DelayChips[m_rx] + c.Spread) % c.Spread;
    }
    if (ebn0Db)
        m_sigma = NoiseSigma(c, *ebn0Db);
    if (m_randomCodes) {
        const LcgJump jump(c.Spread);
        for (int k = 0; k < c.Users; ++k) {
            m_chipStates[k] = UserKey(c.Seed, k + 1);
            // A delayed user is already sending a bit when the decoded user's first one starts.
            if (m_offset[k] > 0)
                m_words[k] = jump.NextWord(m_chipStates[k]);
        }
    } else {
        const std::vector<Code> codes = FixedCodes(c.Codes, c.Spread, c.Users);
        const std::uint64_t rx = CodeWord(codes[m_rx]);
        for (int k = 0; k < c.Users; ++k) {
            const std::uint64_t word = CodeWord(codes[k]);
            const PartialCorrelation r = Correlate(rx, word, word, m_offset[k], c.Spread);
            m_late[k] = r.late;
            m_early[k] = r.early;
        }
        m_rxWord = rx;
    }
    for (int k = 0; k < c.Users; ++k)
        if (m_offset[k] > 0)
            m_data[k] = m_random.NextSign();
}

std::uint64_t BerAccumulator::Run(std::uint64_t bits, std::uint64_t errorLimit)
{
    bits = std::min(bits, MaxBits - m_count.Bits);
    if (errorLimit > 0 && m_count.Errors >= errorLimit)
        return 0;
    std::uint64_t sent = 0;
    if (m_randomCodes)
        sent = m_delayed ? RunRandomCodes<true>(bits, errorLimit) : RunRandomCodes<false>(bits, errorLimit);
    else
        sent = m_delayed ? RunFixedCodes<true>(bits, errorLimit) : RunFixedCodes<false>(bits, errorLimit);
    m_count.Bits += sent;
    return sent;
}

// Each loop works on copies of the streams, which the compiler can keep in registers.
template <bool Delayed>
std::uint64_t BerAccumulator::RunRandomCodes(std::uint64_t bits, std::uint64_t errorLimit)
{
    LabRandom random = m_random;
    std::array<std::uint32_t, MaxUsers> states = m_chipStates;
    std::array<std::uint64_t, MaxUsers> words = m_words;
    std::array<std::uint64_t, MaxUsers> earlierWords{};
    std::array<int, MaxUsers> data = m_data;
    std::array<int, MaxUsers> earlier{};
    const std::array<double, MaxUsers> amplitude = m_amplitude;
    const int users = m_users, spread = m_spread, rx = m_rx;
    const double sigma = m_sigma;
    const LcgJump jump(spread);
    const std::uint64_t mask = ChipMask(spread);
    std::array<int, MaxUsers> late{};
    std::array<int, MaxUsers> early{};
    std::uint64_t errors = m_count.Errors;
    std::uint64_t bit = 0;
    while (bit < bits) {
        if constexpr (Delayed) {
            earlierWords = words;
            earlier = data;
        }
        for (int k = 0; k < users; ++k)
            words[k] = jump.NextWord(states[k]);
        for (int k = 0; k < users; ++k) {
            data[k] = random.NextSign();
            if constexpr (Delayed) {
                const PartialCorrelation r = Correlate(words[rx], words[k], earlierWords[k], m_offset[k], spread);
                late[k] = r.late;
                early[k] = r.early;
            } else {
                late[k] = spread - 2 * std::popcount((words[k] ^ words[rx]) & mask);
            }
        }
        ++bit;
        if (Decide<Delayed>(random, users, spread, sigma, amplitude, late, early, data, earlier, words[rx]) != (data[rx] > 0)
            && ++errors == errorLimit)
            break;
    }
    m_random = random;
    m_chipStates = states;
    m_words = words;
    m_data = data;
    m_count.Errors = errors;
    return bit;
}

template <bool Delayed>
std::uint64_t BerAccumulator::RunFixedCodes(std::uint64_t bits, std::uint64_t errorLimit)
{
    LabRandom random = m_random;
    std::array<int, MaxUsers> data = m_data;
    std::array<int, MaxUsers> earlier{};
    const std::array<double, MaxUsers> amplitude = m_amplitude;
    const std::array<int, MaxUsers> late = m_late, early = m_early;
    const int users = m_users, spread = m_spread, rx = m_rx;
    const double sigma = m_sigma;
    const std::uint64_t rxWord = m_rxWord;
    std::uint64_t errors = m_count.Errors;
    std::uint64_t bit = 0;
    while (bit < bits) {
        if constexpr (Delayed)
            earlier = data;
        for (int k = 0; k < users; ++k)
            data[k] = random.NextSign();
        ++bit;
        if (Decide<Delayed>(random, users, spread, sigma, amplitude, late, early, data, earlier, rxWord) != (data[rx] > 0)
            && ++errors == errorLimit)
            break;
    }
    m_random = random;
    m_data = data;
    m_count.Errors = errors;
    return bit;
}

} // namespace lab
