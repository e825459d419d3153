// dscdma-sim --ber, and the option errors every mode shares.
#include "core/lab/labmodel.h"
#include "tools/bercli.h"
#include "tools/simcli.h"

#include <gtest/gtest.h>

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cmath>
#include <functional>

namespace {

SimCliResult RunSim(QStringList args)
{
    args.prepend("dscdma-sim");
    return RunSimCli(args);
}

QJsonObject RunBer(const QStringList& args)
{
    const SimCliResult r = RunSim(QStringList{"--ber"} + args);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.isEmpty());
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object()["ber"].toObject();
}

void ExpectUsageError(const QStringList& args, const char* shown = nullptr)
{
    const std::string name = args.join(' ').toStdString();
    const SimCliResult r = RunSim(args);
    EXPECT_EQ(r.exitCode, 2) << name;
    EXPECT_TRUE(r.out.isEmpty()) << name;
    EXPECT_EQ(r.err.count('\n'), 1) << name << ": " << r.err.constData();
    EXPECT_TRUE(r.err.startsWith("dscdma-sim: ")) << r.err.constData();
    if (shown) {
        EXPECT_EQ(r.err.toStdString(), std::string("dscdma-sim: ") + shown + "\n") << name;
    }
}

} // namespace

TEST(BerCli, JsonGivesEveryPointWithItsIntervalAndTheory)
{
    const QJsonObject ber = RunBer({"--ebn0", "0:4:2", "--bits", "20000"});
    EXPECT_EQ(ber["users"].toInt(), 2);
    EXPECT_EQ(ber["codes"].toString(), "random");
    EXPECT_EQ(ber["spread"].toInt(), 8);
    EXPECT_EQ(ber["rx"].toInt(), 1);
    EXPECT_EQ(ber["seed"].toInt(), 1);
    EXPECT_EQ(ber["power_db"].toArray(), (QJsonArray{0, 0}));
    const QJsonArray points = ber["points"].toArray();
    ASSERT_EQ(points.size(), 3);
    double previous = 1;
    for (int i = 0; i < 3; ++i) {
        const QJsonObject p = points[i].toObject();
        EXPECT_EQ(p["ebn0_db"].toDouble(), 2.0 * i);
        EXPECT_EQ(p["bits"].toInt(), 20000);
        const double rate = p["ber"].toDouble();
        EXPECT_EQ(rate, p["errors"].toInt() / 20000.0);
        const QJsonArray ci = p["ci95"].toArray();
        ASSERT_EQ(ci.size(), 2);
        EXPECT_LT(ci[0].toDouble(), rate);
        EXPECT_GT(ci[1].toDouble(), rate);
        // The exact rate of this model lies within the interval (it is a 95 % one; these hold).
        const double exact = p["theory_exact"].toDouble();
        EXPECT_GT(exact, ci[0].toDouble());
        EXPECT_LT(exact, ci[1].toDouble());
        EXPECT_GT(p["theory_gaussian"].toDouble(), 0);
        EXPECT_LT(rate, previous) << "more signal, fewer errors";
        previous = rate;
    }
}

TEST(BerCli, WithoutNoiseTheLevelIsNullAndNoErrorGivesAZeroBound)
{
    const QJsonObject walsh = RunBer({"--codes", "walsh", "--users", "4", "--power", "0,20,-20,40"});
    const QJsonObject p = walsh["points"].toArray()[0].toObject();
    EXPECT_TRUE(p["ebn0_db"].isNull());
    EXPECT_EQ(p["errors"].toInt(), 0);
    EXPECT_EQ(p["bits"].toInt(), 100000) << "the default";
    EXPECT_EQ(p["ci95"].toArray()[0].toDouble(), 0.0);
    // Orthogonal codes without noise: the theory says no error at all.
    EXPECT_EQ(p["theory_exact"].toDouble(-1), 0.0);
    EXPECT_EQ(p["theory_gaussian"].toDouble(-1), 0.0);
    EXPECT_EQ(walsh["power_db"].toArray(), (QJsonArray{0, 20, -20, 40}));
    // Random codes without noise still lose bits to the other users, as the formula says.
    const QJsonObject random = RunBer({"--spread", "4", "--users", "3"});
    const QJsonObject r = random["points"].toArray()[0].toObject();
    EXPECT_GT(r["errors"].toInt(), 0);
    EXPECT_GT(r["theory_exact"].toDouble(), r["ci95"].toArray()[0].toDouble());
    EXPECT_LT(r["theory_exact"].toDouble(), r["ci95"].toArray()[1].toDouble());
}

