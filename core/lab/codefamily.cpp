#include "core/lab/codefamily.h"

#include <bit>
#include <stdexcept>

namespace lab {

namespace {

// Exponents of x^n + x^k + 1, a primitive trinomial for each length 2^n - 1 used here.
int TrinomialTap(int degree)
{
    switch (degree) {
    case 2: return 1;
    case 3: return 1;
    case 4: return 1;
    case 5: return 2;
    case 6: return 1;
    default: return 0;
    }
}

int DegreeOf(int length)
{
    return std::bit_width(unsigned(length + 1)) - 1; // length = 2^n - 1
}

bool IsMSequenceLength(int spread)
{
    return spread >= 3 && spread <= 63 && std::has_single_bit(unsigned(spread + 1));
}

bool IsGoldLength(int spread)
{
    return spread == 7 || spread == 31 || spread == 63;
}

// A preferred-pair decimation 2^k + 1: gcd(n, k) = 1 for odd n, 2 for n = 6.
int GoldDecimation(int spread)
{
    return spread == 63 ? 5 : 3;
}

} // namespace

const char* FamilyName(CodeFamily family)
{
    switch (family) {
    case CodeFamily::Random: return "random";
    case CodeFamily::Walsh: return "walsh";
    case CodeFamily::MSequence: return "msequence";
    case CodeFamily::Gold: return "gold";
    }
    return "";
}

std::optional<CodeFamily> ParseFamily(std::string_view name)
{
    for (CodeFamily f : {CodeFamily::Random, CodeFamily::Walsh, CodeFamily::MSequence, CodeFamily::Gold})
        if (name == FamilyName(f))
            return f;
    return std::nullopt;
}

std::string CheckSpread(CodeFamily family, int spread, int users)
{
    const std::string n = std::to_string(spread);
    const std::string k = std::to_string(users);
    switch (family) {
    case CodeFamily::Random:
        return {};
    case CodeFamily::Walsh:
        if (!std::has_single_bit(unsigned(spread)))
            return "walsh codes take a spreading factor 2, 4, 8, 16, 32 or 64, not " + n;
        if (spread < users)
            return "walsh codes of " + n + " chips serve at most " + n + " users, not " + k;
        return {};
    case CodeFamily::MSequence:
        if (!IsMSequenceLength(spread))
            return "msequence codes take a spreading factor 3, 7, 15, 31 or 63, not " + n;
        if (spread < users)
            return "msequence codes of " + n + " chips have " + n + " distinct shifts, too few for " + k + " users";
        return {};
    case CodeFamily::Gold:
        if (!IsGoldLength(spread))
            return "gold codes take a spreading factor 7, 31 or 63, not " + n;
        if (spread + 2 < users)
            return "gold codes of " + n + " chips number " + std::to_string(spread + 2) + ", too few for " + k + " users";
        return {};
    }
    return "unknown code family";
}

Code WalshCode(int spread, int row)
{
    Code code(spread);
    for (int n = 0; n < spread; ++n)
        code[n] = std::popcount(unsigned(row & n)) % 2 ? -1 : 1;
    return code;
}

Code MSequence(int spread)
{
    if (!IsMSequenceLength(spread))
        throw std::invalid_argument("no m-sequence of length " + std::to_string(spread));
    const int degree = DegreeOf(spread);
    const int tap = TrinomialTap(degree);
    // a[i + n] = a[i + k] xor a[i], from a register of ones.
    std::vector<int> bits(spread + degree, 1);
    for (int i = 0; i + degree < spread + degree; ++i)
        bits[i + degree] = bits[i + tap] ^ bits[i];
    Code code(spread);
    for (int n = 0; n < spread; ++n)
        code[n] = bits[n] ? -1 : 1;
    return code;
}

std::vector<Code> GoldFamily(int spread)
{
    if (!IsGoldLength(spread))
        throw std::invalid_argument("no Gold family of length " + std::to_string(spread));
    const Code a = MSequence(spread);
    const int q = GoldDecimation(spread);
    Code b(spread);
    for (int n = 0; n < spread; ++n)
        b[n] = a[(q * n) % spread];
    std::vector<Code> family = {a, b};
    for (int shift = 0; shift < spread; ++shift) {
        const Code s = Shifted(b, shift);
        Code g(spread);
        for (int n = 0; n < spread; ++n)
            g[n] = a[n] * s[n];
        family.push_back(g);
    }
    return family;
}

Code Shifted(const Code& code, int shift)
{
    const int length = int(code.size());
    Code out(length);
    for (int n = 0; n < length; ++n)
        out[n] = code[(n + shift) % length];
    return out;
}

std::vector<Code> FixedCodes(CodeFamily family, int spread, int users)
{
    const std::string reason = CheckSpread(family, spread, users);
    if (!reason.empty() || family == CodeFamily::Random)
        throw std::invalid_argument(reason.empty() ? "random codes change from bit to bit" : reason);
    std::vector<Code> codes;
    const std::vector<Code> gold = family == CodeFamily::Gold ? GoldFamily(spread) : std::vector<Code>{};
    const Code m = family == CodeFamily::MSequence ? MSequence(spread) : Code{};
    for (int user = 0; user < users; ++user) {
        switch (family) {
        case CodeFamily::Walsh: codes.push_back(WalshCode(spread, user)); break;
        case CodeFamily::MSequence: codes.push_back(Shifted(m, user)); break;
        // The products first, then the pair itself: a and b belong to the family as much.
        case CodeFamily::Gold: codes.push_back(gold[(2 + user) % gold.size()]); break;
        case CodeFamily::Random: break;
        }
    }
    return codes;
}

int PeriodicCorrelation(const Code& a, const Code& b, int shift)
{
    const int length = int(a.size());
    int sum = 0;
    for (int n = 0; n < length; ++n)
        sum += a[n] * b[(n + shift) % length];
    return sum;
}

} // namespace lab
