#include "tools/simcli.h"

#include "core/chart/chart.h"
#include "core/i18n/dictionary.h"
#include "core/lab/rateschart.h"
#include "core/numeric/numparse.h"
#include "core/sim/analysischarts.h"
#include "core/sim/decisionmargins.h"
#include "core/sim/signalmodel.h"
#include "core/sim/siminputs.h"
#include "i18n/cp1252.h"
#include "tools/analysispicture.h"
#include "tools/bercli.h"
#include "tools/berrunner.h"
#include "tools/chartpicture.h"
#include "tools/oneline.h"
#include "tools/picturefile.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <functional>
#include <optional>

namespace {

constexpr int ExitFailed = 1; // the model failed, or a file could not be written
constexpr int ExitUsage = 2;

struct UsageError
{
    QString message;
};

QString NumberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// One character at most, as the character fields hold, in the 8-bit code page of the program.
std::string ReadText(const QCommandLineParser& parser, const QString& textOption, const QString& codeOption,
                     const std::string& fallback)
{
    const bool hasText = parser.isSet(textOption);
    const bool hasCode = parser.isSet(codeOption);
    if (hasText && hasCode)
        throw UsageError{QStringLiteral("give --%1 or --%2, not both").arg(textOption, codeOption)};
    if (hasCode) {
        bool ok = false;
        const int code = parser.value(codeOption).toInt(&ok, 10);
        if (!ok || code < 0 || code > 255)
            throw UsageError{QStringLiteral("--%1 takes a byte value 0..255, not %2").arg(codeOption, QuotedValue(parser.value(codeOption)))};
        return std::string(1, static_cast<char>(code));
    }
    if (!hasText)
        return fallback;
    const QString text = parser.value(textOption);
    if (text.toUcs4().size() > 1)
        throw UsageError{QStringLiteral("--%1 takes at most one character, not %2").arg(textOption, QuotedValue(text))};
    const QByteArray bytes = cp1252::Encode(text);
    if (cp1252::Decode(bytes) != text) // the encoder stands '?' in for what it cannot hold
        throw UsageError{QStringLiteral("--%1: %2 has no Windows-1252 code").arg(textOption, QuotedValue(text))};
    return bytes.toStdString();
}

double ReadKey(const QCommandLineParser& parser, const QString& option, double fallback)
{
    if (!parser.isSet(option))
        return fallback;
    // Read as the key fields read them, so a script and the window agree on every key.
    const QString text = parser.value(option);
    const ParsedNumber number = ParseText(text.toStdString(), itDynamic, dsDot);
    if (!number.valid)
        throw UsageError{QStringLiteral("--%1 takes a number, not %2").arg(option, QuotedValue(text))};
    return number.value;
}

int ReadSpread(const QCommandLineParser& parser)
{
    if (!parser.isSet("spread"))
        return DefaultSimInput().SpreadFactor;
    bool ok = false;
    const int value = parser.value("spread").toInt(&ok, 10);
    if (!ok || value < MinSpreadFactor || value > MaxSpreadFactor)
        throw UsageError{QStringLiteral("--spread takes a whole number 2..20, not %1").arg(QuotedValue(parser.value("spread")))};
    return value;
}

QJsonArray Bytes(const std::string& text)
{
    QJsonArray out;
    for (unsigned char c : text)
        out.append(int(c));
    return out;
}

struct Trace
{
    const char* name;
    std::function<int(const SimResult&, int)> sample; // n is 1-based
};

const std::vector<Trace>& Traces()
{
    static const std::vector<Trace> traces = {
        {"data_a", [](const SimResult& r, int n) { return r.DataA[n - 1]; }},
        {"chips_a", [](const SimResult& r, int n) { return r.ChipsA[n - 1]; }},
        {"spread_a", [](const SimResult& r, int n) { return r.SpreadA[n - 1]; }},
        {"data_b", [](const SimResult& r, int n) { return r.DataB[n - 1]; }},
        {"chips_b", [](const SimResult& r, int n) { return r.ChipsB[n - 1]; }},
        {"spread_b", [](const SimResult& r, int n) { return r.SpreadB[n - 1]; }},
        {"composite", [](const SimResult& r, int n) { return r.Composite[n - 1]; }},
        {"rx_chips", [](const SimResult& r, int n) { return r.RxChips[n - 1]; }},
        {"despread", [](const SimResult& r, int n) { return r.Despread(n); }},
        {"neg_integral", [](const SimResult& r, int n) { return r.NegIntegral[n - 1]; }},
    };
    return traces;
}

QJsonObject InputObject(const SimInput& in, bool withSpread)
{
    QJsonObject input;
    input["text_a"] = Bytes(in.TextA);
    input["text_b"] = Bytes(in.TextB);
    input["key_a"] = in.KeyA;
    input["key_b"] = in.KeyB;
    input["key_rx"] = in.KeyRx;
    if (withSpread)
        input["spread_factor"] = in.SpreadFactor;
    return input;
}

template <typename T>
QJsonArray Array(const std::array<T, BitsPerChar>& values, bool known = true)
{
    QJsonArray out;
    for (const T& v : values)
        out.append(known ? QJsonValue(v) : QJsonValue(QJsonValue::Null));
    return out;
}

QJsonObject MarginsObject(const BitMargins& m)
{
    QJsonObject margins;
    margins["part_a"] = Array(m.PartA);
    margins["part_b"] = Array(m.PartB);
    margins["end_value"] = Array(m.EndValue);
    margins["decision"] = Array(m.Decision);
    margins["wanted"] = Array(m.Wanted, m.HasWanted);
    margins["interference"] = Array(m.Interference, m.HasWanted);
    margins["bit_ok"] = Array(m.BitOk, m.HasWanted);
    return margins;
}

QByteArray Json(const SimInput& in, const SimResult& r, bool withMargins)
{
    QJsonArray signs;
    for (int s : r.BitSigns)
        signs.append(s);

    QJsonObject traces;
    for (const Trace& t : Traces()) {
        QJsonArray values;
        for (int n = 1; n <= r.SampleCount(); ++n)
            values.append(t.sample(r, n));
        traces[t.name] = values;
    }

    QJsonObject root;
    root["input"] = InputObject(in, true);
    root["selected_channel"] = QString(QChar(r.SelectedChannel));
    root["recovered_byte"] = int(r.RecoveredByte);
    root["transmission_ok"] = r.TransmissionOk;
    root["bit_signs"] = signs;
    root["traces"] = traces;
    if (withMargins)
        root["margins"] = MarginsObject(ComputeMargins(r));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray Csv(const SimResult& r)
{
    QByteArray out = "n,t_start,t_end";
    for (const Trace& t : Traces())
        out += QByteArray(",") + t.name;
    out += '\n';
    for (int n = 1; n <= r.SampleCount(); ++n) {
        out += QByteArray::number(n) + ',' + NumberText((n - 1) * r.ChipDuration).toLatin1() + ','
               + NumberText(n * r.ChipDuration).toLatin1();
        for (const Trace& t : Traces())
            out += ',' + QByteArray::number(t.sample(r, n));
        out += '\n';
    }
    return out;
}

QByteArray MarginsCsv(const SimResult& r)
{
    const BitMargins m = ComputeMargins(r);
    QByteArray out = "bit,part_a,part_b,end_value,decision,wanted,interference,bit_ok\n";
    for (int bit = 0; bit < BitsPerChar; ++bit) {
        out += QByteArray::number(bit + 1) + ',' + QByteArray::number(m.PartA[bit]) + ','
               + QByteArray::number(m.PartB[bit]) + ',' + QByteArray::number(m.EndValue[bit]) + ','
               + QByteArray::number(m.Decision[bit]) + ',';
        if (m.HasWanted)
            out += QByteArray::number(m.Wanted[bit]) + ',' + QByteArray::number(m.Interference[bit]) + ','
                   + (m.BitOk[bit] ? '1' : '0');
        else
            out += ",,";
        out += '\n';
    }
    return out;
}

QByteArray SweepJson(const SimInput& in, char selectedChannel, const std::vector<SweepPoint>& sweep)
{
    QJsonArray points;
    for (const SweepPoint& p : sweep) {
        QJsonObject point;
        point["spread_factor"] = p.SpreadFactor;
        point["recovered_byte"] = int(p.RecoveredByte);
        point["transmission_ok"] = p.TransmissionOk;
        point["bit_errors"] = p.BitErrors ? QJsonValue(*p.BitErrors) : QJsonValue(QJsonValue::Null);
        point["min_margin"] = p.MinMargin;
        points.append(point);
    }
    QJsonObject root;
    root["input"] = InputObject(in, false);
    root["selected_channel"] = QString(QChar(selectedChannel));
    root["sweep"] = points;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray SweepCsv(const std::vector<SweepPoint>& sweep)
{
    QByteArray out = "spread_factor,recovered_byte,transmission_ok,bit_errors,min_margin\n";
    for (const SweepPoint& p : sweep)
        out += QByteArray::number(p.SpreadFactor) + ',' + QByteArray::number(p.RecoveredByte) + ','
               + (p.TransmissionOk ? '1' : '0') + ',' + (p.BitErrors ? QByteArray::number(*p.BitErrors) : QByteArray())
               + ',' + QByteArray::number(p.MinMargin) + '\n';
    return out;
}

enum class Analysis { None, Margins, Sweep };

// The picture of a run: the four charts, or the chart of its analysis. sweep is used only for
// the sweep's picture and must outlive the picture, as must the result.
Picture PictureOf(const SimResult& r, Analysis analysis, const std::vector<SweepPoint>& sweep, bool labels)
{
    if (analysis == Analysis::None)
        return {QSize(chartpicture::Width, chartpicture::Height),
                [&r, labels](QPainter& painter) { chartpicture::Paint(r, labels, painter); },
                "DS-CDMA", "Traces of one direct-sequence CDMA run"};
    const bool isSweep = analysis == Analysis::Sweep;
    return {QSize(analysis::Width, analysis::Height),
            [&r, &sweep, isSweep](QPainter& painter) {
                // Without a language file every caption shows its key without the prefix, as on
                // screen.
                Dictionary translator;
                const std::unique_ptr<Chart> chart =
                    isSweep ? analysis::SweepChart(sweep, r.SelectedChannel, translator)
                            : analysis::MarginsChart(r, translator, analysispicture::ScreenTextMetrics());
                analysispicture::Paint(*chart, painter);
            },
            "DS-CDMA",
            isSweep ? "Bit errors and smallest decision margin over the spreading factor"
                    : "Decision margins of one direct-sequence CDMA run"};
}

// The picture of a --ber run; the job and curves must outlive it.
Picture BerPictureOf(const bercli::Job& job, const std::vector<std::vector<lab::CurvePoint>>& curves)
{
    return {QSize(job.size.width, job.size.height),
            [&job, &curves](QPainter& painter) {
                std::vector<lab::ChartCurve> drawn;
                for (std::size_t i = 0; i < job.curves.size(); ++i)
                    drawn.push_back({job.curves[i], curves[i], {}, {}});
                Dictionary translator;
                const lab::RatesChart chart(drawn, job.varying, translator, job.size);
                analysispicture::PaintWith(chart.GetSize(), painter, [&chart](Canvas& canvas) { chart.Paint(canvas); });
            },
            "DS-CDMA", "Bit-error rates of the lab model over Eb/N0"};
}

// The option errors QCommandLineParser would report, in this tool's own style: an unknown
// option, a missing value, a value for a switch. Empty when the syntax is right.
QString CheckOptionSyntax(const QStringList& arguments, const QList<QCommandLineOption>& options)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--")
            break; // the rest is positional
        if (!argument.startsWith('-') || argument == "-")
            continue;
        const qsizetype equals = argument.indexOf('=');
        const QString written = equals < 0 ? argument : argument.left(equals);
        const QString name = written.mid(written.startsWith("--") ? 2 : 1);
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const QCommandLineOption& o) { return o.names().contains(name); });
        if (option == options.end())
            return QStringLiteral("unknown option %1").arg(QuotedValue(written));
        const bool takesValue = !option->valueName().isEmpty();
        if (takesValue && equals < 0 && ++i >= arguments.size())
            return QStringLiteral("%1 needs a value").arg(written);
        if (!takesValue && equals >= 0)
            return QStringLiteral("%1 takes no value").arg(written);
    }
    return {};
}