// The exact rate wherever it can be summed: every family, equal powers or not, aligned or not;
// null only where the other users' sums are too many. The approximation always.
TEST(BerCli, ExactTheoryForEveryFamilyAndNullOnlyWhereTheSumsAreTooMany)
{
    struct Row { QStringList args; bool exact; };
    const Row rows[] = {
        {{"--power", "3,3"}, true},
        {{"--power", "3,4"}, true},
        {{"--codes", "gold", "--users", "1"}, true},
        {{"--codes", "gold"}, true},
        {{"--codes", "msequence", "--spread", "15", "--users", "3", "--delays", "0,4,9"}, true},
        {{"--codes", "walsh", "--users", "1", "--spread", "2"}, true},
        {{"--users", "8", "--spread", "64", "--power", "0,1,2,3,4,5,6,7"}, false},
    };
    for (const Row& row : rows) {
        const QJsonObject p = RunBer(row.args + QStringList{"--ebn0", "3", "--bits", "1000"})["points"].toArray()[0].toObject();
        EXPECT_EQ(!p["theory_exact"].isNull(), row.exact) << row.args.join(' ').toStdString();
        EXPECT_GT(p["theory_gaussian"].toDouble(), 0) << row.args.join(' ').toStdString();
    }
}

TEST(BerCli, CsvHasOneRowPerPointAndEmptyFieldsForNothing)
{
    const SimCliResult r = RunSim({"--ber", "--format", "csv", "--ebn0", "10:6:-2", "--bits", "5000", "--codes", "walsh"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "ebn0_db,bits,errors,ber,ci95_low,ci95_high,theory_exact,theory_gaussian");
    for (int i = 1; i <= 3; ++i) {
        const QList<QByteArray> f = lines[i].split(',');
        ASSERT_EQ(f.size(), 8);
        EXPECT_EQ(f[0].toDouble(), 10 - 2 * (i - 1));
        EXPECT_EQ(f[1], "5000");
        EXPECT_EQ(f[3].toDouble(), f[2].toDouble() / 5000);
        // Walsh codes cancel each other: both theories are a single user's rate.
        EXPECT_NEAR(f[6].toDouble(), 0.5 * std::erfc(std::sqrt(std::pow(10.0, f[0].toDouble() / 10))), 1e-15);
        EXPECT_NEAR(f[7].toDouble(), f[6].toDouble(), 1e-15);
    }
    const QList<QByteArray> quiet = RunSim({"--ber", "--format=csv", "--bits", "10"}).out.trimmed().split('\n');
    ASSERT_EQ(quiet.size(), 2);
    EXPECT_TRUE(quiet[1].startsWith(",10,")) << quiet[1].constData();
}

// Gold codes of 7 chips number 9: eight users all get one, the eighth decoded too, and the
// eighth reaches the others.
TEST(BerCli, GoldCodesOfSevenChipsServeEightUsers)
{
    const QJsonObject last = RunBer({"--codes", "gold", "--users", "8", "--rx", "8", "--bits", "2000"});
    EXPECT_EQ(last["points"].toArray()[0].toObject()["bits"].toInt(), 2000);
    const QJsonObject first = RunBer({"--codes", "gold", "--users", "8", "--power", "0,0,0,0,0,0,0,40", "--bits", "2000"});
    EXPECT_GT(first["points"].toArray()[0].toObject()["errors"].toInt(), 500) << "user 8, 40 dB up, is heard";
}

// Every point starts from the seed: a point of a range is the same point run alone, and the
// range's steps land on round values.
TEST(BerCli, APointOfARangeEqualsThePointAlone)
{
    const QJsonArray range = RunBer({"--ebn0", "0:1:0.1", "--bits", "3000", "--users", "3"})["points"].toArray();
    ASSERT_EQ(range.size(), 11);
    EXPECT_EQ(range[3].toObject()["ebn0_db"].toDouble(), 0.3);
    const QJsonObject alone = RunBer({"--ebn0", "0.3", "--bits", "3000", "--users", "3"})["points"].toArray()[0].toObject();
    EXPECT_EQ(range[3].toObject(), alone);
    EXPECT_EQ(RunBer({"--ebn0", "2", "--seed", "9"}), RunBer({"--ebn0", "2", "--seed", "9"}));
    EXPECT_NE(RunBer({"--ebn0", "2", "--seed", "9"})["points"], RunBer({"--ebn0", "2", "--seed", "10"})["points"]);
}

TEST(BerCli, BadUsageExitsTwoWithOneLineAndNoOutput)
{
    const QStringList bad[] = {
        {"--ber", "--users", "0"},           {"--ber", "--users", "9"},         {"--ber", "--users", "two"},
        {"--ber", "--spread", "1"},          {"--ber", "--spread", "65"},       {"--ber", "--codes", "walsh", "--spread", "12"},
        {"--ber", "--codes", "walsh", "--users", "5", "--spread", "4"},
        {"--ber", "--codes", "msequence", "--spread", "8"},
        {"--ber", "--codes", "msequence", "--users", "8"},
        {"--ber", "--codes", "gold", "--spread", "15"}, {"--ber", "--codes", "gold", "--spread", "8"},
        {"--ber", "--codes", "Walsh"},       {"--ber", "--codes", ""},
        {"--ber", "--bits", "0"},            {"--ber", "--bits", "1000000001"}, {"--ber", "--bits", "-5"},
        {"--ber", "--ebn0", "abc"},          {"--ber", "--ebn0", "nan"},        {"--ber", "--ebn0", "inf"},
        {"--ber", "--ebn0", "0:10:3"},       {"--ber", "--ebn0", "0:10:0"},     {"--ber", "--ebn0", "0:10:-2"},
        {"--ber", "--ebn0", "0:10"},         {"--ber", "--ebn0", "0:10:2:1"},   {"--ber", "--ebn0", "100.5"},
        {"--ber", "--ebn0", "-101"},         {"--ber", "--ebn0", "-100:100:0.2"},   {"--ber", "--ebn0", " 3"},
        {"--ber", "--power", "0"},           {"--ber", "--power", "0,0,0"},     {"--ber", "--power", "0,x"},
        {"--ber", "--power", "0,100.5"},     {"--ber", "--power", "0,"},
        {"--ber", "--rx", "0"},              {"--ber", "--rx", "3"},            {"--ber", "--users", "4", "--rx", "5"},
        {"--ber", "--seed", "-1"},           {"--ber", "--seed", "4294967296"}, {"--ber", "--seed", "x"},
        {"--ber", "--margins"},              {"--ber", "--sweep"},              {"--ber", "--key-rx", "44"},
        {"--ber", "--text-a", "A"},          {"--ber", "--labels"},             {"--ber", "--format", "xml"},
        {"--users", "2"},                    {"--ebn0", "3"},                   {"--codes", "gold"},
        {"--ber", "stray"},
    };
    for (const QStringList& args : bad)
        ExpectUsageError(args);
    ExpectUsageError({"--ber", "--codes", "gold", "--spread", "15"},
                     "--spread: gold codes take a spreading factor 7, 31 or 63, not 15");
    ExpectUsageError({"--ber", "--ebn0", "0:10:3"}, "--ebn0 \"0:10:3\": steps of 3 from 0 do not reach 10");
    ExpectUsageError({"--ber", "--ebn0", "-100:100:0.2"}, "--ebn0 \"-100:100:0.2\" makes 1001 points, more than 1000");
    ExpectUsageError({"--ber", "--power", "0,0,0"}, "--power takes one level in dB per user, 2 in all, not \"0,0,0\"");
    ExpectUsageError({"--ber", "--rx", "3"}, "--rx takes a whole number 1..2, not \"3\"");
    ExpectUsageError({"--ber", "--sweep"}, "--ber does not go with --sweep");
    ExpectUsageError({"--ebn0", "3"}, "--ebn0 goes only with --ber");
}

namespace {

// The request as the tool reads it, without running it: limits that would take long to run.
lab::CurveRequest Read(const QStringList& args, QString& error)
{
    QCommandLineParser parser;
    for (const char* name : {"users", "codes", "spread", "ebn0", "bits", "seed", "power", "rx", "delays", "max-errors",
                             "jobs", "size", "png", "svg"})
        parser.addOption(QCommandLineOption(name, name, "V"));
    for (const char* name : {"async", "show-codes"})
        parser.addOption(QCommandLineOption(name, name));
    EXPECT_TRUE(parser.parse(QStringList{"x"} + args));
    bercli::Job job;
    error = bercli::Read(parser, job);
    return job.curves.empty() ? lab::CurveRequest() : job.curves.front();
}

} // namespace

// Each limit on its allowed side, next to the refused side above.
TEST(BerCli, AcceptsEveryLimitItself)
{
    struct Row { QStringList args; std::function<bool(const lab::CurveRequest&)> holds; };
    const Row rows[] = {
        {{"--bits", "1000000000"}, [](const auto& r) { return r.Bits == 1000000000u; }},
        {{"--bits", "1"}, [](const auto& r) { return r.Bits == 1u; }},
        {{"--users", "1", "--spread", "2"}, [](const auto& r) { return r.Config.Users == 1 && r.Config.Spread == 2; }},
        {{"--users", "8", "--spread", "64"}, [](const auto& r) { return r.Config.Users == 8 && r.Config.Spread == 64; }},
        {{"--users", "8", "--rx", "8"}, [](const auto& r) { return r.Config.Rx == 8; }},
        {{"--ebn0", "-99.9:99.9:0.2"}, [](const auto& r) { return r.EbN0Db.size() == 1000u && *r.EbN0Db.back() == 99.9; }},
        {{"--ebn0", "-100:100:200"}, [](const auto& r) { return r.EbN0Db.size() == 2u && *r.EbN0Db[0] == -100; }},
        {{"--ebn0", "4:4:1"}, [](const auto& r) { return r.EbN0Db.size() == 1u && *r.EbN0Db[0] == 4; }},
        {{"--ebn0", "0:1:0.1"}, [](const auto& r) { return r.EbN0Db.size() == 11u && *r.EbN0Db[7] == 0.7; }},
        {{"--power", "-100,100"}, [](const auto& r) { return r.Config.PowerDb == std::vector<double>{-100, 100}; }},
        {{"--seed", "4294967295"}, [](const auto& r) { return r.Config.Seed == 4294967295u; }},
        {{"--seed", "0"}, [](const auto& r) { return r.Config.Seed == 0u; }},
        {{"--codes", "msequence", "--users", "7"}, [](const auto& r) { return r.Config.Spread == 7; }},
        {{"--codes", "gold"}, [](const auto& r) { return r.Config.Spread == 7; }},
        {{"--codes", "walsh"}, [](const auto& r) { return r.Config.Spread == 8; }},
        {{"--codes", "msequence", "--spread", "3", "--users", "3"}, [](const auto& r) { return r.Config.Spread == 3; }},
        {{}, [](const auto& r) { return r.EbN0Db.size() == 1u && !r.EbN0Db[0] && r.Bits == lab::DefaultBits; }},
    };
    for (const Row& row : rows) {
        QString error;
        const lab::CurveRequest request = Read(row.args, error);
        EXPECT_TRUE(error.isEmpty()) << row.args.join(' ').toStdString() << ": " << error.toStdString();
        EXPECT_TRUE(row.holds(request)) << row.args.join(' ').toStdString();
    }
}

// One style for every option error, the parser's own included.
TEST(SimCliOptions, ErrorsOfTheOptionsThemselvesShareTheToolsStyle)
{
    ExpectUsageError({"--frobnicate"}, "unknown option \"--frobnicate\"");
    ExpectUsageError({"-frobnicate=3"}, "unknown option \"-frobnicate\"");
    ExpectUsageError({"--spread"}, "--spread needs a value");
    ExpectUsageError({"--ber", "--ebn0"}, "--ebn0 needs a value");
    ExpectUsageError({"--labels=yes"}, "--labels takes no value");
    ExpectUsageError({"--", "--spread", "4"}, "unexpected argument \"--spread\"");
    ExpectUsageError({"-"}, "unexpected argument \"-\"");
    // A value that looks like an option is still the value.
    EXPECT_EQ(RunSim({"--key-b", "--spread"}).err, "dscdma-sim: --key-b takes a number, not \"--spread\"\n");
}

TEST(SimCliOptions, AMinusWritesThePictureToStandardOutput)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const SimCliResult png = RunSim({"--png", "-", "--key-rx", "44"});
    const SimCliResult svg = RunSim({"--margins", "--svg", "-"});
    const SimCliResult both = RunSim({"--sweep", "--png", "-", "--svg", dir.filePath("s.svg")});
    const SimCliResult twice = RunSim({"--png", "-", "--svg", "-"});
    const SimCliResult format = RunSim({"--png", "-", "--format", "json"});
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QDir::setCurrent(before);

    ASSERT_EQ(png.exitCode, 0) << png.err.constData();
    EXPECT_TRUE(png.out.startsWith("\x89PNG\r\n\x1a\n"));
    QImage image;
    ASSERT_TRUE(image.loadFromData(png.out, "PNG"));
    EXPECT_EQ(image.size(), QSize(785, 665));
    EXPECT_EQ(image.pixelColor(10 + 3, 384 + 20 + 3), QColor(249, 235, 193)) << "the run asked for";
    ASSERT_EQ(svg.exitCode, 0);
    EXPECT_TRUE(svg.out.contains("<svg width=\"785\" height=\"345\""));
    ASSERT_EQ(both.exitCode, 0);
    EXPECT_TRUE(both.out.startsWith("\x89PNG"));
    EXPECT_EQ(left, QStringList{"s.svg"}) << "no file named -";
    EXPECT_EQ(twice.exitCode, 2);
    EXPECT_TRUE(twice.out.isEmpty());
    EXPECT_EQ(format.exitCode, 2);
    EXPECT_TRUE(format.out.isEmpty());
}

