#include "numlab.h"

#include "canvas.h"
#include "cp1252.h"
#include "qtcanvas.h"
#include "qtconvert.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

// Locale-independent printf-style notations ("%.*f", "%.*e", "%.*g").
QString formatDouble(double v, std::chars_format fmt, int precision)
{
    std::array<char, 400> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v, fmt, precision);
    if (ec != std::errc())
        return {};
    return QString::fromLatin1(buffer.data(), int(end - buffer.data()));
}

QString fixed(double v, int decimals)
{
    return formatDouble(v, std::chars_format::fixed, decimals);
}

QString rightAligned(const QString& text, int width)
{
    return text.size() >= width ? text : QString(width - text.size(), QLatin1Char(' ')) + text;
}

// To the nearest integer, halves to even; false when there is no such signed 64-bit integer.
bool roundHalfEven(double v, std::int64_t& out)
{
    if (!std::isfinite(v))
        return false;
    const double floor = std::floor(v);
    const double diff = v - floor;
    double r = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0))
        r = floor + 1.0;
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        return false;
    out = static_cast<std::int64_t>(r);
    return true;
}

QString decimalDigits(std::int64_t v, int minDigits)
{
    const bool negative = v < 0;
    // Magnitude in unsigned arithmetic so that INT64_MIN has one.
    std::uint64_t m = negative ? 0u - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    QString digits = QString::number(m);
    if (digits.size() < minDigits)
        digits.prepend(QString(minDigits - digits.size(), QLatin1Char('0')));
    return negative ? QLatin1Char('-') + digits : digits;
}

// The last `count` digits of `bits` in base 2^shift.
QString lastDigits(std::uint64_t bits, int count, int shift)
{
    static const char digitChars[] = "0123456789ABCDEF";
    QString out(count, QLatin1Char('0'));
    for (int i = count - 1; i >= 0; --i) {
        out[i] = QLatin1Char(digitChars[bits & ((1u << shift) - 1)]);
        bits >>= shift;
    }
    return out;
}

bool inUnsigned32Range(double v)
{
    return !(v > 4294967295.0 || v < -2147483648.0);
}

// ---- date and time ----

struct CivilDateTime
{
    int year, month, day, weekday; // weekday 0 = Sunday
    int hour, minute, second, millisecond;
};

// Days since 1899-12-30, fraction = time of day (for negative values too, as the fraction's
// magnitude). False outside the years 1..9999.
bool decodeDateTime(double v, CivilDateTime& out)
{
    if (!std::isfinite(v) || v < -693594.0 || v >= 2958466.0)
        return false;
    double whole = std::trunc(v);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(v - whole) * 86400000.0));
    std::int64_t days = static_cast<std::int64_t>(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        ++days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    std::int64_t z = days - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    if (y < 1 || y > 9999)
        return false;
    const std::int64_t unixDays = days - 25569;
    out.year = int(y);
    out.month = m;
    out.day = d;
    out.weekday = int(((unixDays % 7) + 7 + 4) % 7);
    out.hour = int(ms / 3600000);
    out.minute = int(ms / 60000 % 60);
    out.second = int(ms / 1000 % 60);
    out.millisecond = int(ms % 1000);
    return true;
}

QChar lower(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') ? QChar(char16_t(u - 'A' + 'a')) : c;
}

bool startsWithNoCase(const QString& s, qsizetype at, QLatin1StringView what)
{
    if (at + what.size() > s.size())
        return false;
    for (qsizetype i = 0; i < what.size(); ++i)
        if (lower(s[at + i]) != QLatin1Char(what[i]))
            return false;
    return true;
}