// The bytes of one picture, or an empty array when it cannot be made.
QByteArray PictureBytes(const Picture& picture, bool png)
{
    return png ? picturefile::Png(picture) : picturefile::Svg(picture);
}

// What --help prints above the options: every mode and column.
QString Description()
{
    return
        "Runs the DS-CDMA simulation without a window and prints every trace.\n"
        "Two transmitters send one character each, spread by chips drawn from their\n"
        "keys; the receiver despreads the sum with its own key.\n"
        "\n"
        "Output, JSON unless --format csv: the inputs, the selected channel (1 when the\n"
        "receiver key rounds to key A, else 2 when to key B, else -), the recovered byte,\n"
        "the verdict, the bit signs and every trace sample by sample; as CSV one row per\n"
        "sample.\n"
        "\n"
        "--margins splits the end value of trace J of each of the 8 bits into what the\n"
        "two transmitters contribute: part_a and part_b (-1 times the sum of channel A's\n"
        "or B's spread signal times the receiver's chips over the bit), end_value (their\n"
        "sum, trace J at the bit's last sample), decision (the decided bit, 0 or 1; an\n"
        "end value of 0 decides 1) and, with a selected channel, wanted and interference\n"
        "(that channel's part and the other's) and bit_ok (whether the decided bit is\n"
        "the one that channel's transmitter sent). JSON adds an object \"margins\" with an\n"
        "array of 8 per name (null for the last three without a selected channel); CSV\n"
        "prints one row per bit instead of one per sample, with the columns\n"
        "bit,part_a,part_b,end_value,decision,wanted,interference,bit_ok (the last three\n"
        "empty without a selected channel).\n"
        "\n"
        "--sweep runs the same characters and keys at every spreading factor from 2 to 20\n"
        "and gives per factor spread_factor, recovered_byte, transmission_ok, bit_errors\n"
        "(bits that differ from the selected transmitter's character; null in JSON and\n"
        "empty in CSV without a selected channel) and min_margin (the smallest |end\n"
        "value| over the 8 bits). JSON holds the inputs, the selected channel and an\n"
        "array \"sweep\" of 19 objects; CSV one row per factor.\n"
        "\n"
        "--ber runs the lab instead: --users transmitters send random bits, each spread\n"
        "by its code and scaled by its --power, chip-synchronous and all at once unless\n"
        "--delays or --async start their bits whole chips apart; white Gaussian noise\n"
        "is added, set by --ebn0 relative to the decoded user's bit energy (chips of\n"
        "energy 1, noise variance per chip N/(2 Eb/N0)); the receiver of user --rx,\n"
        "aligned to that user, correlates with its code and decides each bit by sign, as\n"
        "the window's receiver does. Per Eb/N0 it gives ebn0_db (null in JSON and empty\n"
        "in CSV without noise), bits, errors, ber (errors / bits), ci95 (the Wilson 95 %\n"
        "interval of the rate; with --max-errors the exact one), theory_exact (the exact\n"
        "rate of this model; null where the sums the other users can add number more\n"
        "than 65536) and theory_gaussian (the Gaussian approximation). JSON holds an\n"
        "object \"ber\" with users, codes, spread, rx, power_db, seed, delays (with\n"
        "--delays or --async), max_errors (with --max-errors) and an array \"points\"; CSV\n"
        "one row per point with the columns\n"
        "ebn0_db,bits,errors,ber,ci95_low,ci95_high,theory_exact,theory_gaussian, after a\n"
        "column delays (with --delays or --async). A comma list in one of --spread,\n"
        "--users or --codes measures one curve per value: \"ber\" then holds \"varies\" and\n"
        "an array \"curves\" of such objects, and CSV begins with the varying column (for\n"
        "--codes also spread). --show-codes prints the codes instead: JSON holds\n"
        "\"input\", \"codes\" (each user's chips as +1 and -1) and \"correlation\" with the\n"
        "matrices \"at_delays\" and \"worst\" (row j for the receiver of user j); CSV one\n"
        "row per user, user,delay,code (+ and -),at_delays_1,...,worst_1,.... A run\n"
        "takes time in proportion to points x bits x users x spreading factor; on a\n"
        "terminal it shows its progress on standard error.\n"
        "\n"
        "In CSV, yes and no are 1 and 0. An option takes its value as the next argument\n"
        "or after '=' (--spread=4), and may be written with one dash (-spread 4).\n"
        "\n"
        "Exit status: 0 done; 1 a key too large to round (\"Invalid floating point\n"
        "operation\"), or a picture or standard output that could not be written; 2 bad\n"
        "usage. Every error is one line on standard error. A picture file is written\n"
        "whole or not at all: on failure an existing file keeps its old content.";
}