// Users whose bits start apart: the delays given or drawn are reported, and a run without either
// says nothing of them.
TEST(BerCli, DelaysGivenOrDrawnAreReported)
{
    EXPECT_FALSE(RunBer({"--bits", "100"}).contains("delays"));
    const QJsonObject given = RunBer({"--users", "3", "--delays", "0,5,7", "--bits", "100"});
    EXPECT_EQ(given["delays"].toArray(), (QJsonArray{0, 5, 7}));
    const QJsonObject drawn = RunBer({"--users", "8", "--spread", "64", "--async", "--seed", "12", "--bits", "100"});
    QJsonArray expected;
    for (int d : lab::DrawDelays(12, 8, 64))
        expected.append(d);
    EXPECT_EQ(drawn["delays"].toArray(), expected);
    // Delays change the count where the codes are not orthogonal at every shift.
    const auto errors = [](const QJsonObject& ber) { return ber["points"].toArray()[0].toObject()["errors"].toInt(); };
    EXPECT_EQ(errors(RunBer({"--codes", "walsh", "--users", "4", "--power", "0,10,10,10", "--bits", "5000"})), 0);
    EXPECT_GT(errors(RunBer({"--codes", "walsh", "--users", "4", "--power", "0,10,10,10", "--delays", "0,1,2,3",
                             "--bits", "5000"})),
              500);
    const QList<QByteArray> csv = RunSim({"--ber", "--users", "2", "--delays", "0,3", "--bits", "100", "--format", "csv"})
                                      .out.split('\n');
    EXPECT_EQ(csv[0], "delays,ebn0_db,bits,errors,ber,ci95_low,ci95_high,theory_exact,theory_gaussian");
    EXPECT_TRUE(csv[1].startsWith("0 3,,100,")) << csv[1].constData();
}

