// The points of a --ber run on threads, and its progress.
#include "tools/berrunner.h"
#include "tools/simcli.h"

#include <gtest/gtest.h>

namespace {

std::vector<lab::CurveRequest> Curves()
{
    std::vector<lab::CurveRequest> curves;
    for (auto [codes, spread] : {std::pair{lab::CodeFamily::Random, 16}, std::pair{lab::CodeFamily::Gold, 31}}) {
        lab::CurveRequest r;
        r.Config.Users = 4;
        r.Config.Codes = codes;
        r.Config.Spread = spread;
        r.Config.DelayChips = lab::DrawDelays(3, 4, spread);
        r.EbN0Db = {0.0, 2.0, 4.0, 6.0, std::nullopt};
        r.Bits = 70000; // more than a slice, and not a whole number of them
        curves.push_back(r);
    }
    curves[1].MaxErrors = 300;
    return curves;
}

} // namespace

// The same counts for any number of threads, each point the point alone measured at once.
TEST(BerRunner, CountsAreTheSameForEveryNumberOfThreads)
{
    const std::vector<lab::CurveRequest> curves = Curves();
    const auto one = berrunner::Run(curves, 1);
    ASSERT_EQ(one.size(), 2u);
    for (int jobs : {2, 3}) {
        const auto many = berrunner::Run(curves, jobs);
        for (std::size_t c = 0; c < curves.size(); ++c)
            for (std::size_t p = 0; p < curves[c].EbN0Db.size(); ++p) {
                EXPECT_EQ(many[c][p].Count.Bits, one[c][p].Count.Bits) << jobs << " threads";
                EXPECT_EQ(many[c][p].Count.Errors, one[c][p].Count.Errors) << jobs << " threads";
            }
    }
    for (std::size_t c = 0; c < curves.size(); ++c) {
        const lab::RateTheory theory(curves[c].Config);
        for (std::size_t p = 0; p < curves[c].EbN0Db.size(); ++p) {
            const lab::CurvePoint alone = lab::MeasurePoint(curves[c], p, theory);
            EXPECT_EQ(one[c][p].Count.Errors, alone.Count.Errors);
            EXPECT_EQ(one[c][p].Count.Bits, alone.Count.Bits);
            EXPECT_EQ(one[c][p].Ci95.High, alone.Ci95.High);
        }
    }
}

// The tool's output does not depend on --jobs either.
TEST(BerRunner, TheToolPrintsTheSameForOneJobAndTwo)
{
    const QStringList args = {"dscdma-sim", "--ber", "--users", "3", "--spread", "8,16", "--ebn0", "0:6:2", "--bits", "20000"};
    const SimCliResult one = RunSimCli(args + QStringList{"--jobs", "1"});
    const SimCliResult two = RunSimCli(args + QStringList{"--jobs", "2"});
    ASSERT_EQ(one.exitCode, 0) << one.err.constData();
    EXPECT_EQ(one.out, two.out);
    EXPECT_EQ(one.out, RunSimCli(args).out);
}

// Progress comes only through the sink a terminal gives, as lines that overwrite each other,
// the last one wiped; it never reaches the output.
TEST(BerRunner, ProgressGoesOnlyWhereItIsAskedFor)
{
    const QStringList args = {"dscdma-sim", "--ber", "--ebn0", "0:3:1", "--bits", "70000", "--format", "csv"};
    QByteArray shown;
    const SimCliResult watched = RunSimCli(args, [&shown](const QByteArray& text) { shown += text; });
    const SimCliResult plain = RunSimCli(args);
    ASSERT_EQ(watched.exitCode, 0);
    EXPECT_EQ(watched.out, plain.out);
    EXPECT_TRUE(watched.err.isEmpty());
    EXPECT_TRUE(shown.startsWith("\rdscdma-sim: ")) << shown.constData();
    EXPECT_TRUE(shown.contains(" of 4 points, ")) << shown.constData();
    EXPECT_TRUE(shown.endsWith("\r" + QByteArray(78, ' ') + "\r"));
    EXPECT_FALSE(shown.contains('\n'));
    // Nothing for what is not a measurement.
    QByteArray none;
    RunSimCli({"dscdma-sim", "--ber", "--show-codes"}, [&none](const QByteArray& text) { none += text; });
    RunSimCli({"dscdma-sim", "--sweep"}, [&none](const QByteArray& text) { none += text; });
    EXPECT_TRUE(none.isEmpty()) << none.constData();
}

TEST(BerRunner, AFailureOfAPointIsRethrown)
{
    std::vector<lab::CurveRequest> curves = Curves();
    curves[0].Bits = 100;
    curves[1].Config.Spread = 8; // no Gold codes of 8 chips
    EXPECT_THROW(berrunner::Run(curves, 2), std::invalid_argument);
}