QList<QCommandLineOption> LabOptions()
{
    return {
        {"users", "With --ber: the number of transmitters, 1..8 (default 2), or a comma list, one "
                  "curve each.", "K"},
        {"codes", "With --ber: the code family (default random), or a comma list, one curve each, "
                  "each family at the spreading factor given or the nearest it takes. random: chips "
                  "of the keys' generator, fresh in every bit, one key per user drawn from --seed; "
                  "walsh: rows 0, 1, ... of the Hadamard matrix in its natural (Sylvester) order, "
                  "spreading factor a power of two, at least the users; msequence: shifts 0, 1, ... "
                  "of one maximal-length sequence, of x^2+x+1, x^3+x+1, x^4+x+1, x^5+x^2+1 or x^6+x+1, "
                  "spreading factor 3, 7, 15, 31 or 63, at least the users; gold: that m-sequence a "
                  "times its decimation b (by 3, by 5 for 63 chips) shifted by 0, 1, ..., then a and "
                  "b, spreading factor 7, 31 or 63, at most N + 2 users.", "FAMILY"},
        {"ebn0", "With --ber: Eb/N0 of the decoded user in dB, -100..100, or FROM:TO:STEP whose steps "
                 "land on TO (at most 1000 points). Without it there is no noise.", "DB"},
        {"bits", "With --ber: bits sent by each user per point, 1..1000000000 (default 100000).", "N"},
        {"seed", "With --ber: seed of the data bits, the noise, the random codes and --async's "
                 "delays, 0..4294967295 (default 1). Every point starts from it, so a point of a "
                 "range equals the same point run alone.", "S"},
        {"power", "With --ber: the level of each user in dB relative to 0 dB, -100..100, one per user, "
                  "separated by commas (default 0 for all).", "LIST"},
        {"rx", "With --ber: the user decoded, 1..users (default 1).", "I"},
        {"delays", "With --ber: each user's delay in chips, 0..N-1, one per user separated by commas: "
                   "a user's bits start that many chips after user 1's, whose delay is 0. The receiver "
                   "stays aligned to its own user. Default: all aligned.", "LIST"},
        {"async", "With --ber: delays drawn from --seed, user 1's 0 and each other's from 0..N-1, "
                  "reported as delays."},
        {"show-codes", "With --ber: prints each user's code and the correlations of the codes, at the "
                       "delays and the largest over all delays, instead of measuring."},
        {"max-errors", "With --ber: ends a point once E errors are counted, 1..1000000000; its "
                       "interval is then the exact (Clopper-Pearson) one.", "E"},
        {"jobs", "With --ber: measures the points on N threads, 1..64 (default 1); the counts are the "
                 "same for every N.", "N"},
        {"size", "With --ber and --png or --svg: the picture's size in pixels, WIDTHxHEIGHT, 400x300 "
                 "to 4000x4000 (default 1200x800).", "WxH"},
    };
}

