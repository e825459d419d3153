#include "simcli.h"

#include "signalmodel.h"
#include "chartpicture.h"
#include "cp1252.h"
#include "numparse.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <functional>

namespace {

constexpr int ExitModelFailed = 1;
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
            throw UsageError{QStringLiteral("--%1 takes a byte value 0..255, not \"%2\"").arg(codeOption, parser.value(codeOption))};
        return std::string(1, static_cast<char>(code));
    }
    if (!hasText)
        return fallback;
    const QString text = parser.value(textOption);
    if (text.toUcs4().size() > 1)
        throw UsageError{QStringLiteral("--%1 takes at most one character, not \"%2\"").arg(textOption, text)};
    const QByteArray bytes = cp1252::Encode(text);
    if (cp1252::Decode(bytes) != text) // the encoder stands '?' in for what it cannot hold
        throw UsageError{QStringLiteral("--%1: \"%2\" has no Windows-1252 code").arg(textOption, text)};
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
        throw UsageError{QStringLiteral("--%1 takes a number, not \"%2\"").arg(option, text)};
    return number.value;
}

int ReadSpread(const QCommandLineParser& parser)
{
    if (!parser.isSet("spread"))
        return 8;
    bool ok = false;
    const int value = parser.value("spread").toInt(&ok, 10);
    if (!ok || value < MinSpreadFactor || value > MaxSpreadFactor)
        throw UsageError{QStringLiteral("--spread takes a whole number 2..20, not \"%1\"").arg(parser.value("spread"))};
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

QByteArray Json(const SimInput& in, const SimResult& r)
{
    QJsonObject input;
    input["text_a"] = Bytes(in.TextA);
    input["text_b"] = Bytes(in.TextB);
    input["key_a"] = in.KeyA;
    input["key_b"] = in.KeyB;
    input["key_rx"] = in.KeyRx;
    input["spread_factor"] = in.SpreadFactor;

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
    root["input"] = input;
    root["selected_channel"] = QString(QChar(r.SelectedChannel));
    root["recovered_byte"] = int(r.RecoveredByte);
    root["transmission_ok"] = r.TransmissionOk;
    root["bit_signs"] = signs;
    root["traces"] = traces;
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

} // namespace

SimCliResult RunSimCli(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs the DS-CDMA simulation without a window and prints every trace.\n"
        "Two transmitters send one character each, spread by chips drawn from their keys;\n"
        "the receiver despreads the sum with its own key.");
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QList<QCommandLineOption> options = {
        {"text-a", "Character of transmitter A (at most one; default Z).", "T"},
        {"text-b", "Character of transmitter B (at most one; default W).", "T"},
        {"code-a", "Byte 0..255 sent by transmitter A instead of --text-a.", "N"},
        {"code-b", "Byte 0..255 sent by transmitter B instead of --text-b.", "N"},
        {"key-a", "Key of transmitter A (default 23).", "K"},
        {"key-b", "Key of transmitter B (default 44).", "K"},
        {"key-rx", "Key held by the receiver (default 23).", "K"},
        {"spread", "Spreading factor, chips per bit, 2..20 (default 8).", "N"},
        {"format", "Output format: json or csv (default json; none when a picture is written,\n"
                   "unless asked for).", "FORMAT"},
        {"png", "Writes the four charts, as the main window shows them, to a PNG file.", "FILE"},
        {"svg", "Writes the four charts to an SVG file.", "FILE"},
        {"labels", "Shows the trace labels in the pictures, as the explanations button does."},
        {{"h", "help"}, "Shows this help."},
    };
    parser.addOptions(options);

    SimCliResult result;
    auto usageError = [&](const QString& message) {
        result.exitCode = ExitUsage;
        result.err = "dscdma-sim: " + message.toUtf8() + '\n';
        return result;
    };

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet("help")) {
        result.out = parser.helpText().toUtf8();
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    SimInput in;
    bool csv = false;
    const bool pictures = parser.isSet("png") || parser.isSet("svg");
    try {
        in.SetTextA(ReadText(parser, "text-a", "code-a", "Z"));
        in.SetTextB(ReadText(parser, "text-b", "code-b", "W"));
        in.KeyA = ReadKey(parser, "key-a", 23);
        in.KeyB = ReadKey(parser, "key-b", 44);
        in.KeyRx = ReadKey(parser, "key-rx", 23);
        in.SpreadFactor = ReadSpread(parser);
        const QString format = parser.value("format");
        if (!format.isEmpty() && format != "json" && format != "csv")
            throw UsageError{QStringLiteral("--format takes json or csv, not \"%1\"").arg(format)};
        csv = format == "csv";
    } catch (const UsageError& e) {
        return usageError(e.message);
    }

    try {
        const SimResult r = ComputeSignals(in);
        const bool labels = parser.isSet("labels");
        QString failure;
        if (parser.isSet("png"))
            failure = ChartPicture::WritePng(r, labels, parser.value("png"));
        if (failure.isEmpty() && parser.isSet("svg"))
            failure = ChartPicture::WriteSvg(r, labels, parser.value("svg"));
        if (!failure.isEmpty()) {
            result.exitCode = ExitModelFailed;
            result.err = "dscdma-sim: " + failure.toUtf8() + '\n';
            return result;
        }
        if (!pictures || parser.isSet("format"))
            result.out = csv ? Csv(r) : Json(in, r);
    } catch (const std::exception& e) {
        result.exitCode = ExitModelFailed;
        result.err = QByteArray("dscdma-sim: ") + e.what() + '\n';
    }
    return result;
}
