#include "tools/simcli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDir>
#include <QFileInfo>
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
        {"--format", ""},
        {"stray"},
        {"--margins", "--sweep"},
        {"--sweep", "--spread", "8"},
        {"--png="},
        {"--svg", ""},
        {"--margins", "--png", ""},
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
    for (const char* option : {"--text-a", "--code-b", "--key-rx", "--spread", "--format", "--margins", "--sweep",
                               "--png", "--svg", "--labels"})
        EXPECT_TRUE(r.out.contains(option)) << option;
    // The columns both options print, as a reader of the help needs them.
    for (const char* column : {"bit,part_a,part_b,end_value,decision,wanted,interference,bit_ok", "spread_factor",
                               "recovered_byte", "transmission_ok", "bit_errors", "min_margin"})
        EXPECT_TRUE(r.out.contains(column)) << column;
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
    // Declared in pixels, so that viewers show it at the size of the PNG.
    EXPECT_TRUE(content.contains("<svg width=\"785\" height=\"665\"")) << content.left(200).constData();
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
    EXPECT_EQ(r.err, "dscdma-sim: cannot write \"/nonexistent-folder/x.png\": No such file or directory\n");
}

namespace {

// The end values of trace J of a JSON run, and the margins' arrays as numbers (null as -999).
std::vector<int> Column(const QJsonObject& margins, const char* name)
{
    std::vector<int> out;
    for (const auto& v : margins[name].toArray())
        out.push_back(v.isNull() ? -999 : v.isBool() ? int(v.toBool()) : v.toInt());
    return out;
}

} // namespace

TEST(SimCli, MarginsAgreeWithTheTracesItPrints)
{
    const QStringList rows[] = {{}, {"--key-rx", "44"}, {"--key-rx", "7"}, {"--key-b", "0", "--spread", "3"},
                                {"--key-b", "23", "--spread", "20"}, {"--text-a", "", "--spread", "2"}};
    for (const QStringList& args : rows) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const QJsonObject o = RunJson(args + QStringList{"--margins"});
        const int spread = o["input"].toObject()["spread_factor"].toInt();
        const QJsonObject m = o["margins"].toObject();
        ASSERT_FALSE(m.isEmpty());
        const std::vector<int> a = Column(m, "part_a"), b = Column(m, "part_b");
        const std::vector<int> ends = EndValues(o, spread);
        const std::vector<int> signs = Ints(o["bit_signs"].toArray());
        ASSERT_EQ(a.size(), 8u);
        EXPECT_EQ(Column(m, "end_value"), ends);
        for (int bit = 0; bit < 8; ++bit) {
            EXPECT_EQ(a[bit] + b[bit], ends[bit]) << "bit " << bit + 1;
            EXPECT_EQ(Column(m, "decision")[bit], signs[bit] > 0 ? 1 : 0);
        }
        // The rest of the document is the plain run's.
        QJsonObject without = o;
        without.remove("margins");
        EXPECT_EQ(without, RunJson(args));

        const QString channel = o["selected_channel"].toString();
        if (channel == "-") {
            for (const char* name : {"wanted", "interference", "bit_ok"})
                EXPECT_EQ(Column(m, name), std::vector<int>(8, -999)) << name;
            continue;
        }
        const QString sent = channel == "1" ? "data_a" : "data_b";
        const std::vector<int> data = Ints(o["traces"].toObject()[sent].toArray());
        EXPECT_EQ(Column(m, "wanted"), channel == "1" ? a : b);
        EXPECT_EQ(Column(m, "interference"), channel == "1" ? b : a);
        for (int bit = 0; bit < 8; ++bit)
            EXPECT_EQ(Column(m, "bit_ok")[bit], int(Column(m, "decision")[bit] == data[bit * spread])) << bit + 1;
    }
}

TEST(SimCli, MarginsAsCsvHaveOneRowPerBit)
{
    const SimCliResult r = RunSim({"--margins", "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "bit,part_a,part_b,end_value,decision,wanted,interference,bit_ok\n"
                     "1,-8,-4,-12,0,-8,-4,1\n"
                     "2,8,2,10,1,8,2,1\n"
                     "3,-8,0,-8,0,-8,0,1\n"
                     "4,8,2,10,1,8,2,1\n"
                     "5,8,2,10,1,8,2,1\n"
                     "6,-8,0,-8,0,-8,0,1\n"
                     "7,8,4,12,1,8,4,1\n"
                     "8,-8,-2,-10,0,-8,-2,1\n");
    // Without a selected channel the last three columns stay empty.
    const QList<QByteArray> lines = RunSim({"--margins", "--format=csv", "--key-rx", "7"}).out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 9);
    for (int i = 1; i <= 8; ++i)
        EXPECT_TRUE(lines[i].endsWith(",,,")) << lines[i].constData();
}