QList<QCommandLineOption> Options()
{
    QList<QCommandLineOption> options = {
        {"text-a", "Character of transmitter A (at most one; default Z).", "T"},
        {"text-b", "Character of transmitter B (at most one; default W).", "T"},
        {"code-a", "Byte 0..255 sent by transmitter A instead of --text-a.", "N"},
        {"code-b", "Byte 0..255 sent by transmitter B instead of --text-b.", "N"},
        {"key-a", "Key of transmitter A (default 23). Read as the key fields read it: decimal with "
                  "exponent, or $ hex, % binary, & octal.", "K"},
        {"key-b", "Key of transmitter B (default 44), read as --key-a.", "K"},
        {"key-rx", "Key held by the receiver (default 23), read as --key-a.", "K"},
        {"spread", "Spreading factor, chips per bit, 2..20 (default 8); with --ber 2..64 as the code "
                   "family allows (default 8, for msequence and gold 7), or a comma list, one curve "
                   "each. Not with --sweep.", "N"},
        {"format", "Output format: json or csv (default json). When a picture is written, nothing "
                   "is printed unless a format is given.", "FORMAT"},
        {"margins", "Adds the decision margins of each bit; with --png/--svg draws "
                    "them instead of the four charts: the wanted and interfering parts as bars, "
                    "the end value of trace J, the threshold and each decided bit. Not with --sweep."},
        {"sweep", "Runs every spreading factor from 2 to 20 and prints one result per factor "
                  "instead of the traces; with --png/--svg draws bit errors and the "
                  "smallest margin over the factor. Not with --margins or --spread."},
        {"ber", "Measures bit-error rates of the lab model instead of sending two characters; with "
                "--png/--svg draws them over Eb/N0 on a logarithmic scale, with their intervals and "
                "the theory. Not with --margins, --sweep, --labels or the options of characters and keys."},
    };
    options += LabOptions();
    options += {
        {"png", "Writes a PNG picture: the four charts as the main window shows them (785 x 665 "
                "pixels), the margins or sweep chart (785 x 345), or the bit-error-rate chart "
                "(1200 x 800, or --size). A FILE of - writes it to standard output.", "FILE"},
        {"svg", "Writes the same picture as SVG, sized in pixels.", "FILE"},
        {"labels", "Shows the trace labels in the four charts, as the explanations button does "
                   "(the margins and sweep charts always have their legend)."},
        {{"h", "help"}, "Shows this help."},
    };
    return options;
}

