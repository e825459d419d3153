#include "core/lab/labrandom.h"

#include <array>
#include <cmath>

namespace lab {

namespace {

constexpr double Ln2Hi = 6.93147180369123816490e-01; // ln 2 in two parts: k * Ln2Hi is exact
constexpr double Ln2Lo = 1.90821492927058770002e-10;
constexpr double InvLn2 = 1.44269504088896338700e+00;
constexpr double Ln10 = 2.30258509299404568402e+00;

// 2^-52 and 2^-53 as exact scale factors for the top bits of a word.
constexpr double TwoPowMinus52 = 1.0 / 4503599627370496.0;
constexpr double TwoPowMinus53 = 1.0 / 9007199254740992.0;

// The ziggurat of exp(-x^2 / 2) in 256 strips of equal area V; R is where the tail begins.
constexpr int Strips = 256;
constexpr double R = 3.6541528853610088;
constexpr double V = 0.004928673233974658; // R f(R) + the tail's area

struct Ziggurat
{
    // X[i] is the right edge of strip i (X[0] that of the base strip stretched to area V),
    // F[i] = exp(-X[i]^2 / 2); X[256] = 0, F[256] = 1.
    std::array<double, Strips + 1> X{}, F{};
};

double Density(double x)
{
    return PortableExp(-0.5 * x * x);
}

const Ziggurat& Table()
{
    static const Ziggurat table = [] {
        Ziggurat z;
        z.X[1] = R;
        z.F[1] = Density(R);
        z.X[0] = V / z.F[1];
        z.F[0] = 0;
        for (int i = 1; i < Strips - 1; ++i) {
            z.X[i + 1] = std::sqrt(-2.0 * PortableLog(z.F[i] + V / z.X[i]));
            z.F[i + 1] = Density(z.X[i + 1]);
        }
        z.X[Strips] = 0;
        z.F[Strips] = 1;
        return z;
    }();
    return table;
}

} // namespace

std::uint64_t SplitMix64(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

LabRandom::LabRandom(std::uint64_t seed) : m_edges(Table().X.data())
{
    for (std::uint64_t& word : s_)
        word = SplitMix64(seed);
}

int LabRandom::NextSign()
{
    if (m_bitsLeft == 0) {
        m_bits = NextWord();
        m_bitsLeft = 64;
    }
    const int bit = int(m_bits & 1u);
    m_bits >>= 1;
    --m_bitsLeft;
    return bit ? 1 : -1;
}

double LabRandom::NextOpenUnit()
{
    return double((NextWord() >> 11) + 1) * TwoPowMinus53;
}

double LabRandom::GaussianSlowPath(std::uint64_t word)
{
    const Ziggurat& z = Table();
    for (;;) {
        const int i = int(word & (Strips - 1));
        const double x = (double(word >> 11) * TwoPowMinus52 - 1.0) * z.X[i];
        if (std::fabs(x) < z.X[i + 1])
            return x;
        if (i == 0) {
            // Beyond R: Marsaglia's tail method, exact for the normal tail.
            double a, b;
            do {
                a = -PortableLog(NextOpenUnit()) / R;
                b = -PortableLog(NextOpenUnit());
            } while (b + b < a * a);
            return x < 0 ? -(R + a) : R + a;
        }
        // In the wedge between the strip's rectangle and the curve: accept under the curve.
        const double y = z.F[i] + (z.F[i + 1] - z.F[i]) * (double(NextWord() >> 11) * TwoPowMinus53);
        if (y < Density(x))
            return x;
        word = NextWord();
    }
}

std::uint64_t LcgChips::NextChipWord(int count)
{
    std::uint64_t word = 0;
    for (int n = 0; n < count; ++n)
        if (NextChip() > 0)
            word |= std::uint64_t(1) << n;
    return word;
}

double PortableExp(double x)
{
    if (x > 709.782712893384)
        return HUGE_VAL;
    if (x < -745.1332191019412)
        return 0.0;
    // x = k ln 2 + r with |r| <= ln 2 / 2; exp(r) by its series, then scaled by 2^k exactly.
    const double k = std::floor(x * InvLn2 + 0.5);
    const double r = (x - k * Ln2Hi) - k * Ln2Lo;
    // 1 + r (1 + r/2 (1 + r/3 (...))), innermost first: the small terms are added first.
    double sum = 1.0;
    for (int n = 17; n >= 1; --n)
        sum = 1.0 + r * sum / n;
    return std::ldexp(sum, int(k));
}

double PortableLog(double x)
{
    if (!(x > 0))
        return x == 0 ? -HUGE_VAL : std::nan("");
    if (std::isinf(x))
        return x;
    int e = 0;
    double m = std::frexp(x, &e); // m in [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2;
        --e;
    }
    // log m = 2 atanh(s) with s = (m - 1) / (m + 1), |s| < 0.172.
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    double sum = 0.0;
    for (int n = 27; n >= 3; n -= 2)
        sum = (sum + 1.0 / n) * s2;
    const double logM = 2.0 * s + 2.0 * s * sum;
    return (e * Ln2Hi + logM) + e * Ln2Lo;
}

double DbToRatio(double db, double divisor)
{
    const double q = db / divisor;
    if (!(std::fabs(q) <= 400)) // beyond any double, or not a number
        return q > 0 ? HUGE_VAL : q < 0 ? 0.0 : std::nan("");
    const double whole = std::floor(q);
    const double fraction = q - whole;
    double ratio = fraction == 0 ? 1.0 : PortableExp(fraction * Ln10);
    // Powers of ten by repeated multiplication: exact up to 10^22, correctly rounded steps beyond.
    const int n = int(std::fabs(whole));
    double power = 1.0;
    for (int i = 0; i < n; ++i)
        power *= 10.0;
    return whole >= 0 ? ratio * power : ratio / power;
}

} // namespace lab
