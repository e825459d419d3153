#include "bercli.h"

#include "oneline.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cmath>

namespace {

struct Usage
{
    QString message;
};

QString Number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

int WholeNumber(const QCommandLineParser& parser, const QString& option, int low, int high, int fallback)
{
    if (!parser.isSet(option))
        return fallback;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok, 10);
    if (!ok || value < low || value > high)
        throw Usage{QStringLiteral("--%1 takes a whole number %2..%3, not %4")
                        .arg(option)
                        .arg(low)
                        .arg(high)
                        .arg(QuotedValue(parser.value(option)))};
    return value;
}

// A level in dB as written on the command line: a finite decimal number.
std::optional<double> Decibels(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed() == text ? text.toDouble(&ok) : 0;
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// One Eb/N0, or FROM:TO:STEP whose steps land on TO; points are rounded to 1e-9 dB so that
// 0:1:0.1 gives 0.3 and not 0.30000000000000004.
std::vector<std::optional<double>> EbN0Points(const QString& text)
{
    const auto bad = [&] {
        return Usage{QStringLiteral("--ebn0 takes a number in dB or FROM:TO:STEP, not %1").arg(QuotedValue(text))};
    };
    const auto inRange = [&](double db) {
        if (db < lab::MinEbN0Db || db > lab::MaxEbN0Db)
            throw Usage{QStringLiteral("--ebn0 takes levels from -100 to 100 dB, not %1").arg(QuotedValue(text))};
        return db;
    };
    const QStringList parts = text.split(':');
    if (parts.size() == 1) {
        const std::optional<double> db = Decibels(text);
        if (!db)
            throw bad();
        return {inRange(*db)};
    }
    if (parts.size() != 3)
        throw bad();
    const std::optional<double> from = Decibels(parts[0]), to = Decibels(parts[1]), step = Decibels(parts[2]);
    if (!from || !to || !step)
        throw bad();
    inRange(*from);
    inRange(*to);
    const double steps = *step == 0 ? -1 : (*to - *from) / *step;
    const double whole = std::round(steps);
    if (*step == 0 || steps < -1e-9 || std::fabs(steps - whole) > 1e-9 * std::max(1.0, whole))
        throw Usage{QStringLiteral("--ebn0 %1: steps of %2 from %3 do not reach %4")
                        .arg(QuotedValue(text), Number(*step), Number(*from), Number(*to))};
    if (whole + 1 > lab::MaxPoints)
        throw Usage{QStringLiteral("--ebn0 %1 makes %2 points, more than %3")
                        .arg(QuotedValue(text), Number(whole + 1))
                        .arg(lab::MaxPoints)};
    std::vector<std::optional<double>> points;
    for (int i = 0; i <= int(whole); ++i)
        points.push_back(i == int(whole) ? *to : std::round((*from + i * *step) * 1e9) / 1e9);
    return points;
}

std::vector<double> Powers(const QString& text, int users)
{
    const QStringList parts = text.split(',');
    if (parts.size() != users)
        throw Usage{QStringLiteral("--power takes one level in dB per user, %1 in all, not %2")
                        .arg(users)
                        .arg(QuotedValue(text))};
    std::vector<double> out;
    for (const QString& part : parts) {
        const std::optional<double> db = Decibels(part);
        if (!db || std::fabs(*db) > lab::MaxPowerDb)
            throw Usage{QStringLiteral("--power takes levels from -100 to 100 dB, not %1").arg(QuotedValue(part))};
        out.push_back(*db);
    }
    return out;
}

QJsonValue Optional(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QByteArray CsvNumber(const std::optional<double>& value)
{
    return value ? Number(*value).toLatin1() : QByteArray();
}

} // namespace

const QStringList& bercli::OwnOptions()
{
    static const QStringList names = {"users", "codes", "ebn0", "bits", "seed", "power", "rx"};
    return names;
}

QString bercli::Read(const QCommandLineParser& parser, lab::CurveRequest& request)
{
    try {
        lab::LabConfig& c = request.Config;
        c.Users = WholeNumber(parser, "users", lab::MinUsers, lab::MaxUsers, 2);
        if (parser.isSet("codes")) {
            const std::optional<lab::CodeFamily> family = lab::ParseFamily(parser.value("codes").toStdString());
            if (!family)
                throw Usage{QStringLiteral("--codes takes random, walsh, msequence or gold, not %1")
                                .arg(QuotedValue(parser.value("codes")))};
            c.Codes = *family;
        }
        const bool odd = c.Codes == lab::CodeFamily::MSequence || c.Codes == lab::CodeFamily::Gold;
        c.Spread = WholeNumber(parser, "spread", lab::MinSpread, lab::MaxSpread, odd ? 7 : 8);
        if (const std::string reason = lab::CheckSpread(c.Codes, c.Spread, c.Users); !reason.empty())
            throw Usage{QStringLiteral("--spread: %1").arg(QString::fromStdString(reason))};
        c.Rx = WholeNumber(parser, "rx", 1, c.Users, 1);
        if (parser.isSet("power"))
            c.PowerDb = Powers(parser.value("power"), c.Users);
        if (parser.isSet("seed")) {
            bool ok = false;
            const QString text = parser.value("seed");
            const qulonglong seed = text.toULongLong(&ok, 10);
            if (!ok || seed > lab::MaxSeed)
                throw Usage{QStringLiteral("--seed takes a whole number 0..%1, not %2").arg(lab::MaxSeed).arg(QuotedValue(text))};
            c.Seed = seed;
        }
        if (parser.isSet("bits")) {
            bool ok = false;
            const QString text = parser.value("bits");
            const qulonglong bits = text.toULongLong(&ok, 10);
            if (!ok || bits < 1 || bits > lab::MaxBits)
                throw Usage{QStringLiteral("--bits takes a whole number 1..1000000000, not %1").arg(QuotedValue(text))};
            request.Bits = bits;
        }
        request.EbN0Db = parser.isSet("ebn0") ? EbN0Points(parser.value("ebn0"))
                                              : std::vector<std::optional<double>>{std::nullopt};
    } catch (const Usage& e) {
        return e.message;
    }
    return {};
}

QByteArray bercli::Json(const lab::CurveRequest& request, const std::vector<lab::CurvePoint>& points)
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
        point["theory_exact"] = Optional(p.Theory ? std::optional<double>(p.Theory->Exact) : std::nullopt);
        point["theory_gaussian"] = Optional(p.Theory ? std::optional<double>(p.Theory->Gaussian) : std::nullopt);
        list.append(point);
    }
    QJsonArray powers;
    for (double a : c.PowerDb.empty() ? std::vector<double>(c.Users, 0.0) : c.PowerDb)
        powers.append(a);
    QJsonObject ber;
    ber["users"] = c.Users;
    ber["codes"] = lab::FamilyName(c.Codes);
    ber["spread"] = c.Spread;
    ber["rx"] = c.Rx;
    ber["power_db"] = powers;
    ber["seed"] = double(c.Seed);
    ber["points"] = list;
    QJsonObject root;
    root["ber"] = ber;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray bercli::Csv(const std::vector<lab::CurvePoint>& points)
{
    QByteArray out = "ebn0_db,bits,errors,ber,ci95_low,ci95_high,theory_exact,theory_gaussian\n";
    for (const lab::CurvePoint& p : points) {
        out += CsvNumber(p.EbN0Db) + ',' + QByteArray::number(p.Count.Bits) + ',' + QByteArray::number(p.Count.Errors)
               + ',' + CsvNumber(double(p.Count.Errors) / double(p.Count.Bits)) + ',' + CsvNumber(p.Ci95.Low) + ','
               + CsvNumber(p.Ci95.High) + ',' + CsvNumber(p.Theory ? std::optional<double>(p.Theory->Exact) : std::nullopt)
               + ',' + CsvNumber(p.Theory ? std::optional<double>(p.Theory->Gaussian) : std::nullopt) + '\n';
    }
    return out;
}