// What one command line asks for, read and checked before anything runs.
struct Job
{
    bool ber = false;
    Analysis analysis = Analysis::None;
    bool csv = false;
    bool format = false; // a format was given
    bool labels = false;
    SimInput in;
    bercli::Job berJob;
    std::vector<std::pair<bool, QString>> pictures; // PNG or not, and where; "-" is standard output
};

// The options that do not go with the chosen mode, and those that exclude each other.
void CheckModes(const QCommandLineParser& parser, bool ber)
{
    if (ber) {
        for (const char* option : {"margins", "sweep", "labels", "text-a", "text-b", "code-a", "code-b", "key-a",
                                   "key-b", "key-rx"})
            if (parser.isSet(option))
                throw UsageError{QStringLiteral("--ber does not go with --%1").arg(option)};
    } else {
        for (const QString& option : bercli::OwnOptions())
            if (parser.isSet(option))
                throw UsageError{QStringLiteral("--%1 goes only with --ber").arg(option)};
    }
    if (parser.isSet("margins") && parser.isSet("sweep"))
        throw UsageError{"give --margins or --sweep, not both"};
    if (parser.isSet("sweep") && parser.isSet("spread"))
        throw UsageError{"--sweep runs every spreading factor; leave out --spread"};
}

std::vector<std::pair<bool, QString>> ReadPictures(const QCommandLineParser& parser)
{
    std::vector<std::pair<bool, QString>> pictures;
    for (const char* option : {"png", "svg"}) {
        if (!parser.isSet(option))
            continue;
        const QString fileName = parser.value(option);
        if (fileName.isEmpty())
            throw UsageError{QStringLiteral("--%1 needs a file name").arg(option)};
        pictures.emplace_back(QByteArrayView(option) == "png", fileName);
    }
    const auto toStdout = std::count_if(pictures.begin(), pictures.end(), [](const auto& p) { return p.second == "-"; });
    if (toStdout > 1)
        throw UsageError{"only one picture can go to standard output"};
    if (toStdout == 1 && parser.isSet("format"))
        throw UsageError{"the picture goes to standard output; leave out --format or write it to a file"};
    return pictures;
}

