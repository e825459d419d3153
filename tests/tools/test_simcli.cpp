#include "simcli.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QImage>
#include <QTemporaryDir>

namespace {

SimCliResult RunSim(QStringList args)
{
    args.prepend("dscdma-sim");
    return RunSimCli(args);
}

QJsonObject RunJson(const QStringList& args)
{
    const SimCliResult r = RunSim(args);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.isEmpty());
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

std::vector<int> Ints(const QJsonArray& a)
{
    std::vector<int> out;
    for (const auto& v : a)
        out.push_back(v.toInt());
    return out;
}

std::vector<int> EndValues(const QJsonObject& o, int spread)
{
    const QJsonArray neg = o["traces"].toObject()["neg_integral"].toArray();
    std::vector<int> out;
    for (int bit = 1; bit <= 8; ++bit)
        out.push_back(neg[bit * spread - 1].toInt());
    return out;
}

} // namespace

TEST(SimCli, DefaultsRecoverZOnChannelOne)
{
    const QJsonObject o = RunJson({});
    const QJsonObject in = o["input"].toObject();
    EXPECT_EQ(Ints(in["text_a"].toArray()), std::vector<int>{'Z'});
    EXPECT_EQ(Ints(in["text_b"].toArray()), std::vector<int>{'W'});
    EXPECT_EQ(in["key_a"].toDouble(), 23);
    EXPECT_EQ(in["key_b"].toDouble(), 44);
    EXPECT_EQ(in["key_rx"].toDouble(), 23);
    EXPECT_EQ(in["spread_factor"].toInt(), 8);
    EXPECT_EQ(o["selected_channel"].toString(), "1");
    EXPECT_EQ(o["recovered_byte"].toInt(), 0x5A);
    EXPECT_TRUE(o["transmission_ok"].toBool());
    EXPECT_EQ(Ints(o["bit_signs"].toArray()), (std::vector<int>{-1, 1, -1, 1, 1, -1, 1, -1}));
    EXPECT_EQ(EndValues(o, 8), (std::vector<int>{-12, 10, -8, 10, 10, -8, 12, -10}));
    const QJsonObject traces = o["traces"].toObject();
    for (const char* name : {"data_a", "chips_a", "spread_a", "data_b", "chips_b", "spread_b", "composite",
                             "rx_chips", "despread", "neg_integral"})
        EXPECT_EQ(traces[name].toArray().size(), 64) << name;
    EXPECT_EQ(traces.size(), 10);
    const auto composite = Ints(traces["composite"].toArray());
    const auto rx = Ints(traces["rx_chips"].toArray());
    const auto despread = Ints(traces["despread"].toArray());
    for (size_t i = 0; i < despread.size(); ++i)
        ASSERT_EQ(despread[i], composite[i] * rx[i]);
}

