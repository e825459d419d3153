#include "tools/bercli.h"

#include "core/lab/codetable.h"
#include "core/lab/labinputs.h"
#include "tools/oneline.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cmath>
#include <set>

namespace {

using lab::LabInput;

struct Usage
{
    QString message;
};

QString Number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString OptionOf(LabInput input)
{
    return QString::fromStdString(lab::LabInputRowOf(input).option);
}

// The lab's check of one option's text; its refusal as this tool words it.
std::vector<double> Check(LabInput input, const QString& text, int users = 0)
{
    const lab::LabInputCheck check = lab::CheckLabInput(input, text.toStdString(), users);
    if (!check.Taken())
        throw Usage{"--" + OptionOf(input) + ' '
                    + QString::fromStdString(check.refusal)
                          .replace("<%1%>", QuotedValue(QString::fromStdString(check.refused)))};
    return check.values;
}

double One(LabInput input, const QCommandLineParser& parser, int users = 0)
{
    const QString option = OptionOf(input);
    return Check(input, parser.isSet(option) ? parser.value(option)
                                             : QString::fromStdString(lab::LabInputRowOf(input).defaultText),
                 users)
        .front();
}

// The values of an option that may hold a comma list, each checked on its own.
std::vector<double> Values(LabInput input, const QCommandLineParser& parser)
{
    const QString option = OptionOf(input);
    if (!parser.isSet(option))
        return {};
    std::vector<double> values;
    for (const QString& part : parser.value(option).split(',')) {
        const double value = Check(input, part).front();
        if (std::find(values.begin(), values.end(), value) != values.end())
            throw Usage{QStringLiteral("--%1 lists %2 twice").arg(option, QuotedValue(part))};
        values.push_back(value);
    }
    if (values.size() > std::size_t(lab::RatesChart::MaxCurves))
        throw Usage{QStringLiteral("--%1 lists at most %2 values, one per curve").arg(option).arg(lab::RatesChart::MaxCurves)};
    return values;
}

// Which of --spread, --users and --codes holds a list; more than one is refused.
lab::Varying ReadVarying(const QCommandLineParser& parser)
{
    struct Listed { LabInput input; lab::Varying varying; };
    std::vector<Listed> listed;
    for (const Listed l : {Listed{LabInput::Spread, lab::Varying::Spread}, Listed{LabInput::Users, lab::Varying::Users},
                           Listed{LabInput::Codes, lab::Varying::Codes}})
        if (parser.isSet(OptionOf(l.input)) && parser.value(OptionOf(l.input)).contains(','))
            listed.push_back(l);
    if (listed.size() > 1)
        throw Usage{QStringLiteral("give a list in one of --spread, --users and --codes, not in --%1 and --%2")
                        .arg(OptionOf(listed[0].input), OptionOf(listed[1].input))};
    return listed.empty() ? lab::Varying::None : listed.front().varying;
}

// The options that only go with a single set of users, or only with a measurement.
void CheckCombinations(const QCommandLineParser& parser, lab::Varying varying)
{
    if (varying == lab::Varying::Users)
        for (const char* option : {"power", "delays"})
            if (parser.isSet(option))
                throw Usage{QStringLiteral("--%1 gives one value per user, which a list of --users cannot share").arg(option)};
    if (parser.isSet("delays") && parser.isSet("async"))
        throw Usage{"give --delays or --async, not both"};
    if (!parser.isSet("show-codes"))
        return;
    if (varying != lab::Varying::None)
        throw Usage{"--show-codes shows the codes of one set of users; give no list"};
    for (const char* option : {"ebn0", "bits", "power", "rx", "max-errors", "jobs", "size", "png", "svg"})
        if (parser.isSet(option))
            throw Usage{QStringLiteral("--show-codes prints the codes only; leave out --%1").arg(option)};
}

// The spreading factor a family in a list of families takes: the one asked for, or the nearest
// it can take, a chip more or less (Walsh codes take powers of two, m-sequences and Gold codes
// one less).
int SpreadFor(lab::CodeFamily family, int spread, int users)
{
    for (int n : {spread, spread + 1, spread - 1})
        if (n >= lab::MinSpread && n <= lab::MaxSpread && lab::CheckSpread(family, n, users).empty())
            return n;
    return spread;
}

// The curves: the list's values, every other input shared.
std::vector<lab::CurveRequest> Curves(const QCommandLineParser& parser, lab::Varying varying)
{
    std::vector<double> users = Values(LabInput::Users, parser);
    std::vector<double> codes = Values(LabInput::Codes, parser);
    std::vector<double> spreads = Values(LabInput::Spread, parser);
    if (users.empty())
        users = {One(LabInput::Users, parser)};
    if (codes.empty())
        codes = {One(LabInput::Codes, parser)};
    std::vector<lab::CurveRequest> curves;
    for (double k : users)
        for (double family : codes) {
            lab::CurveRequest request;
            request.Config.Users = int(k);
            request.Config.Codes = lab::CodeFamily(int(family));
            const int fallback = lab::DefaultSpread(lab::CodeFamily(int(codes.front())));
            for (double n : spreads.empty() ? std::vector<double>{double(fallback)} : spreads) {
                request.Config.Spread = varying == lab::Varying::Codes ? SpreadFor(request.Config.Codes, int(n), int(k)) : int(n);
                curves.push_back(request);
            }
        }
    return curves;
}

// What every curve shares: the decoded user, levels, delays, seed, bits, Eb/N0 and the limit
// on errors.
void ReadShared(const QCommandLineParser& parser, std::vector<lab::CurveRequest>& curves, bool& delays)
{
    int fewest = lab::MaxUsers;
    for (const lab::CurveRequest& c : curves)
        fewest = std::min(fewest, c.Config.Users);
    const int rx = int(One(LabInput::Rx, parser, fewest));
    std::vector<double> power, given;
    if (parser.isSet("power"))
        power = Check(LabInput::Power, parser.value("power"), fewest);
    if (parser.isSet("delays"))
        given = Check(LabInput::Delays, parser.value("delays"), fewest);
    const double seed = One(LabInput::Seed, parser);
    const double bits = One(LabInput::Bits, parser);
    const std::vector<double> levels = Check(LabInput::EbN0, parser.isSet("ebn0") ? parser.value("ebn0") : QString());
    const double maxErrors = parser.isSet("max-errors") ? One(LabInput::MaxErrors, parser) : 0;
    delays = !given.empty() || parser.isSet("async");
    for (lab::CurveRequest& r : curves) {
        lab::LabConfig& c = r.Config;
        c.Rx = rx;
        c.PowerDb.assign(power.begin(), power.end());
        c.Seed = std::uint64_t(seed);
        c.DelayChips.assign(given.begin(), given.end());
        if (parser.isSet("async"))
            c.DelayChips = lab::DrawDelays(c.Seed, c.Users, c.Spread);
        r.Bits = std::uint64_t(bits);
        r.MaxErrors = std::uint64_t(maxErrors);
        for (double db : levels)
            r.EbN0Db.push_back(std::isnan(db) ? std::nullopt : std::optional<double>(db));
    }
}

// Whether the family of each curve has codes for its users at its spreading factor, named by the
// option that chose what does not fit.
void CheckFamilies(const std::vector<lab::CurveRequest>& curves, lab::Varying varying)
{
    const QString chosenBy = varying == lab::Varying::Codes ? "codes" : varying == lab::Varying::Users ? "users" : "spread";
    for (const lab::CurveRequest& r : curves)
        if (const std::string reason = lab::CheckSpread(r.Config.Codes, r.Config.Spread, r.Config.Users); !reason.empty())
            throw Usage{QStringLiteral("--%1: %2").arg(chosenBy, QString::fromStdString(reason))};
}

// The rest of the model's check, which the options read one by one cannot see: delays shorter
// than a bit at every spreading factor of the run.
void CheckDelays(const std::vector<lab::CurveRequest>& curves)
{
    for (const lab::CurveRequest& r : curves)
        if (const std::string reason = lab::CheckLabConfig(r.Config); !reason.empty())
            throw Usage{QStringLiteral("--delays: %1").arg(QString::fromStdString(reason))};
}

void ReadPictureSize(const QCommandLineParser& parser, Size& size)
{
    if (!parser.isSet("size"))
        return;
    if (!parser.isSet("png") && !parser.isSet("svg"))
        throw Usage{"--size sets the picture's size: give --png or --svg"};
    const QString text = parser.value("size");
    const QStringList parts = text.split('x');
    bool okW = false, okH = false;
    const int w = parts.size() == 2 ? parts[0].toInt(&okW, 10) : 0;
    const int h = parts.size() == 2 ? parts[1].toInt(&okH, 10) : 0;
    const Size low = lab::RatesChart::MinSize, high = lab::RatesChart::MaxSize;
    if (!okW || !okH || parts[0].startsWith('+') || parts[1].startsWith('+') || w < low.width || h < low.height
        || w > high.width || h > high.height)
        throw Usage{QStringLiteral("--size takes WIDTHxHEIGHT in pixels, %1x%2 to %3x%4, not %5")
                        .arg(low.width)
                        .arg(low.height)
                        .arg(high.width)
                        .arg(high.height)
                        .arg(QuotedValue(text))};
    size = {w, h};
}

int ReadJobs(const QCommandLineParser& parser)
{
    if (!parser.isSet("jobs"))
        return 1;
    const QString text = parser.value("jobs");
    bool ok = false;
    const int jobs = text.toInt(&ok, 10);
    if (!ok || text.startsWith('+') || text.trimmed() != text || jobs < 1 || jobs > bercli::MaxJobs)
        throw Usage{QStringLiteral("--jobs takes a whole number 1..%1, not %2").arg(bercli::MaxJobs).arg(QuotedValue(text))};
    return jobs;
}

QJsonValue Optional(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QByteArray CsvNumber(const std::optional<double>& value)
{
    return value ? Number(*value).toLatin1() : QByteArray();
}

template <typename T>
QJsonArray JsonArray(const std::vector<T>& values)
{
    QJsonArray out;
    for (const T& v : values)
        out.append(v);
    return out;
}

// One curve with its inputs, as the object "ber" holds it for a single curve.
QJsonObject CurveObject(const bercli::Job& job, const lab::CurveRequest& request, const std::vector<lab::CurvePoint>& points)
{
    const lab::LabConfig& c = request.Config;
    QJsonArray list;
    for (const lab::CurvePoint& p : points) {
        QJsonObject point;
        point["ebn0_db"] = Optional(p.EbN0Db);
        point["bits"] = double(p.Count.Bits);
        point["errors"] = double(p.Count.Errors);
        point["ber"] = double(p.Count.Errors) / double(p.Count.Bits);
        point["ci95"] = QJsonArray{p.Ci95.Low, p.Ci95.High};
        point["theory_exact"] = Optional(p.Theory.Exact);
        point["theory_gaussian"] = p.Theory.Gaussian;
        list.append(point);
    }
    QJsonObject ber;
    ber["users"] = c.Users;
    ber["codes"] = lab::FamilyName(c.Codes);
    ber["spread"] = c.Spread;
    ber["rx"] = c.Rx;
    ber["power_db"] = JsonArray(c.PowerDb.empty() ? std::vector<double>(c.Users, 0.0) : c.PowerDb);
    ber["seed"] = double(c.Seed);
    if (job.delays)
        ber["delays"] = JsonArray(c.DelayChips);
    if (request.MaxErrors > 0)
        ber["max_errors"] = double(request.MaxErrors);
    ber["points"] = list;
    return ber;
}

const char* VaryingName(lab::Varying varying)
{
    switch (varying) {
    case lab::Varying::Spread: return "spread";
    case lab::Varying::Users: return "users";
    case lab::Varying::Codes: return "codes";
    case lab::Varying::None: break;
    }
    return "";
}

// The columns that tell the curves apart, when there are several: the one that varies (codes
// with their spreading factors), and the delays where they are reported.
QByteArray CurveColumns(const bercli::Job& job, const lab::LabConfig& c, bool header)
{
    QByteArray out;
    switch (job.varying) {
    case lab::Varying::Spread: out = header ? "spread," : QByteArray::number(c.Spread) + ','; break;
    case lab::Varying::Users: out = header ? "users," : QByteArray::number(c.Users) + ','; break;
    case lab::Varying::Codes:
        out = header ? "codes,spread," : QByteArray(lab::FamilyName(c.Codes)) + ',' + QByteArray::number(c.Spread) + ',';
        break;
    case lab::Varying::None: break;
    }
    if (job.delays) {
        QByteArrayList delays;
        for (int d : c.DelayChips)
            delays.append(QByteArray::number(d));
        out += header ? QByteArray("delays,") : delays.join(' ') + ',';
    }
    return out;
}

QJsonArray Rows(const std::vector<std::vector<int>>& matrix)
{
    QJsonArray rows;
    for (const std::vector<int>& row : matrix)
        rows.append(JsonArray(row));
    return rows;
}

} // namespace

const QStringList& bercli::OwnOptions()
{
    static const QStringList names = {"users", "codes",  "ebn0",       "bits", "seed", "power", "rx",
                                      "delays", "async", "show-codes", "max-errors", "jobs", "size"};
    return names;
}

QString bercli::Read(const QCommandLineParser& parser, Job& job)
{
    try {
        job.varying = ReadVarying(parser);
        CheckCombinations(parser, job.varying);
        job.curves = Curves(parser, job.varying);
        CheckFamilies(job.curves, job.varying);
        ReadShared(parser, job.curves, job.delays);
        CheckDelays(job.curves);
        job.showCodes = parser.isSet("show-codes");
        job.jobs = ReadJobs(parser);
        ReadPictureSize(parser, job.size);
    } catch (const Usage& e) {
        return e.message;
    }
    return {};
}

QByteArray bercli::Json(const Job& job, const std::vector<std::vector<lab::CurvePoint>>& curves)
{
    QJsonObject root;
    if (job.curves.size() == 1 && job.varying == lab::Varying::None) {
        root["ber"] = CurveObject(job, job.curves.front(), curves.front());
    } else {
        QJsonArray list;
        for (std::size_t i = 0; i < job.curves.size(); ++i)
            list.append(CurveObject(job, job.curves[i], curves[i]));
        QJsonObject ber;
        ber["varies"] = VaryingName(job.varying);
        ber["curves"] = list;
        root["ber"] = ber;
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray bercli::Csv(const Job& job, const std::vector<std::vector<lab::CurvePoint>>& curves)
{
    QByteArray out = CurveColumns(job, job.curves.front().Config, true)
                     + "ebn0_db,bits,errors,ber,ci95_low,ci95_high,theory_exact,theory_gaussian\n";
    for (std::size_t i = 0; i < job.curves.size(); ++i) {
        const QByteArray columns = CurveColumns(job, job.curves[i].Config, false);
        for (const lab::CurvePoint& p : curves[i])
            out += columns + CsvNumber(p.EbN0Db) + ',' + QByteArray::number(p.Count.Bits) + ','
                   + QByteArray::number(p.Count.Errors) + ',' + CsvNumber(double(p.Count.Errors) / double(p.Count.Bits))
                   + ',' + CsvNumber(p.Ci95.Low) + ',' + CsvNumber(p.Ci95.High) + ',' + CsvNumber(p.Theory.Exact) + ','
                   + CsvNumber(p.Theory.Gaussian) + '\n';
    }
    return out;
}

QByteArray bercli::CodesJson(const lab::LabConfig& c)
{
    const lab::CodeTable table = lab::CodesOf(c);
    QJsonObject input;
    input["users"] = c.Users;
    input["codes"] = lab::FamilyName(c.Codes);
    input["spread"] = c.Spread;
    input["delays"] = JsonArray(table.Delays);
    input["seed"] = double(c.Seed);
    QJsonArray codes;
    for (const lab::Code& code : table.Codes)
        codes.append(JsonArray(code));
    QJsonObject correlation;
    correlation["at_delays"] = Rows(table.AtDelays);
    correlation["worst"] = Rows(table.Worst);
    QJsonObject root;
    root["input"] = input;
    root["codes"] = codes;
    root["correlation"] = correlation;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray bercli::CodesCsv(const lab::LabConfig& c)
{
    const lab::CodeTable table = lab::CodesOf(c);
    QByteArray out = "user,delay,code";
    for (const char* matrix : {"at_delays_", "worst_"})
        for (int k = 1; k <= c.Users; ++k)
            out += ',' + QByteArray(matrix) + QByteArray::number(k);
    out += '\n';
    for (int j = 0; j < c.Users; ++j) {
        QByteArray chips;
        for (int chip : table.Codes[j])
            chips += chip > 0 ? '+' : '-';
        out += QByteArray::number(j + 1) + ',' + QByteArray::number(table.Delays[j]) + ',' + chips;
        for (const auto* matrix : {&table.AtDelays, &table.Worst})
            for (int value : (*matrix)[j])
                out += ',' + QByteArray::number(value);
        out += '\n';
    }
    return out;
}