Job ReadJob(const QCommandLineParser& parser)
{
    Job job;
    job.ber = parser.isSet("ber");
    CheckModes(parser, job.ber);
    job.analysis = parser.isSet("sweep") ? Analysis::Sweep : parser.isSet("margins") ? Analysis::Margins : Analysis::None;
    job.pictures = ReadPictures(parser);
    if (job.ber && !job.pictures.empty() && !parser.isSet("ebn0"))
        throw UsageError{"--ber draws its rates over Eb/N0: give --ebn0 with --png or --svg"};
    if (job.ber) {
        if (const QString message = bercli::Read(parser, job.berJob); !message.isEmpty())
            throw UsageError{message};
    } else {
        job.in.SetTextA(ReadText(parser, "text-a", "code-a", DefaultSimInput().TextA));
        job.in.SetTextB(ReadText(parser, "text-b", "code-b", DefaultSimInput().TextB));
        job.in.KeyA = ReadKey(parser, "key-a", DefaultSimInput().KeyA);
        job.in.KeyB = ReadKey(parser, "key-b", DefaultSimInput().KeyB);
        job.in.KeyRx = ReadKey(parser, "key-rx", DefaultSimInput().KeyRx);
        job.in.SpreadFactor = ReadSpread(parser);
    }
    const QString format = parser.value("format");
    if (parser.isSet("format") && format != "json" && format != "csv")
        throw UsageError{QStringLiteral("--format takes json or csv, not %1").arg(QuotedValue(format))};
    job.csv = format == "csv";
    job.format = parser.isSet("format");
    job.labels = parser.isSet("labels");
    return job;
}

