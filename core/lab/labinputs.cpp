#include "core/lab/labinputs.h"

#include "core/lab/bercurve.h"
#include "core/lab/labmodel.h"
#include "core/numeric/numparse.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <sstream>

namespace lab {

namespace {

constexpr double NoNoise = std::numeric_limits<double>::quiet_NaN();

const std::array<InputRow, 11>& Rows()
{
    static const std::array<InputRow, 11> rows{{
        {"users", "users", "2", MinUsers, MaxUsers, 1, {}},
        {"codes", "codes", "random", 0, 3, 1, {"random", "walsh", "msequence", "gold"}},
        {"spread", "spread", "8", MinSpread, MaxSpread, 1, {}},
        {"power", "power", "", -MaxPowerDb, MaxPowerDb, 0, {}},
        {"rx", "rx", "1", 1, MaxUsers, 1, {}},
        {"ebn0", "ebn0", "", MinEbN0Db, MaxEbN0Db, 0, {}},
        {"bits", "bits", "100000", 1, double(MaxBits), 1, {}},
        {"seed", "seed", "1", 0, double(MaxSeed), 1, {}},
        {"delays", "delays", "", 0, MaxSpread - 1, 1, {}},
        {"async", "async", "0", 0, 1, 1, {}},
        {"maxErrors", "max-errors", "", 1, double(MaxBits), 1, {}},
    }};
    return rows;
}

std::string Whole(double value)
{
    return std::to_string(static_cast<long long>(value));
}

// A finite decimal number, as a level in dB is written.
std::optional<double> Decibels(std::string_view text)
{
    if (text.empty() || text.front() == ' ' || text.back() == ' ')
        return std::nullopt;
    const ParsedNumber n = ParseText(text, itExp, dsDot);
    if (!n.valid || !std::isfinite(n.value) || std::fabs(n.value) >= NumClampBound)
        return std::nullopt;
    return n.value;
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

LabInputCheck Refuse(std::string refusal, std::string_view refused)
{
    return {{}, std::move(refusal), std::string(refused)};
}

LabInputCheck WholeNumber(const InputRow& row, std::string_view text, double high)
{
    const std::optional<std::uint64_t> value = DecimalDigits(text);
    if (!value || double(*value) < row.low || double(*value) > high)
        return Refuse("takes a whole number " + Whole(row.low) + ".." + Whole(high) + ", not <%1%>", text);
    return {{double(*value)}, {}, {}};
}

// The shortest text that reads back as `value`, in plain decimals where they stay short, '.' as
// the point whatever the process locale.
std::string Number(double value)
{
    const auto write = [value](int precision, bool fixed) {
        std::ostringstream out;
        out.imbue(std::locale::classic());
        if (fixed)
            out << std::fixed;
        else
            out << std::scientific;
        out.precision(precision);
        out << value;
        return out.str();
    };
    const auto readsBack = [value](const std::string& text) {
        std::istringstream in(text);
        in.imbue(std::locale::classic());
        double back = 0;
        in >> back;
        return back == value;
    };
    int digits = 1;
    while (digits < 17 && !readsBack(write(digits - 1, false)))
        ++digits;
    const int exponent = value == 0 ? 0 : int(std::floor(std::log10(std::fabs(value))));
    if (exponent < -5 || exponent > 16)
        return write(digits - 1, false);
    return write(std::max(0, digits - 1 - exponent), true);
}

// FROM:TO:STEP: steps of STEP from FROM that land on TO within 1e-9 of a step, each point
// rounded to 1e-9 dB so that 0:1:0.1 gives 0.3 and not 0.30000000000000004.
LabInputCheck EbN0Range(const InputRow& row, std::string_view text, const std::vector<std::string_view>& parts)
{
    const std::optional<double> from = Decibels(parts[0]), to = Decibels(parts[1]), step = Decibels(parts[2]);
    if (!from || !to || !step)
        return Refuse("takes a number in dB or FROM:TO:STEP, not <%1%>", text);
    if (!row.Holds(*from) || !row.Holds(*to))
        return Refuse("takes levels from -100 to 100 dB, not <%1%>", text);
    const double steps = *step == 0 ? -1 : (*to - *from) / *step;
    const double whole = std::round(steps);
    if (*step == 0 || steps < -1e-9 || std::fabs(steps - whole) > 1e-9 * std::max(1.0, whole))
        return Refuse("<%1%>: steps of " + Number(*step) + " from " + Number(*from) + " do not reach " + Number(*to), text);
    if (whole + 1 > MaxPoints)
        return Refuse("<%1%> makes " + Whole(whole + 1) + " points, more than " + std::to_string(MaxPoints), text);
    LabInputCheck out;
    for (int i = 0; i <= int(whole); ++i)
        out.values.push_back(i == int(whole) ? *to : std::round((*from + i * *step) * 1e9) / 1e9);
    return out;
}

LabInputCheck EbN0(const InputRow& row, std::string_view text)
{
    if (text.empty())
        return {{NoNoise}, {}, {}};
    const std::vector<std::string_view> parts = Split(text, ':');
    if (parts.size() == 3)
        return EbN0Range(row, text, parts);
    const std::optional<double> db = parts.size() == 1 ? Decibels(text) : std::nullopt;
    if (!db)
        return Refuse("takes a number in dB or FROM:TO:STEP, not <%1%>", text);
    if (!row.Holds(*db))
        return Refuse("takes levels from -100 to 100 dB, not <%1%>", text);
    return {{*db}, {}, {}};
}

// One value per user, separated by commas.
LabInputCheck PerUser(LabInput input, const InputRow& row, std::string_view text, int users)
{
    const bool power = input == LabInput::Power;
    const std::vector<std::string_view> parts = Split(text, ',');
    if (int(parts.size()) != users)
        return Refuse(std::string(power ? "takes one level in dB" : "takes one delay in chips") + " per user, "
                          + std::to_string(users) + " in all, not <%1%>",
                      text);
    LabInputCheck out;
    for (const std::string_view part : parts) {
        if (power) {
            const std::optional<double> db = Decibels(part);
            if (!db || !row.Holds(*db))
                return Refuse("takes levels from -100 to 100 dB, not <%1%>", part);
            out.values.push_back(*db);
        } else {
            const std::optional<std::uint64_t> d = DecimalDigits(part);
            if (!d || !row.Holds(double(*d)))
                return Refuse("takes whole numbers of chips 0..63, not <%1%>", part);
            out.values.push_back(double(*d));
        }
    }
    return out;
}

} // namespace

std::span<const InputRow> LabInputTable()
{
    return Rows();
}

const InputRow& LabInputRowOf(LabInput input)
{
    return Rows()[static_cast<std::size_t>(input)];
}

std::optional<LabInput> LabInputNamed(std::string_view name)
{
    return FindInputField<LabInput>(LabInputTable(), name);
}

LabInputCheck CheckLabInput(LabInput input, std::string_view text, int users)
{
    const InputRow& row = LabInputRowOf(input);
    switch (input) {
    case LabInput::Codes:
        for (std::size_t i = 0; i < row.choices.size(); ++i)
            if (text == row.choices[i])
                return {{double(i)}, {}, {}};
        return Refuse("takes random, walsh, msequence or gold, not <%1%>", text);
    case LabInput::Power:
    case LabInput::Delays:
        return PerUser(input, row, text, users);
    case LabInput::EbN0:
        return EbN0(row, text);
    case LabInput::Rx:
        return WholeNumber(row, text, users);
    case LabInput::Users:
    case LabInput::Spread:
    case LabInput::Bits:
    case LabInput::Seed:
    case LabInput::Async:
    case LabInput::MaxErrors:
        return WholeNumber(row, text, row.high);
    }
    return Refuse("is no input of the lab", text);
}

int DefaultSpread(CodeFamily family)
{
    if (family == CodeFamily::MSequence || family == CodeFamily::Gold)
        return 7;
    return int(DecimalDigits(LabInputRowOf(LabInput::Spread).defaultText).value_or(MinSpread));
}

} // namespace lab