TEST(SimCli, ReproducesTheKnownScenarios)
{
    struct Row { QStringList args; int spread; std::vector<int> ends; int byte; QString channel; bool ok; };
    const Row rows[] = {
        {{"--key-rx", "44"}, 8, {12, 10, 8, -10, 10, -8, 12, -10}, 0x57, "2", true},
        {{"--key-rx=7"}, 8, {4, -2, 0, -2, 2, -4, -4, -2}, 0x15, "-", false},
        {{"--spread", "3"}, 3, {}, 0x5A, "1", true},
        {{"--key-b", "0", "--spread", "2"}, 2, {-2, 2, 0, 2, 0, -4, 2, -2}, 0x5E, "1", false},
        {{"--key-b", "23"}, 8, {0, 16, 0, 0, 16, -16, 16, -16}, 0x5F, "1", false},
        {{"--key-rx", "4294967319"}, 8, {}, -1, "-", false},
        {{"--key-a", "23.5", "--key-b", "22.5", "--key-rx", "24"}, 8, {}, -1, "1", false},
        {{"--key-a", "23.5", "--key-b", "22.5", "--key-rx", "22"}, 8, {}, -1, "2", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        const QJsonObject o = RunJson(row.args);
        if (!row.ends.empty()) {
            EXPECT_EQ(EndValues(o, row.spread), row.ends);
        }
        if (row.byte >= 0) {
            EXPECT_EQ(o["recovered_byte"].toInt(), row.byte);
        }
        EXPECT_EQ(o["selected_channel"].toString(), row.channel);
        if (row.channel == "-" || row.byte >= 0) {
            EXPECT_EQ(o["transmission_ok"].toBool(), row.ok);
        }
    }
}

TEST(SimCli, EmptyTextSendsZeroAndNeverMatches)
{
    const QJsonObject o = RunJson({"--text-a", ""});
    EXPECT_TRUE(o["input"].toObject()["text_a"].toArray().isEmpty());
    for (int v : Ints(o["traces"].toObject()["data_a"].toArray()))
        ASSERT_EQ(v, 0);
    EXPECT_FALSE(o["transmission_ok"].toBool());
}

TEST(SimCli, TextsAreSentInTheEightBitCodePage)
{
    const QJsonObject o = RunJson({"--text-a", QString::fromUtf8("ü"), "--text-b", QString::fromUtf8("€")});
    EXPECT_EQ(Ints(o["input"].toObject()["text_a"].toArray()), std::vector<int>{0xFC});
    EXPECT_EQ(Ints(o["input"].toObject()["text_b"].toArray()), std::vector<int>{0x80});
    const QJsonObject c = RunJson({"--code-a", "0", "--code-b=255"});
    EXPECT_EQ(Ints(c["input"].toObject()["text_a"].toArray()), std::vector<int>{0});
    EXPECT_EQ(Ints(c["input"].toObject()["text_b"].toArray()), std::vector<int>{255});
}

TEST(SimCli, KeysEchoExactly)
{
    const QJsonObject o = RunJson({"--key-a=-5", "--key-b", "0.1", "--key-rx", "1e18"});
    const QJsonObject in = o["input"].toObject();
    EXPECT_EQ(in["key_a"].toDouble(), -5.0);
    EXPECT_EQ(in["key_b"].toDouble(), 0.1);
    EXPECT_EQ(in["key_rx"].toDouble(), 1e18);
    // A negative value may also follow its option as the next argument.
    EXPECT_EQ(RunJson({"--key-b", "-7.25"})["input"].toObject()["key_b"].toDouble(), -7.25);
}

TEST(SimCli, CsvHasOneRowPerSampleWithItsTimeSpan)
{
    const SimCliResult r = RunSim({"--format", "csv", "--spread", "3"});
    ASSERT_EQ(r.exitCode, 0);
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 1 + 24);
    EXPECT_EQ(lines[0], "n,t_start,t_end,data_a,chips_a,spread_a,data_b,chips_b,spread_b,composite,rx_chips,despread,neg_integral");
    const QList<QByteArray> first = lines[1].split(',');
    ASSERT_EQ(first.size(), 13);
    EXPECT_EQ(first[0], "1");
    EXPECT_EQ(first[1].toDouble(), 0.0);
    EXPECT_EQ(first[2].toDouble(), 125.0 / 3);
    const QList<QByteArray> last = lines.back().split(',');
    EXPECT_EQ(last[0], "24");
    EXPECT_EQ(last[2].toDouble(), 1000.0);
}