QString formatDateTime(const CivilDateTime& t, const QString& pattern)
{
    static const char* const monthShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char* const monthLong[] = {"January", "February", "March",     "April",   "May",      "June",
                                            "July",    "August",   "September", "October", "November", "December"};
    static const char* const dayShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const dayLong[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

    bool twelveHour = false;
    for (qsizetype i = 0; i < pattern.size(); ++i)
        if (startsWithNoCase(pattern, i, QLatin1StringView("am/pm")) || startsWithNoCase(pattern, i, QLatin1StringView("a/p")))
            twelveHour = true;

    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    QString out;
    bool afterHour = false;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        const QChar lc = lower(c);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype close = pattern.indexOf(c, i + 1);
            const qsizetype stop = close < 0 ? pattern.size() : close;
            out += pattern.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (lc == QLatin1Char('a')) {
            const bool upper = c == QLatin1Char('A');
            const bool pm = t.hour >= 12;
            if (startsWithNoCase(pattern, i, QLatin1StringView("am/pm"))) {
                out += upper ? (pm ? QStringLiteral("PM") : QStringLiteral("AM")) : (pm ? QStringLiteral("pm") : QStringLiteral("am"));
                i += 5;
                continue;
            }
            if (startsWithNoCase(pattern, i, QLatin1StringView("a/p"))) {
                out += upper ? (pm ? QStringLiteral("P") : QStringLiteral("A")) : (pm ? QStringLiteral("p") : QStringLiteral("a"));
                i += 3;
                continue;
            }
        }
        const QString letters = QStringLiteral("dmyhnsz");
        if (!letters.contains(lc)) {
            out += c;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && lower(pattern[i + run]) == lc)
            ++run;
        const char16_t k = lc.unicode();
        bool isHour = false;
        if (k == 'd') {
            out += run == 1 ? QString::number(t.day) : run == 2 ? two(t.day)
                 : QString::fromLatin1(run == 3 ? dayShort[t.weekday] : dayLong[t.weekday]);
        } else if (k == 'm') {
            bool minutes = false;
            if (run <= 2) {
                // Minutes right after an hour, or when a seconds field follows.
                qsizetype j = i + run;
                while (j < pattern.size() && !letters.contains(lower(pattern[j])) && lower(pattern[j]) != QLatin1Char('a'))
                    ++j;
                minutes = afterHour || (j < pattern.size() && lower(pattern[j]) == QLatin1Char('s'));
            }
            if (minutes)
                out += run == 1 ? QString::number(t.minute) : two(t.minute);
            else
                out += run == 1 ? QString::number(t.month) : run == 2 ? two(t.month)
                     : QString::fromLatin1(run == 3 ? monthShort[t.month - 1] : monthLong[t.month - 1]);
        } else if (k == 'y') {
            out += run <= 2 ? two(t.year % 100) : QStringLiteral("%1").arg(t.year, 4, 10, QLatin1Char('0'));
        } else if (k == 'h') {
            int h = t.hour;
            if (twelveHour)
                h = h % 12 == 0 ? 12 : h % 12;
            out += run == 1 ? QString::number(h) : two(h);
            isHour = true;
        } else if (k == 'n') {
            out += run == 1 ? QString::number(t.minute) : two(t.minute);
        } else if (k == 's') {
            out += run == 1 ? QString::number(t.second) : two(t.second);
        } else { // 'z'
            out += run == 1 ? QString::number(t.millisecond) : QStringLiteral("%1").arg(t.millisecond, 3, 10, QLatin1Char('0'));
        }
        afterHour = isHour;
        i += run;
    }
    return out;
}

// Degrees with minutes (and seconds) rounded as one number, so that 1.0833333 shows 1° 5' 0"
// and not 1° 4' 60". Values too large for that fall back to the plain parts.
QString degreesMinutes(double v, int decimals, bool withSeconds)
{
    const QString degree = QString(QChar(0x00B0));
    const double mag = std::fabs(v);
    const std::int64_t scale = static_cast<std::int64_t>(std::pow(10.0, decimals));
    const std::int64_t perMinute = withSeconds ? 60 * scale : scale;
    const std::int64_t perDegree = 60 * perMinute;
    double degrees = 0, minutes = 0, seconds = 0;
    if (mag * double(perDegree) < 9.0e15) {
        const std::int64_t units = std::llround(mag * double(perDegree));
        degrees = double(units / perDegree);
        const std::int64_t rest = units % perDegree;
        if (withSeconds) {
            minutes = double(rest / perMinute);
            seconds = double(rest % perMinute) / double(scale);
        } else {
            minutes = double(rest) / double(scale);
        }
    } else {
        degrees = std::trunc(mag);
        minutes = (mag - degrees) * 60.0;
        if (withSeconds) {
            seconds = (minutes - std::trunc(minutes)) * 60.0;
            minutes = std::trunc(minutes);
        }
    }
    const QString whole = (v < 0 ? QStringLiteral("-") : QString()) + fixed(degrees, 0) + degree + QLatin1Char(' ');
    if (!withSeconds)
        return whole + rightAligned(fixed(minutes, decimals), decimals + 3) + QLatin1Char('\'');
    return whole + rightAligned(fixed(minutes, 0), 2) + QStringLiteral("' ")
         + rightAligned(fixed(seconds, decimals), decimals + 3) + QLatin1Char('"');
}

