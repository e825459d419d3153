#include "core/sim/decisionmargins.h"

#include <algorithm>
#include <cstdlib>

int BitMargins::BitErrors() const
{
    if (!HasWanted)
        return 0;
    return int(std::count(BitOk.begin(), BitOk.end(), false));
}

int BitMargins::MinMargin() const
{
    int smallest = std::abs(EndValue[0]);
    for (std::int32_t v : EndValue)
        smallest = std::min(smallest, int(std::abs(v)));
    return smallest;
}

BitMargins ComputeMargins(const SimResult& r)
{
    BitMargins m;
    const int sf = r.SpreadFactor;
    m.HasWanted = r.SelectedChannel == '1' || r.SelectedChannel == '2';
    for (int bit = 0; bit < BitsPerChar; ++bit) {
        std::int32_t a = 0, b = 0;
        for (int k = 0; k < sf; ++k) {
            const int n = bit * sf + k;
            a -= r.SpreadA[n] * r.RxChips[n];
            b -= r.SpreadB[n] * r.RxChips[n];
        }
        m.PartA[bit] = a;
        m.PartB[bit] = b;
        m.EndValue[bit] = r.NegIntegral[(bit + 1) * sf - 1];
        m.Decision[bit] = r.BitSigns[bit] > 0 ? 1 : 0;
        if (!m.HasWanted)
            continue;
        const bool channelA = r.SelectedChannel == '1';
        m.Wanted[bit] = channelA ? a : b;
        m.Interference[bit] = channelA ? b : a;
        // The data trace holds the sent bit on every chip of the bit.
        const std::int32_t sent = channelA ? r.DataA[bit * sf] : r.DataB[bit * sf];
        m.BitOk[bit] = m.Decision[bit] == sent;
    }
    return m;
}

std::vector<SweepPoint> SweepSpreadFactors(SimInput input)
{
    std::vector<SweepPoint> points;
    for (int sf = MinSpreadFactor; sf <= MaxSpreadFactor; ++sf) {
        input.SpreadFactor = sf;
        const SimResult r = ComputeSignals(input);
        const BitMargins m = ComputeMargins(r);
        SweepPoint p;
        p.SpreadFactor = sf;
        p.RecoveredByte = r.RecoveredByte;
        p.TransmissionOk = r.TransmissionOk;
        if (m.HasWanted)
            p.BitErrors = m.BitErrors();
        p.MinMargin = m.MinMargin();
        points.push_back(p);
    }
    return points;
}
