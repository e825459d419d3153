#include "core/lab/labtraces.h"

#include "core/lab/chipstream.h"

#include <stdexcept>

namespace lab {

LabTraces TracesOf(const LabConfig& config, std::optional<double> ebn0Db, int bits)
{
    if (bits < 1 || bits > MaxTraceBits)
        throw std::invalid_argument("the signals show 1 to 16 bits");
    ChipStream stream(config, ebn0Db);
    LabTraces t;
    t.Spread = stream.Spread();
    t.Bits = bits;
    t.WantedAmplitude = stream.WantedAmplitude();
    ChipBit bit;
    for (int b = 0; b < bits; ++b) {
        stream.Next(bit);
        t.Sent.push_back(bit.Sent);
        t.Decision.push_back(bit.Decision);
        t.Decided.push_back(bit.Decision >= 0 ? 1 : -1);
        double sum = 0;
        for (int i = 0; i < t.Spread; ++i) {
            const double received = bit.Received(i);
            sum += received * bit.RxChips[i];
            t.RxChips.push_back(bit.RxChips[i]);
            t.Wanted.push_back(bit.Wanted[i]);
            t.Received.push_back(received);
            t.RunningSum.push_back(sum);
        }
    }
    return t;
}

int TraceBits(int spread)
{
    return spread > 32 ? 4 : 8;
}

} // namespace lab