const QString sampleText = QString::fromUtf8("(8g]}\u00DC\u00C4\u00A7");

} // namespace

TNumLab::TNumLab(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(160, 28);
}

QColor TNumLab::Resolve(const LabColor& c) const
{
    return c.role == QPalette::NoRole ? c.direct : palette().color(c.role);
}

void TNumLab::SetColor(LabColor& target, const LabColor& value)
{
    if (target == value)
        return;
    target = value;
    Redraw();
}

void TNumLab::SetLeftSpace(int space)
{
    if (space < 0)
        return;
    if (space > width())
        space = width();
    if (space == m_leftSpace)
        return;
    m_leftSpace = space;
    Redraw();
}

void TNumLab::SetPrecision(int precision)
{
    if (precision < 0)
        return;
    if (precision > 15)
        precision = 15;
    if (precision == m_precision)
        return;
    m_precision = precision;
    Redraw();
}

// The plain setters: store and repaint when the value differs.
#define NUMLAB_SETTER(Name, Type, member)      \
    void TNumLab::Set##Name(Type value)        \
    {                                          \
        if (member == value)                   \
            return;                            \
        member = value;                        \
        Redraw();                              \
    }
NUMLAB_SETTER(Empty, bool, m_empty)
NUMLAB_SETTER(LabelWidth, int, m_labelWidth)
NUMLAB_SETTER(Comma, bool, m_comma)
NUMLAB_SETTER(ForcePlusSign, bool, m_forcePlusSign)
NUMLAB_SETTER(LeftText, const QString&, m_leftText)
NUMLAB_SETTER(RightText, const QString&, m_rightText)
NUMLAB_SETTER(FrameStyle, TFrameStyle, m_frameStyle)
NUMLAB_SETTER(StateText, const QString&, m_stateText)
NUMLAB_SETTER(Alignment, TAlignment, m_alignment)
NUMLAB_SETTER(LeftTextAlignment, TAlignment, m_leftTextAlignment)
NUMLAB_SETTER(RightTextAlignment, TAlignment, m_rightTextAlignment)
NUMLAB_SETTER(OverflowIndicator, const QString&, m_overflowIndicator)
NUMLAB_SETTER(DisplayType, TDisplay, m_displayType)
NUMLAB_SETTER(DTFormat, const QString&, m_dtFormat)
#undef NUMLAB_SETTER

void TNumLab::SetValue(double value)
{
    if (value == m_value || (std::isnan(value) && std::isnan(m_value)))
        return;
    m_value = value;
    Redraw();
}

void TNumLab::SetColorLabBakG(const QColor& color) { SetColor(m_colorLabBakG, {color}); }
void TNumLab::SetColorLabText(const QColor& color) { SetColor(m_colorLabText, {color}); }
void TNumLab::SetColorOutBakG(const QColor& color) { SetColor(m_colorOutBakG, {color}); }
void TNumLab::SetColorOutText(const QColor& color) { SetColor(m_colorOutText, {color}); }

void TNumLab::SetColorScheme(TColorScheme scheme)
{
    const LabColor shadow = scheme == csBWG ? LabColor{QColor(0x80, 0x80, 0x80)} : LabColor{QColor(), QPalette::Dark};
    const LabColor light = scheme == csBWG ? LabColor{QColor(0xFF, 0xFF, 0xFF)} : LabColor{QColor(), QPalette::Light};
    if (scheme == m_colorScheme && shadow == m_frameShadowColor && light == m_frameLightColor)
        return;
    m_colorScheme = scheme;
    m_frameShadowColor = shadow;
    m_frameLightColor = light;
    Redraw();
}