// One curve per value of a list, each the run of that value alone.
TEST(BerCli, AListInOneOptionGivesOneCurveEach)
{
    const QJsonObject ber = RunBer({"--spread", "8,16,32", "--users", "3", "--ebn0", "0:4:2", "--bits", "2000"});
    EXPECT_EQ(ber["varies"].toString(), "spread");
    const QJsonArray curves = ber["curves"].toArray();
    ASSERT_EQ(curves.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject curve = curves[i].toObject();
        EXPECT_EQ(curve["spread"].toInt(), 8 << i);
        const QJsonObject alone = RunBer({"--spread", QString::number(8 << i), "--users", "3", "--ebn0", "0:4:2", "--bits", "2000"});
        EXPECT_EQ(curve, alone);
    }
    // Families side by side: each at the factor it takes nearest to the one asked for.
    const QJsonArray families =
        RunBer({"--codes", "walsh,msequence,gold", "--spread", "31", "--users", "3", "--bits", "100"})["curves"].toArray();
    ASSERT_EQ(families.size(), 3);
    EXPECT_EQ(families[0].toObject()["spread"].toInt(), 32);
    EXPECT_EQ(families[1].toObject()["spread"].toInt(), 31);
    EXPECT_EQ(families[2].toObject()["codes"].toString(), "gold");
    const QList<QByteArray> users =
        RunSim({"--ber", "--users", "1,4", "--ebn0", "3", "--bits", "100", "--format", "csv"}).out.trimmed().split('\n');
    ASSERT_EQ(users.size(), 3);
    EXPECT_TRUE(users[0].startsWith("users,ebn0_db,"));
    EXPECT_TRUE(users[1].startsWith("1,3,100,"));
    EXPECT_TRUE(users[2].startsWith("4,3,100,"));
    const QList<QByteArray> codes =
        RunSim({"--ber", "--codes", "gold,walsh", "--bits", "100", "--format", "csv"}).out.trimmed().split('\n');
    EXPECT_TRUE(codes[0].startsWith("codes,spread,ebn0_db,"));
    EXPECT_TRUE(codes[1].startsWith("gold,7,,100,"));
    EXPECT_TRUE(codes[2].startsWith("walsh,8,,100,"));
}

