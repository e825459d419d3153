#include "core/numeric/civildatetime.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

constexpr const char* MonthShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* MonthLong[] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
constexpr const char* DayShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* DayLong[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

constexpr std::string_view FieldLetters = "dmyhnsz";

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool isFieldLetter(char lowered)
{
    return FieldLetters.find(lowered) != std::string_view::npos;
}

bool startsWithNoCase(std::string_view s, std::size_t at, std::string_view what)
{
    if (at + what.size() > s.size())
        return false;
    for (std::size_t i = 0; i < what.size(); ++i)
        if (lower(s[at + i]) != what[i])
            return false;
    return true;
}

// v in decimal, with leading zeros up to `width` digits; v is never negative here.
std::string digits(int v, int width = 1)
{
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    std::string text(buffer, end);
    if (int(text.size()) < width)
        text.insert(0, std::size_t(width) - text.size(), '0');
    return text;
}

// Writes a date and time by a pattern, one field, literal or half-day marker at a time.
class DatePatternWriter
{
public:
    DatePatternWriter(const CivilDateTime& t, std::string_view pattern)
        : m_t(t)
        , m_pattern(pattern)
    {
        for (std::size_t i = 0; i < pattern.size(); ++i)
            if (startsWithNoCase(pattern, i, "am/pm") || startsWithNoCase(pattern, i, "a/p"))
                m_twelveHour = true;
    }

    std::string Write()
    {
        while (m_at < m_pattern.size()) {
            const char c = m_pattern[m_at];
            if (c == '"' || c == '\'') {
                quoted(c);
            } else if (!halfDay(c)) {
                const char lc = lower(c);
                if (isFieldLetter(lc)) {
                    field(lc);
                } else {
                    m_out += c;
                    ++m_at;
                }
            }
        }
        return m_out;
    }

private:
    // Text up to the closing quote, or to the end of the pattern without one.
    void quoted(char quote)
    {
        const std::size_t close = m_pattern.find(quote, m_at + 1);
        const std::size_t stop = close == std::string_view::npos ? m_pattern.size() : close;
        m_out += m_pattern.substr(m_at + 1, stop - m_at - 1);
        m_at = stop + 1;
    }

    bool halfDay(char c)
    {
        const bool upper = c == 'A';
        const bool pm = m_t.hour >= 12;
        if (startsWithNoCase(m_pattern, m_at, "am/pm")) {
            m_out += upper ? (pm ? "PM" : "AM") : (pm ? "pm" : "am");
            m_at += 5;
            return true;
        }
        if (startsWithNoCase(m_pattern, m_at, "a/p")) {
            m_out += upper ? (pm ? "P" : "A") : (pm ? "p" : "a");
            m_at += 3;
            return true;
        }
        return false;
    }

    // m or mm right after an hour, or with a seconds field as the next field, means minutes.
    bool minutesAt(std::size_t end) const
    {
        std::size_t j = end;
        while (j < m_pattern.size() && !isFieldLetter(lower(m_pattern[j])) && lower(m_pattern[j]) != 'a')
            ++j;
        return m_afterHour || (j < m_pattern.size() && lower(m_pattern[j]) == 's');
    }

    // A run of one field letter, such as "dddd" or "yy".
    void field(char letter)
    {
        std::size_t run = 1;
        while (m_at + run < m_pattern.size() && lower(m_pattern[m_at + run]) == letter)
            ++run;
        const auto numberOrTwo = [run](int v) { return digits(v, run == 1 ? 1 : 2); };
        bool isHour = false;
        switch (letter) {
        case 'd':
            m_out += run <= 2 ? numberOrTwo(m_t.day) : run == 3 ? DayShort[m_t.weekday] : DayLong[m_t.weekday];
            break;
        case 'm':
            if (run <= 2 && minutesAt(m_at + run))
                m_out += numberOrTwo(m_t.minute);
            else
                m_out += run <= 2   ? numberOrTwo(m_t.month)
                       : run == 3 ? MonthShort[m_t.month - 1]
                                  : MonthLong[m_t.month - 1];
            break;
        case 'y':
            m_out += run <= 2 ? digits(m_t.year % 100, 2) : digits(m_t.year, 4);
            break;
        case 'h': {
            const int h = m_twelveHour ? (m_t.hour % 12 == 0 ? 12 : m_t.hour % 12) : m_t.hour;
            m_out += numberOrTwo(h);
            isHour = true;
            break;
        }
        case 'n':
            m_out += numberOrTwo(m_t.minute);
            break;
        case 's':
            m_out += numberOrTwo(m_t.second);
            break;
        default: // 'z'
            m_out += digits(m_t.millisecond, run == 1 ? 1 : 3);
            break;
        }
        m_afterHour = isHour;
        m_at += run;
    }

    const CivilDateTime& m_t;
    std::string_view m_pattern;
    bool m_twelveHour = false;
    bool m_afterHour = false; // the last field was an hour; literals between keep it
    std::size_t m_at = 0;
    std::string m_out;
};

} // namespace

std::optional<CivilDateTime> DecodeDateTime(double days)
{
    if (!std::isfinite(days) || days < -693594.0 || days >= 2958466.0)
        return std::nullopt;
    const double whole = std::trunc(days);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(days - whole) * 86400000.0));
    std::int64_t day = static_cast<std::int64_t>(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        ++day;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    const std::int64_t z = day - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    if (y < 1 || y > 9999)
        return std::nullopt;
    const std::int64_t unixDays = day - 25569;
    CivilDateTime t;
    t.year = int(y);
    t.month = m;
    t.day = d;
    t.weekday = int(((unixDays % 7) + 7 + 4) % 7);
    t.hour = int(ms / 3600000);
    t.minute = int(ms / 60000 % 60);
    t.second = int(ms / 1000 % 60);
    t.millisecond = int(ms % 1000);
    return t;
}

std::string FormatDateTime(const CivilDateTime& t, std::string_view pattern)
{
    return DatePatternWriter(t, pattern).Write();
}
