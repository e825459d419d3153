// The spectra of the lab's signals against shapes worked out by hand: the Fourier transform
// against its sum, a rectangular chip stream against sinc^2, and spreading's N times wider and
// 10 log10 N lower.
#include "core/lab/fft.h"
#include "core/lab/labdensities.h"
#include "core/lab/labrandom.h"
#include "core/lab/powerdensity.h"

#include "tests/core/lab/labconfig_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>
#include <vector>

using namespace lab;

namespace {

double Sinc2(double x)
{
    if (x == 0)
        return 1;
    const double s = std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
    return s * s;
}


} // namespace

TEST(Fft, TransformsAsTheSumDefinesIt)
{
    for (const int length : {1, 2, 8, 64, 256}) {
        SCOPED_TRACE(length);
        LabRandom random(length);
        std::vector<std::complex<double>> data(length);
        for (auto& x : data)
            x = {random.NextGaussian(), random.NextGaussian()};
        std::vector<std::complex<double>> fast = data;
        Fft(length).Transform(fast);
        for (int k = 0; k < length; ++k) {
            std::complex<double> sum;
            for (int n = 0; n < length; ++n)
                sum += data[n] * std::polar(1.0, -2 * std::numbers::pi * k * n / length);
            EXPECT_NEAR(std::abs(fast[k] - sum), 0, 1e-9 * length);
        }
    }
    for (const int length : {0, 3, 12, -4, (1 << 20) + 1})
        EXPECT_THROW(Fft{length}, std::invalid_argument) << length;
    std::vector<std::complex<double>> wrong(4);
    EXPECT_THROW(Fft(8).Transform(wrong), std::invalid_argument);
}

// Random chips +1 and -1 held for a chip each: a density of sinc^2 in cycles per chip, one at 0,
// nothing at the chip rate and its multiples.
TEST(PowerDensity, ARectangularChipStreamHasTheShapeOfSincSquared)
{
    PowerDensity psd(64);
    LabRandom random(11);
    for (int n = 0; n < 64 * 3000; ++n)
        psd.Add(random.NextSign());
    EXPECT_EQ(psd.Segments(), 2 * 3000 - 1);
    for (const double nu : {0.0, 0.125, 0.25, 0.5, 0.75, 1.25, 1.5, 2.5})
        EXPECT_NEAR(psd.Density(nu) / Sinc2(nu), 1.0, 0.06) << nu;
    for (const double nu : {1.0, 2.0, 3.0})
        EXPECT_LT(psd.Density(nu), 1e-20) << nu;
    // Even: the same at -nu.
    EXPECT_DOUBLE_EQ(psd.Density(-0.25), psd.Density(0.25));
}

// Parseval: the density integrated over every frequency is the mean power, here 9 for a level
// of 3 under a slow square wave.
TEST(PowerDensity, IntegratesToTheMeanPower)
{
    PowerDensity psd(32);
    for (int n = 0; n < 32 * 200; ++n)
        psd.Add((n / 5) % 2 ? 3.0 : -3.0);
    double integral = 0;
    for (int k = -32 * 200; k <= 32 * 200; ++k)
        integral += psd.Density(k / 32.0) / 32;
    EXPECT_NEAR(integral, 9.0, 0.09);
    PowerDensity empty(16);
    EXPECT_EQ(empty.Density(0), 0.0);
    for (const int chips : {2, 24, 131072})
        EXPECT_THROW(PowerDensity{chips}, std::invalid_argument) << chips;
    EXPECT_NO_THROW(PowerDensity{4});
}

// One user without noise: its data peaks at A^2 = 1 and falls to sinc^2 of the frequency in bit
// rates; spread by random chips it is N times wider and N times lower; despread, it is the data
// again, with any code.
TEST(LabDensities, SpreadingMakesTheDataNTimesWiderAndLower)
{
    const int n = 16;
    LabDensities s(Lab(1, CodeFamily::Random, n).Seeded(3), std::nullopt);
    s.Run(4000);
    ASSERT_GT(s.Segments(), 100);
    EXPECT_NEAR(s.Density(SpectrumSignal::Data, 0), 1.0, 0.1);
    EXPECT_NEAR(s.DensityDb(SpectrumSignal::Data, 0) - s.DensityDb(SpectrumSignal::Spread, 0), 10 * std::log10(n), 1.0);
    // Half a bit rate out the data keeps sinc^2(1/2), the spread signal almost all.
    EXPECT_NEAR(s.Density(SpectrumSignal::Data, 0.5), Sinc2(0.5), 0.06);
    EXPECT_NEAR(s.Density(SpectrumSignal::Spread, n / 2.0) * n, Sinc2(0.5), 0.12);
    // Nothing of either at the chip rate; the data is far down beyond a few bit rates.
    EXPECT_LT(s.Density(SpectrumSignal::Spread, n), 1e-12);
    EXPECT_LT(s.DensityDb(SpectrumSignal::Data, 6.5), -25);
    EXPECT_EQ(s.DensityDb(SpectrumSignal::Spread, n), LabDensities::FloorDb);

    // A Gold code shapes the spread signal by its own spectrum, yet keeps its power, and the
    // receiver's chips undo it exactly.
    LabDensities gold(Lab(1, CodeFamily::Gold, 31).Seeded(3), std::nullopt);
    gold.Run(2000);
    double power = 0;
    for (const double f : gold.Frequencies(31.0 * 40))
        power += 2 * gold.Density(SpectrumSignal::Spread, f) * gold.Step();
    power -= gold.Density(SpectrumSignal::Spread, 0) * gold.Step(); // 0 counted once
    EXPECT_NEAR(power, 1.0, 0.03);
    for (const double f : gold.Frequencies(62))
        ASSERT_DOUBLE_EQ(gold.Density(SpectrumSignal::Despread, f), gold.Density(SpectrumSignal::Data, f)) << f;
}

// Noise of N0/2 per bit rate spreads like the chips: what arrives is the spread signal plus
// A^2 / (2 Eb/N0) sinc^2(f / N); despread, the data comes back on that floor.
TEST(LabDensities, NoiseStaysSpreadWhileTheWantedSignalComesBack)
{
    const int n = 16;
    LabDensities s(Lab(1, CodeFamily::Random, n).Seeded(3), 0.0);
    s.Run(6000);
    for (const double f : {2.0, 4.0, 8.0, 12.0}) {
        const double shape = Sinc2(f / n);
        EXPECT_NEAR(s.Density(SpectrumSignal::Received, f) / ((1.0 / n + 0.5) * shape), 1.0, 0.08) << f;
        EXPECT_NEAR(s.Density(SpectrumSignal::Despread, f) / (0.5 * shape), 1.0, 0.15) << f;
    }
    EXPECT_NEAR(s.Density(SpectrumSignal::Despread, 0), 1.0 + 0.5, 0.15);
    const std::vector<double> f = s.Frequencies(1.0);
    ASSERT_EQ(f.size(), 17u) << "16 steps of 1/16 bit rate";
    EXPECT_DOUBLE_EQ(f.back(), 1.0);
    EXPECT_DOUBLE_EQ(s.Step(), 1.0 / 16);
}
