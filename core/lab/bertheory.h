#pragma once

// Textbook bit-error rates of the lab model and a confidence interval for a measured rate.
// An Eb/N0 left out means no noise.

#include "labmodel.h"

#include <cstdint>
#include <optional>

namespace lab {

// Q(x) = P(Z > x) for a standard normal Z; Q(+inf) = 0, Q(-inf) = 1.
double QFunction(double x);

// Exact for this synchronous model with random chips and equal powers:
// sum over j = 0..m of C(m, j) 2^-m Q((N + 2j - m) sqrt(2 Eb/N0) / N), m = (K - 1) N. A sum of
// interference that exactly cancels the wanted signal counts half, as a tie decides 1 whatever
// was sent. One user gives Q(sqrt(2 Eb/N0)).
double ExactBer(int users, int spread, std::optional<double> ebn0Db);
// The standard Gaussian approximation Q([(K - 1) / N + N0 / (2 Eb)]^-1/2).
double GaussianBer(int users, int spread, std::optional<double> ebn0Db);

struct Theory
{
    double Exact = 0;
    double Gaussian = 0;
};
// For random codes of equal power, and for any family with one user; nothing otherwise.
std::optional<Theory> TheoryFor(const LabConfig& config, std::optional<double> ebn0Db);

struct Interval
{
    double Low = 0;
    double High = 0;
};
// The Wilson score interval of 95 % for errors out of bits (bits > 0).
Interval Wilson95(std::uint64_t errors, std::uint64_t bits);

} // namespace lab
