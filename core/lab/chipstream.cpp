#include "core/lab/chipstream.h"

#include "core/lab/beraccumulator.h"

#include <algorithm>

namespace lab {

namespace {

// The measurement's own refusals, so that a set-up it takes is one this takes: it throws them.
const LabConfig& Checked(const LabConfig& c, std::optional<double> ebn0Db)
{
    BerAccumulator(c, ebn0Db);
    return c;
}

} // namespace

ChipStream::ChipStream(const LabConfig& c, std::optional<double> ebn0Db)
    : m_users(Checked(c, ebn0Db).Users)
    , m_spread(c.Spread)
    , m_rx(c.Rx - 1)
    , m_randomCodes(c.Codes == CodeFamily::Random)
    , m_sigma(ebn0Db ? NoiseSigma(c, *ebn0Db) : 0.0)
    , m_random(c.Seed)
{
    const std::vector<double> amplitudes = Amplitudes(c);
    std::copy(amplitudes.begin(), amplitudes.end(), m_amplitude.begin());
    if (Unaligned(c))
        for (int k = 0; k < c.Users; ++k)
            m_offset[k] = (c.DelayChips[k] - c.DelayChips[m_rx] + c.Spread) % c.Spread;
    if (m_randomCodes) {
        m_codes.assign(c.Users, std::vector<int>(c.Spread, 1));
        for (int k = 0; k < c.Users; ++k) {
            m_chipStates[k] = UserKey(c.Seed, k + 1);
            // A delayed user is already sending a bit when the decoded user's first one starts.
            if (m_offset[k] > 0)
                nextChips(k);
        }
    } else {
        m_codes = FixedCodes(c.Codes, c.Spread, c.Users);
    }
    m_earlierCodes = m_codes;
    for (int k = 0; k < c.Users; ++k)
        if (m_offset[k] > 0)
            m_data[k] = m_random.NextSign();
}

void ChipStream::nextChips(int k)
{
    LcgChips chips(m_chipStates[k]);
    const std::uint64_t word = chips.NextChipWord(m_spread);
    m_chipStates[k] = chips.State();
    for (int i = 0; i < m_spread; ++i)
        m_codes[k][i] = (word >> i) & 1u ? 1 : -1;
}

int ChipStream::chipAt(int k, int i, int& data) const
{
    const int offset = m_offset[k];
    if (i < offset) {
        data = m_earlier[k];
        return m_earlierCodes[k][i - offset + m_spread];
    }
    data = m_data[k];
    return m_codes[k][i - offset];
}

double ChipStream::InterferenceVariance() const
{
    double variance = 0;
    for (int k = 0; k < m_users; ++k) {
        if (k == m_rx)
            continue;
        const double a2 = m_amplitude[k] * m_amplitude[k];
        if (m_randomCodes) {
            variance += a2 * m_spread;
        } else {
            // The later bit over chips offset.., the earlier one over the first chips.
            const std::vector<int>& code = m_codes[k];
            const std::vector<int>& rx = m_codes[m_rx]; // the decoded user is never delayed against itself
            double late = 0, early = 0;
            for (int i = 0; i < m_spread; ++i) {
                const int o = m_offset[k];
                if (i < o)
                    early += rx[i] * code[i - o + m_spread];
                else
                    late += rx[i] * code[i - o];
            }
            variance += a2 * (late * late + early * early);
        }
    }
    return variance;
}

// The draws in BerAccumulator's order: every user's chips (random codes), every user's data, then
// one noise sample per chip; the decision summed as it sums it, term by term.
void ChipStream::Next(ChipBit& bit)
{
    const int n = m_spread;
    m_earlier = m_data;
    if (m_randomCodes) {
        std::swap(m_earlierCodes, m_codes);
        for (int k = 0; k < m_users; ++k)
            nextChips(k);
    }
    for (int k = 0; k < m_users; ++k)
        m_data[k] = m_random.NextSign();

    const std::vector<int>& rx = m_codes[m_rx]; // the decoded user is never delayed against itself
    bit.Sent = m_data[m_rx];
    bit.RxChips = rx;
    bit.Wanted.assign(n, 0.0);
    bit.Others.assign(n, 0.0);
    bit.Noise.assign(n, 0.0);
    double sum = 0;
    for (int k = 0; k < m_users; ++k) {
        const std::vector<int>& code = m_codes[k];
        std::vector<double>& part = k == m_rx ? bit.Wanted : bit.Others;
        int correlation = 0;
        if (m_offset[k] == 0) {
            for (int i = 0; i < n; ++i) {
                part[i] += m_amplitude[k] * m_data[k] * code[i];
                correlation += code[i] * rx[i];
            }
            sum += m_amplitude[k] * m_data[k] * correlation;
            continue;
        }
        // Summed as the accumulator sums it: the later bit's share, then the earlier one's.
        int late = 0, early = 0;
        for (int i = 0; i < n; ++i) {
            int data = 0;
            const int chip = chipAt(k, i, data);
            part[i] += m_amplitude[k] * data * chip;
            (i < m_offset[k] ? early : late) += chip * rx[i];
        }
        sum += m_amplitude[k] * (m_data[k] * late + m_earlier[k] * early);
    }
    if (m_sigma > 0) {
        double noise = 0;
        for (int i = 0; i < n; ++i) {
            const double z = m_random.NextGaussian();
            noise += rx[i] > 0 ? z : -z;
            bit.Noise[i] = m_sigma * z;
        }
        sum += m_sigma * noise;
    }
    bit.Decision = sum;
}

} // namespace lab