bool TNumLab::Assign(const QObject* source)
{
    const auto* o = qobject_cast<const TNumLab*>(source);
    if (!o)
        return false;
    m_leftSpace = o->m_leftSpace;
    m_empty = o->m_empty;
    m_labelWidth = o->m_labelWidth;
    m_precision = o->m_precision;
    m_leftText = o->m_leftText;
    m_rightText = o->m_rightText;
    m_frameStyle = o->m_frameStyle;
    m_alignment = o->m_alignment;
    m_rightTextAlignment = o->m_rightTextAlignment;
    m_leftTextAlignment = o->m_leftTextAlignment;
    m_overflowIndicator = o->m_overflowIndicator;
    m_value = o->m_value;
    m_stateText = o->m_stateText;
    m_colorLabBakG = o->m_colorLabBakG;
    m_colorLabText = o->m_colorLabText;
    m_colorOutBakG = o->m_colorOutBakG;
    m_colorOutText = o->m_colorOutText;
    m_frameDarkColor = o->m_frameDarkColor;
    m_frameShadowColor = o->m_frameShadowColor;
    m_frameLightColor = o->m_frameLightColor;
    m_colorScheme = o->m_colorScheme;
    m_displayType = o->m_displayType;
    Redraw();
    return true;
}

QString TNumLab::FormatValue() const
{
    const double v = m_value;
    const int p = m_precision;
    std::int64_t r = 0;
    switch (m_displayType) {
    case dtFloat:
        return formatDouble(v, std::chars_format::general, p);
    case dtFixP:
        return fixed(v, p);
    case dtExp:
        // Precision counts significant digits, the first one before the point included; the
        // exponent is 'e', a sign and at least two digits.
        return formatDouble(v, std::chars_format::scientific, std::max(p, 1) - 1);
    case dtHex:
        if (!inUnsigned32Range(v) || !roundHalfEven(v, r))
            return m_overflowIndicator;
        return lastDigits(static_cast<std::uint64_t>(r), std::min(p, 8), 4);
    case dtZeroInt:
        if (v > 2147483647.0 || v < -2147483648.0 || !roundHalfEven(v, r))
            return m_overflowIndicator;
        return decimalDigits(r, p);
    case dtInt:
        // Beyond 64 bits there is no rounded value to show.
        return roundHalfEven(v, r) ? decimalDigits(r, 1) : m_overflowIndicator;
    case dtDateTime: {
        CivilDateTime t{};
        return decodeDateTime(v, t) ? formatDateTime(t, m_dtFormat) : m_overflowIndicator;
    }
    case dtState:
        return m_stateText;
    case dtBin:
        if (!inUnsigned32Range(v) || !roundHalfEven(v, r))
            return m_overflowIndicator;
        return lastDigits(static_cast<std::uint32_t>(r), std::min(p, 32), 1);
    case dtOct:
        if (!inUnsigned32Range(v) || !roundHalfEven(v, r))
            return m_overflowIndicator;
        // 32 bits make at most 11 octal digits.
        return lastDigits(static_cast<std::uint32_t>(r), std::min(p, 11), 3);
    case dtDeg:
    case dtDegMin:
    case dtDegMinSec: {
        const int a = std::min(p, 8);
        const QString degree = QString(QChar(0x00B0));
        if (m_displayType == dtDeg)
            return fixed(v, a) + degree;
        return degreesMinutes(v, a, m_displayType == dtDegMinSec);
    }
    }
    return {};
}

