#pragma once

// The textbook's rates for any configuration of the lab: the exact bit-error rate and the
// Gaussian approximation beside it, from what the other users add to the decoded user's
// correlation.
//
// Fixed codes (Walsh, m-sequences, Gold) add a known amount per pattern of data: a user aligned
// with the decoded one adds A d times the correlation of the two codes, a delayed one A times its
// earlier bit times the correlation over the chips that bit covers plus its later bit times the
// rest, so the exact rate is the average of Q over at most 4^7 patterns. Random codes add A times
// a sum of N independent chips +1 or -1 from every other user, wherever its bits start: the
// exact rate averages Q over the convolution of those binomials, each scaled by its amplitude.
// Where the sums the other users can form number more than MaxSums, the exact rate is not
// computed. Built once per configuration, so that a curve evaluates it cheaply at every level.

#include "core/lab/labmodel.h"

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace lab {

struct Theory
{
    std::optional<double> Exact; // none where it is not computed
    double Gaussian = 0;
};

class RateTheory
{
public:
    static constexpr std::size_t MaxSums = 65536;

    // Throws std::invalid_argument when CheckLabConfig fails.
    explicit RateTheory(const LabConfig& config);

    // The exact rate of this model: a sum of interference that exactly cancels the wanted signal
    // counts half, as a tie decides 1 whatever was sent. None where it is not computed.
    std::optional<double> Exact(std::optional<double> ebn0Db) const;
    // Q([V + N0 / (2 Eb)]^-1/2), V the interference's variance relative to the wanted signal's
    // square; 0 when neither interference nor noise.
    double Gaussian(std::optional<double> ebn0Db) const;
    Theory At(std::optional<double> ebn0Db) const { return {Exact(ebn0Db), Gaussian(ebn0Db)}; }

private:
    enum class Kind { EqualRandom, Sums, TooMany };
    Kind m_kind = Kind::Sums;
    int m_users = 1;
    int m_spread = 1;
    // What the other users add, relative to the wanted N A, with its probability; sorted, each
    // value once.
    std::vector<std::pair<double, double>> m_sums;
    double m_variance = 0;
};

// Both rates of one configuration at one level; a curve builds its RateTheory once instead.
Theory TheoryFor(const LabConfig& config, std::optional<double> ebn0Db);

} // namespace lab