TEST(SimCli, SweepAgreesWithARunAtEachFactor)
{
    const QStringList rows[] = {{}, {"--key-b", "0"}, {"--key-rx", "7"}};
    for (const QStringList& args : rows) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const QJsonObject o = RunJson(args + QStringList{"--sweep"});
        EXPECT_FALSE(o.contains("traces"));
        EXPECT_FALSE(o["input"].toObject().contains("spread_factor"));
        const QJsonArray sweep = o["sweep"].toArray();
        ASSERT_EQ(sweep.size(), 19);
        for (int i = 0; i < 19; ++i) {
            const int spread = 2 + i;
            const QJsonObject p = sweep[i].toObject();
            const QJsonObject run = RunJson(args + QStringList{"--spread", QString::number(spread)});
            EXPECT_EQ(p["spread_factor"].toInt(), spread);
            EXPECT_EQ(p["recovered_byte"].toInt(), run["recovered_byte"].toInt()) << spread;
            EXPECT_EQ(p["transmission_ok"].toBool(), run["transmission_ok"].toBool()) << spread;
            int smallest = 1000;
            for (int v : EndValues(run, spread))
                smallest = std::min(smallest, std::abs(v));
            EXPECT_EQ(p["min_margin"].toInt(), smallest) << spread;
            const QString channel = run["selected_channel"].toString();
            EXPECT_EQ(o["selected_channel"].toString(), channel);
            if (channel == "-") {
                EXPECT_TRUE(p["bit_errors"].isNull()) << spread;
                continue;
            }
            const QJsonArray sentText = run["input"].toObject()[channel == "1" ? "text_a" : "text_b"].toArray();
            const int sent = sentText.isEmpty() ? 0 : sentText[0].toInt();
            EXPECT_EQ(p["bit_errors"].toInt(), std::popcount(unsigned(sent ^ run["recovered_byte"].toInt()))) << spread;
        }
    }
}

TEST(SimCli, SweepAsCsvHasOneRowPerFactor)
{
    const SimCliResult r = RunSim({"--sweep", "--format", "csv", "--key-b", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 20);
    EXPECT_EQ(lines[0], "spread_factor,recovered_byte,transmission_ok,bit_errors,min_margin");
    EXPECT_EQ(lines[1], "2,94,0,1,0");
    EXPECT_EQ(lines[4], "5,90,1,0,2");
    EXPECT_TRUE(lines[19].startsWith("20,"));
    const QList<QByteArray> unknown = RunSim({"--sweep", "--format", "csv", "--key-rx", "7"}).out.trimmed().split('\n');
    ASSERT_EQ(unknown.size(), 20);
    for (int i = 1; i < 20; ++i)
        EXPECT_EQ(unknown[i].split(',')[3], "") << unknown[i].constData();
}

TEST(SimCli, EveryErrorIsOneLineWithTheValueEscaped)
{
    struct Row { QStringList args; const char* shown; };
    const Row rows[] = {
        {{"--key-a", "1\n2"}, "\"1\\n2\""},
        {{"--spread", "8\rx"}, "\"8\\rx\""},
        {{"--format", "c\tsv"}, "\"c\\tsv\""},
        {{"--code-b", QString("1") + QChar(0x1b) + "[31m"}, "\"1\\x1b[31m\""},
        {{"--text-a", QString(QChar(0x2028))}, "\"\\u2028\""},
        {{"--text-b", "a\"b"}, "\"a\\\"b\""},
        {{"stray\nline"}, "\"stray\\nline\""},
        {{"--unknown\noption"}, "unknown\\noption"},
        {{"--png", "/nonexistent-folder/a\nb.png"}, "\"/nonexistent-folder/a\\nb.png\""},
    };
    for (const Row& row : rows) {
        const SimCliResult r = RunSim(row.args);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
        EXPECT_TRUE(r.err.contains(row.shown)) << r.err.constData() << " lacks " << row.shown;
        EXPECT_FALSE(r.err.contains('\r') || r.err.contains('\t') || r.err.contains('\x1b')) << r.err.constData();
    }
}

TEST(SimCli, EmptyFileNameIsAUsageError)
{
    for (const QStringList& args : {QStringList{"--png="}, QStringList{"--svg", ""}}) {
        const SimCliResult r = RunSim(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, "dscdma-sim: " + args[0].split('=')[0].toUtf8() + " needs a file name\n");
    }
}

TEST(SimCli, WritesTheMarginsAndSweepPictures)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* analysis : {"--margins", "--sweep"}) {
        const QString png = dir.filePath(QString(analysis).mid(2) + ".png");
        const QString svg = dir.filePath(QString(analysis).mid(2) + ".svg");
        const SimCliResult r = RunSim({analysis, "--png", png, "--svg", svg});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_TRUE(r.out.isEmpty());
        const QImage image(png);
        EXPECT_EQ(image.size(), QSize(785, 345)) << analysis;
        // The plot of a receiver on channel 1 in its light blue, just inside the top-left corner.
        EXPECT_EQ(image.pixelColor(44 + 3, 24 + 30), QColor(221, 221, 255)) << analysis;
        QFile file(svg);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains("<svg width=\"785\" height=\"345\"\n viewBox=\"0 0 785 345\""));
    }
    // With a format, the data comes too.
    const SimCliResult both = RunSim({"--sweep", "--png", dir.filePath("s.png"), "--format", "csv"});
    EXPECT_TRUE(both.out.startsWith("spread_factor,"));
}

TEST(SimCli, FailedPictureWritesAreReportedAndLeaveNothingBehind)
{
    for (const char* option : {"--png", "--svg"}) {
        const SimCliResult full = RunSim({option, "/dev/full", "--margins"});
        EXPECT_EQ(full.exitCode, 1) << option;
        EXPECT_EQ(full.err, "dscdma-sim: cannot write \"/dev/full\": No space left on device\n") << option;
        const QFileInfo device("/dev/full");
        EXPECT_TRUE(device.exists() && !device.isFile()) << "the device itself stays";
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const SimCliResult folder = RunSim({"--png", dir.path()});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_TRUE(folder.err.contains("it is a folder")) << folder.err.constData();

    // A good write replaces the old file whole and leaves no temporary file next to it.
    const QString target = dir.filePath("old.png");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    ASSERT_EQ(RunSim({"--png", target}).exitCode, 0);
    EXPECT_EQ(QImage(target).size(), QSize(785, 665));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.png"});
}