// A point ends at its E-th error, and its interval is the exact one, which holds for a count
// that ended so.
TEST(BerCli, MaxErrorsEndsAPointAtItsErrorWithTheExactInterval)
{
    const QJsonObject ber = RunBer({"--users", "4", "--ebn0", "0:8:4", "--bits", "1000000", "--max-errors", "50"});
    EXPECT_EQ(ber["max_errors"].toInt(), 50);
    for (const QJsonValue& v : ber["points"].toArray()) {
        const QJsonObject p = v.toObject();
        EXPECT_EQ(p["errors"].toInt(), 50);
        EXPECT_LT(p["bits"].toInt(), 1000000);
        const lab::Interval exact = lab::ClopperPearson95(50, std::uint64_t(p["bits"].toDouble()));
        EXPECT_EQ(p["ci95"].toArray()[0].toDouble(), exact.Low);
        EXPECT_EQ(p["ci95"].toArray()[1].toDouble(), exact.High);
    }
    // Where the errors stay below the limit the point runs its bits.
    const QJsonObject p = RunBer({"--codes", "walsh", "--max-errors", "1", "--bits", "3000"})["points"].toArray()[0].toObject();
    EXPECT_EQ(p["bits"].toInt(), 3000);
    EXPECT_EQ(p["errors"].toInt(), 0);
}