void TNumLab::Paint(Canvas& canvas)
{
    const int W = width();
    const int H = height();
    const int L = m_leftSpace;
    const int R = m_leftSpace + m_labelWidth;
    const QColor outBack = ColorOutBakG();
    const QColor labBack = ColorLabBakG();

    // The canvas takes the core's types: colours, the font and texts are converted here.
    const FontDesc fontDesc = ToFontDesc(font());
    const std::string leftText = cp1252::FromQString(m_leftText);
    const std::string rightText = cp1252::FromQString(m_rightText);
    canvas.clearClip();
    canvas.setPen({ToTColor(outBack), 1, Canvas::PenStyle::Solid});
    canvas.setBrush({ToTColor(outBack), Canvas::BrushStyle::Solid});
    canvas.setFont(fontDesc, ToTColor(ColorOutText()));
    canvas.rectangle(0, 0, W, H);

    const int y = (H - canvas.textHeight(cp1252::FromQString(sampleText))) / 2;
    if (!m_leftText.isEmpty()) {
        const int w = canvas.textWidth(leftText);
        const int x = m_leftTextAlignment == taLeftJustify ? 7 : m_leftTextAlignment == taRightJustify ? L - w - 5 : (L - w) / 2;
        canvas.textOut(x, y, leftText);
    }
    if (!m_rightText.isEmpty()) {
        const int w = canvas.textWidth(rightText);
        const int x = m_rightTextAlignment == taLeftJustify ? R + 7
                    : m_rightTextAlignment == taRightJustify ? W - w - 6
                    : R + 1 + (W - R - w) / 2;
        canvas.textOut(x, y, rightText);
    }

    const QColor outline = m_frameStyle == fsNone ? labBack : m_frameStyle == fsEmbossed ? FrameLightColor() : FrameShadowColor();
    canvas.setPen({ToTColor(outline), 1, Canvas::PenStyle::Solid});
    canvas.setBrush({ToTColor(labBack), Canvas::BrushStyle::Solid});
    if (m_frameStyle == fsNone || m_frameStyle == fsSimple) {
        canvas.rectangle(L, 0, R + 2, H);
    } else {
        canvas.rectangle(L, 0, R + 2, H - 1);
        QColor inner, outer;
        switch (m_frameStyle) {
        case fsLowered: inner = FrameDarkColor(); outer = FrameLightColor(); break;
        case fsRaised: inner = FrameLightColor(); outer = FrameDarkColor(); break;
        case fsEmbossed: inner = outer = FrameShadowColor(); break;
        default: inner = outer = FrameLightColor(); break; // fsEngraved
        }
        canvas.setPenColor(ToTColor(inner));
        canvas.moveTo(L + 1, H - 3);
        canvas.lineTo(L + 1, 1);
        canvas.lineTo(R + 1, 1);
        canvas.setPenColor(ToTColor(outer));
        canvas.moveTo(L + 1, H - 1);
        canvas.lineTo(R + 2, H - 1);
        canvas.lineTo(R + 2, 0);
    }

    if (m_empty)
        return;
    QString text = FormatValue();
    const TDisplay type = m_displayType;
    if (type != dtHex && type != dtDateTime && type != dtState && type != dtBin) {
        if (m_comma)
            text.replace(QLatin1Char('.'), QLatin1Char(','));
        else
            text.replace(QLatin1Char(','), QLatin1Char('.'));
        if (m_forcePlusSign && m_value > 0)
            text.prepend(QLatin1Char('+'));
    }
    if (m_onBeforeDisplay)
        m_onBeforeDisplay(this, text);
    canvas.setFont(fontDesc, ToTColor(ColorLabText()));
    if (type != dtState && canvas.textWidth(cp1252::FromQString(text)) > m_labelWidth - 6)
        text = m_overflowIndicator;
    const std::string shown = cp1252::FromQString(text);
    const int w = canvas.textWidth(shown);
    const int x = m_alignment == taLeftJustify ? L + 4 : m_alignment == taRightJustify ? R - 2 - w : L + 2 + (m_labelWidth - w) / 2;
    // Clip rectangles leave out their right and bottom edge, as every rectangle here does.
    canvas.setClipRect({L + 3, 2, (R - 1) - (L + 3), (H - 3) - 2});
    canvas.textOut(x, y, shown);
    canvas.clearClip();
}

void TNumLab::Render()
{
    QtCanvas canvas(width(), height());
    Paint(canvas);
    m_buffer = canvas.image().copy();
}

void TNumLab::Redraw()
{
    if (!isVisible())
        return; // the picture is built when the label is shown
    Render();
    repaint();
}

void TNumLab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Render();
}

void TNumLab::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint()))
        Q_EMIT OnClick(this);
}

void TNumLab::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    Q_EMIT OnDblClick(this);
}

void TNumLab::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_buffer);
}

void TNumLab::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Redraw();
}

void TNumLab::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange
        || event->type() == QEvent::EnabledChange)
        Redraw();
}
