#include "core/sim/signalmodel.h"

#include <cmath>
#include <string>

namespace {

std::uint32_t g_randomState = 0;

void FillData(std::uint8_t ch, int spread, SampleArray& data)
{
    for (int bit = 0; bit < BitsPerChar; ++bit) {
        const std::int32_t value = (ch >> bit) & 1;
        for (int k = 0; k < spread; ++k)
            data[bit * spread + k] = value;
    }
}

void DrawChips(std::int64_t key, int count, SampleArray& chips)
{
    SeedRandom(static_cast<std::uint32_t>(static_cast<std::uint64_t>(key)));
    for (int n = 0; n < count; ++n)
        chips[n] = RandomEvent(0.5) ? 0 : 1;
}

void Spread(const SampleArray& data, const SampleArray& chips, int count, SampleArray& spread)
{
    for (int n = 0; n < count; ++n) {
        const std::int32_t x = data[n] ^ chips[n];
        spread[n] = x == 0 ? -1 : x;
    }
}

} // namespace

void SimInput::SetTextA(const std::string& text)
{
    TextA = text;
    CharA = text.empty() ? 0 : static_cast<std::uint8_t>(text.front());
}

void SimInput::SetTextB(const std::string& text)
{
    TextB = text;
    CharB = text.empty() ? 0 : static_cast<std::uint8_t>(text.front());
}

void SeedRandom(std::uint32_t seed)
{
    g_randomState = seed;
}

double NextRandom()
{
    g_randomState = g_randomState * 134775813u + 1u; // unsigned arithmetic wraps modulo 2^32
    return g_randomState * 2.3283064365386963e-10;
}

bool RandomEvent(double p)
{
    if (p >= 1)
        return true;
    return NextRandom() < p;
}

std::uint32_t RandomState()
{
    return g_randomState;
}

int SignOf(double x)
{
    return x >= 0 ? 1 : -1;
}

std::int64_t RoundKey(double key)
{
    // nearbyint rounds ties to even in the default rounding mode and raises nothing.
    const double r = std::nearbyint(key);
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!(r >= -limit && r < limit))
        throw EInvalidOp();
    return static_cast<std::int64_t>(r);
}

SimResult ComputeSignals(const SimInput& in)
{
    if (in.SpreadFactor < MinSpreadFactor || in.SpreadFactor > MaxSpreadFactor)
        throw std::invalid_argument("spreading factor " + std::to_string(in.SpreadFactor)
                                    + " is outside 2..20");

    const std::int64_t rx = RoundKey(in.KeyRx);
    const std::int64_t keyA = RoundKey(in.KeyA);
    const std::int64_t keyB = RoundKey(in.KeyB);

    SimResult r;
    r.SpreadFactor = in.SpreadFactor;
    r.ChipDuration = BitDuration / in.SpreadFactor;
    const int sf = in.SpreadFactor;
    const int count = r.SampleCount();

    r.SelectedChannel = rx == keyA ? '1' : rx == keyB ? '2' : '-';

    FillData(in.CharA, sf, r.DataA);
    DrawChips(keyA, count, r.ChipsA);
    Spread(r.DataA, r.ChipsA, count, r.SpreadA);

    FillData(in.CharB, sf, r.DataB);
    DrawChips(keyB, count, r.ChipsB);
    Spread(r.DataB, r.ChipsB, count, r.SpreadB);

    SeedRandom(static_cast<std::uint32_t>(static_cast<std::uint64_t>(rx)));
    for (int n = 0; n < count; ++n)
        r.RxChips[n] = RandomEvent(0.5) ? -1 : 1;

    for (int n = 0; n < count; ++n)
        r.Composite[n] = r.SpreadA[n] + r.SpreadB[n];

    for (int bit = 0; bit < BitsPerChar; ++bit) {
        std::int32_t sum = 0;
        for (int k = 0; k < sf; ++k) {
            const int n = bit * sf + k;
            sum += r.Composite[n] * r.RxChips[n];
            r.NegIntegral[n] = -sum;
        }
        r.BitSigns[bit] = SignOf(r.NegIntegral[(bit + 1) * sf - 1]);
    }

    std::uint32_t byte = 0;
    for (int bit = BitsPerChar - 1; bit >= 0; --bit)
        byte = byte * 2 + (r.BitSigns[bit] > 0 ? 1 : 0);
    r.RecoveredByte = static_cast<std::uint8_t>(byte);
    r.RecoveredText = std::string(1, static_cast<char>(r.RecoveredByte));

    r.TransmissionOk = (r.SelectedChannel == '1' && r.RecoveredText == in.TextA)
                       || (r.SelectedChannel == '2' && r.RecoveredText == in.TextB);
    return r;
}
