#pragma once

// Textbook bit-error rates of the lab model for random codes of equal power, and confidence
// intervals for a measured rate. An Eb/N0 left out means no noise.

#include <cstdint>
#include <optional>

namespace lab {

// Q(x) = P(Z > x) for a standard normal Z; Q(+inf) = 0, Q(-inf) = 1.
double QFunction(double x);

// Exact for this model with random chips and equal powers, wherever the users' bits start:
// sum over j = 0..m of C(m, j) 2^-m Q((N + 2j - m) sqrt(2 Eb/N0) / N), m = (K - 1) N. A sum of
// interference that exactly cancels the wanted signal counts half, as a tie decides 1 whatever
// was sent. One user gives Q(sqrt(2 Eb/N0)).
double ExactBer(int users, int spread, std::optional<double> ebn0Db);
// The standard Gaussian approximation Q([(K - 1) / N + N0 / (2 Eb)]^-1/2).
double GaussianBer(int users, int spread, std::optional<double> ebn0Db);

struct Interval
{
    double Low = 0;
    double High = 0;
};
// The Wilson score interval of 95 % for errors out of bits (bits > 0).
Interval Wilson95(std::uint64_t errors, std::uint64_t bits);
// The exact (Clopper-Pearson) interval of 95 % for errors out of bits (bits > 0): the rates p
// for which neither P(X >= errors) nor P(X <= errors) falls below 2.5 %, X binomial(bits, p). It
// stays valid when a run stops at its errors-th error: stopping after n bits means at least
// errors errors among them, so the tails are those of a run of n bits.
Interval ClopperPearson95(std::uint64_t errors, std::uint64_t bits);

// P(X >= k) for X binomial(n, p), 0 <= k <= n, through the regularized incomplete beta function;
// to about 12 digits for a million bits and 6 for a billion, where the logarithms of the
// gamma function lose the rest.
double BinomialUpperTail(std::uint64_t k, std::uint64_t n, double p);

} // namespace lab