TEST(SimCli, BadUsageExitsTwoWithOneLineAndNoOutput)
{
    const QStringList bad[] = {
        {"--unknown"},
        {"--text-a", "ZZ"},
        {"--text-a", QString::fromUtf8("Ω")},
        {"--code-a", "256"},
        {"--code-b", "-1"},
        {"--code-a", "x"},
        {"--text-a", "A", "--code-a", "65"},
        {"--spread", "1"},
        {"--spread", "21"},
        {"--spread", "8.5"},
        {"--key-a", "abc"},
        {"--key-a", "1,5"},
        {"--key-b", "1 2"},
        {"--format", "xml"},
        {"stray"},
    };
    for (const QStringList& args : bad) {
        const SimCliResult r = RunSim(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
        EXPECT_TRUE(r.err.endsWith('\n'));
    }
}

TEST(SimCli, KeysAreReadAsTheKeyFieldsReadThem)
{
    struct Row { const char* text; double value; };
    const Row rows[] = {{"$ff", 255}, {"%101", 5}, {"&17", 15}, {"2.5e3", 2500}, {"1E5", 100000},
                        {"  12", 12}, {"-", 0}, {"", 0}, {"1e", 1}, {"-0.5", -0.5}};
    for (const Row& row : rows) {
        const QJsonObject o = RunJson({"--key-a", row.text});
        EXPECT_EQ(o["input"].toObject()["key_a"].toDouble(), row.value) << row.text;
    }
    // The receiver field takes the widest range: huge keys parse, then fail to round.
    const SimCliResult r = RunSim({"--key-b", "1e5000"});
    EXPECT_EQ(r.exitCode, 1);
    const SimCliResult bad = RunSim({"--key-rx", "12 "});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("--key-rx")) << bad.err.constData();
}

TEST(SimCli, UnroundableKeyExitsOne)
{
    for (const char* key : {"1e300", "-1e19", "9223372036854775808"}) {
        const SimCliResult r = RunSim({"--key-rx", key});
        EXPECT_EQ(r.exitCode, 1) << key;
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err, "dscdma-sim: Invalid floating point operation\n");
    }
}

TEST(SimCli, HelpListsTheOptions)
{
    const SimCliResult r = RunSim({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* option : {"--text-a", "--code-b", "--key-rx", "--spread", "--format"})
        EXPECT_TRUE(r.out.contains(option)) << option;
}

TEST(SimCli, WritesTheFourChartsAsPictures)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath("run.png");
    const QString svg = dir.filePath("run.svg");
    const QString labelled = dir.filePath("labelled.png");
    const SimCliResult r = RunSim({"--png", png, "--svg", svg, "--key-rx", "44"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty()); // pictures only, unless a format is asked for
    ASSERT_EQ(RunSim({"--png", labelled, "--labels", "--key-rx", "44"}).exitCode, 0);

    const QImage image(png);
    ASSERT_EQ(image.size(), QSize(785, 665));
    // Inside the receiver chart's plot (top 424 - 40, margins 10 and 20): tuned to channel 2.
    EXPECT_EQ(image.pixelColor(10 + 3, 384 + 20 + 3), QColor(249, 235, 193));
    // Inside channel 1's plot, its light blue.
    EXPECT_EQ(image.pixelColor(10 + 3, 0 + 20 + 3), QColor(221, 221, 255));
    // The labels put yellow boxes where there were none.
    auto yellow = [](const QImage& i) {
        int n = 0;
        for (int y = 0; y < i.height(); ++y)
            for (int x = 0; x < i.width(); ++x)
                n += i.pixelColor(x, y) == QColor(255, 255, 0) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(yellow(image), 0);
    EXPECT_GT(yellow(QImage(labelled)), 1000);

    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_TRUE(content.contains("<svg"));
    EXPECT_TRUE(content.contains("viewBox=\"0 0 785 665\""));
    EXPECT_TRUE(content.contains("<polyline")) << "traces are drawn as vectors";
}

TEST(SimCli, PictureAndDataTogetherWhenAFormatIsAskedFor)
{
    QTemporaryDir dir;
    const SimCliResult r = RunSim({"--png", dir.filePath("a.png"), "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("n,t_start"));
}

TEST(SimCli, UnwritablePictureExitsOne)
{
    const SimCliResult r = RunSim({"--png", "/nonexistent-folder/x.png"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.startsWith("dscdma-sim: cannot write /nonexistent-folder/x.png"));
}