// What a job computed.
struct Results
{
    std::optional<SimResult> run;
    std::vector<SweepPoint> sweep;
    std::vector<std::vector<lab::CurvePoint>> berCurves; // one list of points per curve
};

// The progress of a long --ber run as one line that keeps being rewritten, for a terminal.
berrunner::ProgressSink ProgressLine(const ProgressOutput& output)
{
    if (!output)
        return {};
    return [output](const berrunner::Progress& p) {
        output(QStringLiteral("\rdscdma-sim: %1 of %2 points, %3 bits, %4 errors ")
                   .arg(p.pointsDone)
                   .arg(p.points)
                   .arg(p.bits)
                   .arg(p.errors)
                   .toUtf8());
    };
}

Results Compute(const Job& job, const ProgressOutput& progress)
{
    Results results;
    if (job.ber) {
        if (!job.berJob.showCodes)
            results.berCurves = berrunner::Run(job.berJob.curves, job.berJob.jobs, ProgressLine(progress));
    } else {
        results.run = ComputeSignals(job.in);
        if (job.analysis == Analysis::Sweep)
            results.sweep = SweepSpreadFactors(job.in);
    }
    return results;
}

QByteArray DataOutput(const Job& job, const Results& r)
{
    if (job.ber && job.berJob.showCodes)
        return job.csv ? bercli::CodesCsv(job.berJob.curves.front().Config)
                       : bercli::CodesJson(job.berJob.curves.front().Config);
    if (job.ber)
        return job.csv ? bercli::Csv(job.berJob, r.berCurves) : bercli::Json(job.berJob, r.berCurves);
    if (job.analysis == Analysis::Sweep)
        return job.csv ? SweepCsv(r.sweep) : SweepJson(job.in, r.run->SelectedChannel, r.sweep);
    if (job.analysis == Analysis::Margins)
        return job.csv ? MarginsCsv(*r.run) : Json(job.in, *r.run, true);
    return job.csv ? Csv(*r.run) : Json(job.in, *r.run, false);
}

