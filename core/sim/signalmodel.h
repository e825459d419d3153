#pragma once

// The DS-CDMA signal model: two transmitters, one receiver, one character each, spread by
// chips drawn from a generator seeded with the channel keys. No window code here.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

// Raised when a key cannot be rounded into a signed 64-bit integer (NaN, infinite or beyond
// ±2^63). The text is the one users of the original program know.
class EInvalidOp : public std::runtime_error
{
public:
    EInvalidOp() : std::runtime_error("Invalid floating point operation") {}
};

constexpr int BitsPerChar = 8;
constexpr double BitDuration = 125.0;   // microseconds
constexpr int MinSpreadFactor = 2;
constexpr int MaxSpreadFactor = 20;
constexpr int MaxSamples = BitsPerChar * MaxSpreadFactor; // 160

struct SimInput
{
    std::string TextA = "Z";  // whole text of the character field (8-bit, normally one char)
    std::string TextB = "W";
    std::uint8_t CharA = 'Z'; // first byte of TextA, 0 when empty
    std::uint8_t CharB = 'W';
    double KeyA = 23;
    double KeyB = 44;
    double KeyRx = 23;
    std::int32_t SpreadFactor = 8;

    // Sets the text and keeps the code in step with it.
    void SetTextA(const std::string& text);
    void SetTextB(const std::string& text);
};

// Sample n (1-based, as in the traces' time axis) lives at index n - 1.
using SampleArray = std::array<std::int32_t, MaxSamples>;

struct SimResult
{
    std::int32_t SpreadFactor = 0;
    double ChipDuration = 0;
    SampleArray DataA{}, ChipsA{}, SpreadA{};
    SampleArray DataB{}, ChipsB{}, SpreadB{};
    SampleArray Composite{}, RxChips{}, NegIntegral{};
    std::array<std::int32_t, BitsPerChar> BitSigns{}; // bit 1 (least significant) first
    std::uint8_t RecoveredByte = 0;
    std::string RecoveredText;
    char SelectedChannel = '-';
    bool TransmissionOk = false;

    int SampleCount() const { return BitsPerChar * SpreadFactor; }
    // Trace I, the composite multiplied by the receiver's chips; n is 1-based.
    std::int32_t Despread(int n) const { return Composite[n - 1] * RxChips[n - 1]; }
};

// Throws EInvalidOp for a key that does not round into 64 bits and std::invalid_argument for a
// spreading factor outside 2..20; nothing is computed then.
SimResult ComputeSignals(const SimInput& input);

// The process-wide generator the chips are drawn from.
void SeedRandom(std::uint32_t seed);
double NextRandom();
bool RandomEvent(double p);
std::uint32_t RandomState();

int SignOf(double x);
// Nearest integer, ties to even; throws EInvalidOp when it does not fit a signed 64-bit integer.
std::int64_t RoundKey(double key);