TEST(BerCli, ShowCodesPrintsTheCodesAndTheirCorrelations)
{
    const SimCliResult r = RunSim({"--ber", "--show-codes", "--codes", "msequence", "--users", "3", "--delays", "0,1,4"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonObject root = QJsonDocument::fromJson(r.out).object();
    const QJsonArray codes = root["codes"].toArray();
    ASSERT_EQ(codes.size(), 3);
    const std::vector<lab::Code> expected = lab::FixedCodes(lab::CodeFamily::MSequence, 7, 3);
    for (int k = 0; k < 3; ++k) {
        const QJsonArray row = codes[k].toArray();
        ASSERT_EQ(row.size(), 7);
        for (int m = 0; m < 7; ++m)
            EXPECT_EQ(row[m].toInt(), expected[k][m]);
    }
    const QJsonObject correlation = root["correlation"].toObject();
    // User 2, the sequence shifted by one chip, delayed by one chip is user 1's sequence again.
    EXPECT_EQ(correlation["at_delays"].toArray()[0].toArray()[1].toInt(), 7);
    EXPECT_EQ(correlation["worst"].toArray()[0].toArray()[0].toInt(), 1);
    EXPECT_EQ(root["input"].toObject()["delays"].toArray(), (QJsonArray{0, 1, 4}));

    const QList<QByteArray> csv = RunSim({"--ber", "--show-codes", "--codes", "gold", "--users", "2", "--format", "csv"})
                                      .out.trimmed().split('\n');
    ASSERT_EQ(csv.size(), 3);
    EXPECT_EQ(csv[0], "user,delay,code,at_delays_1,at_delays_2,worst_1,worst_2");
    EXPECT_TRUE(csv[1].startsWith("1,0,")) << csv[1].constData();
    EXPECT_EQ(csv[1].split(',')[2].size(), 7) << "a chip per character";
    EXPECT_EQ(csv[1].split(',')[3], "7");
}

// Every refusal of the lab's options: one line, exit 2, nothing printed.
TEST(BerCli, BadLabInputsAreRefusedWithOneLine)
{
    ExpectUsageError({"--ber", "--delays", "0,8"}, "--delays: a delay lies between 0 and 7 chips at a spreading factor of 8, not 8");
    ExpectUsageError({"--ber", "--delays", "0,1,2"}, "--delays takes one delay in chips per user, 2 in all, not \"0,1,2\"");
    ExpectUsageError({"--ber", "--delays", "0,-1"}, "--delays takes whole numbers of chips 0..63, not \"-1\"");
    ExpectUsageError({"--ber", "--delays", "2,0"}, "--delays: user 1 sets the time: its delay is 0, not 2");
    ExpectUsageError({"--ber", "--delays", "0,9", "--spread", "16,8"},
                     "--delays: a delay lies between 0 and 7 chips at a spreading factor of 8, not 9");
    ExpectUsageError({"--ber", "--spread", "8,16", "--users", "2,3"},
                     "give a list in one of --spread, --users and --codes, not in --spread and --users");
    ExpectUsageError({"--ber", "--codes", "msequence", "--spread", "7", "--users", "8"},
                     "--spread: msequence codes of 7 chips have 7 distinct shifts, too few for 8 users");
    ExpectUsageError({"--ber", "--codes", "walsh,gold", "--users", "9"}, "--users takes a whole number 1..8, not \"9\"");
    ExpectUsageError({"--ber", "--users", "2,9"}, "--users takes a whole number 1..8, not \"9\"");
    ExpectUsageError({"--ber", "--codes", "walsh,msequence", "--spread", "3", "--users", "4"},
                     "--codes: msequence codes of 3 chips have 3 distinct shifts, too few for 4 users");
    ExpectUsageError({"--ber", "--jobs", "0"}, "--jobs takes a whole number 1..64, not \"0\"");
    ExpectUsageError({"--ber", "--max-errors", "0"}, "--max-errors takes a whole number 1..1000000000, not \"0\"");
    const QStringList bad[] = {
        {"--ber", "--delays", "0,1", "--async"}, {"--ber", "--users", "2,3", "--power", "0,0"},
        {"--ber", "--users", "2,3", "--delays", "0,0"}, {"--ber", "--show-codes", "--ebn0", "3"},
        {"--ber", "--show-codes", "--spread", "8,16"}, {"--ber", "--show-codes", "--png", "x.png"},
        {"--ber", "--spread", "8,8"}, {"--ber", "--spread", "2,4,8,16,32,64,3,5,6"},
        {"--ber", "--codes", "gold,hadamard"}, {"--ber", "--jobs", "65"}, {"--ber", "--jobs", "x"},
        {"--ber", "--max-errors", "1000000001"}, {"--ber", "--ebn0", "3", "--size", "1200x800"},
        {"--ber", "--ebn0", "3", "--png", "-", "--size", "399x800"}, {"--ber", "--ebn0", "3", "--png", "-", "--size", "800"},
        {"--ber", "--ebn0", "3", "--png", "-", "--size", "4001x800"}, {"--delays", "0,1"}, {"--async"},
        {"--show-codes"}, {"--jobs", "2"}, {"--max-errors", "5"}, {"--size", "800x600"},
    };
    for (const QStringList& args : bad)
        ExpectUsageError(args);
}

// The limits of the new options on their allowed side.
TEST(BerCli, AcceptsTheLabOptionsAtTheirLimits)
{
    for (const QStringList& args : {QStringList{"--delays", "0,7"}, QStringList{"--spread", "2,4,8,16,32,64,3,5"},
                                    QStringList{"--jobs", "64", "--bits", "10"}, QStringList{"--max-errors", "1000000000", "--bits", "10"},
                                    QStringList{"--codes", "gold", "--users", "8", "--async"}}) {
        const SimCliResult r = RunSim(QStringList{"--ber", "--bits", "10"} + args);
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << ": " << r.err.constData();
    }
    for (const char* size : {"400x300", "4000x4000"}) {
        const SimCliResult r = RunSim({"--ber", "--ebn0", "3", "--bits", "10", "--png", "-", "--size", size});
        EXPECT_EQ(r.exitCode, 0) << size << ": " << r.err.constData();
    }
}