// Writes every picture of the job; a picture for standard output lands in `out`. Returns the
// failure as one line, or an empty text.
QString WritePictures(const Job& job, const Results& r, QByteArray& out)
{
    const Picture picture = job.ber ? BerPictureOf(job.berJob, r.berCurves)
                                    : PictureOf(*r.run, job.analysis, r.sweep, job.labels);
    for (const auto& [png, fileName] : job.pictures) {
        const QByteArray bytes = PictureBytes(picture, png);
        if (bytes.isEmpty())
            return QStringLiteral("cannot make the %1 picture for %2").arg(png ? "PNG" : "SVG", QuotedValue(fileName));
        if (fileName == "-") {
            out = bytes;
            continue;
        }
        const QString reason = picturefile::Write(fileName, bytes);
        if (!reason.isEmpty())
            return QStringLiteral("cannot write %1: %2").arg(QuotedValue(fileName), reason);
    }
    return {};
}

} // namespace

SimCliResult RunSimCli(const QStringList& arguments, const ProgressOutput& progress)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(Description());
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QList<QCommandLineOption> options = Options();
    parser.addOptions(options);

    SimCliResult result;
    auto fail = [&](int exitCode, const QString& message) {
        result.exitCode = exitCode;
        result.out.clear();
        result.err = "dscdma-sim: " + OneLine(message).toUtf8() + '\n';
        return result;
    };

    if (const QString syntax = CheckOptionSyntax(arguments, options); !syntax.isEmpty())
        return fail(ExitUsage, syntax);
    if (!parser.parse(arguments))
        return fail(ExitUsage, parser.errorText());
    if (parser.isSet("help")) {
        result.out = parser.helpText().toUtf8();
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(ExitUsage, QStringLiteral("unexpected argument %1").arg(QuotedValue(parser.positionalArguments().first())));

    Job job;
    try {
        job = ReadJob(parser);
    } catch (const UsageError& e) {
        return fail(ExitUsage, e.message);
    }
    try {
        const Results results = Compute(job, progress);
        if (progress && job.ber && !job.berJob.showCodes)
            progress("\r" + QByteArray(78, ' ') + "\r"); // the last line of progress wiped
        QByteArray out;
        if (!job.pictures.empty())
            if (const QString failure = WritePictures(job, results, out); !failure.isEmpty())
                return fail(ExitFailed, failure);
        if (job.pictures.empty() || job.format)
            out = DataOutput(job, results);
        result.out = out;
    } catch (const std::exception& e) {
        return fail(ExitFailed, QString::fromUtf8(e.what()));
    }
    return result;
}
