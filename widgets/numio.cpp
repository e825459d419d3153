#include "numio.h"

#include <QApplication>
#include <QLocale>
#include <QPalette>

#include <cmath>
#include <string>

namespace {

// Deep enough for every legitimate chain (restore, cut, reformat); only a fault could go on.
constexpr int MaxNesting = 16;

std::string toParserText(const QString& text)
{
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (const QChar c : text)
        out.push_back(c.unicode() < 0x80 ? char(c.unicode()) : '\x80'); // never part of a number
    return out;
}

} // namespace

TNumIO::TNumIO(QWidget* parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &TNumIO::Change);
}

QColor TNumIO::Color() const
{
    return palette().color(QPalette::Base);
}

void TNumIO::SetColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void TNumIO::SetInputFormat(TInFormat format)
{
    if (format == m_inputFormat)
        return;
    m_inputFormat = format;
    m_lastValidText.clear();
    Change();
}

void TNumIO::SetDecPlaceSep(TDecPSep separator)
{
    if (separator == m_decPlaceSep)
        return;
    m_decPlaceSep = separator;
    m_lastValidText.clear();
    Change();
}

void TNumIO::SetFixPointDecPlaces(int places)
{
    m_fixPointDecPlaces = places < 1 ? 1 : places > 8 ? 8 : places;
}

void TNumIO::SetRangeLow(double low)
{
    if (std::isnan(low))
        return;
    if (low >= m_rangeHigh) {
        m_rangeLow = m_rangeHigh;
        m_rangeHigh = low;
    } else {
        m_rangeLow = low;
    }
    m_lastValidText.clear();
    Change();
}

void TNumIO::SetRangeHigh(double high)
{
    if (std::isnan(high))
        return;
    if (high > m_rangeLow) {
        m_rangeHigh = high;
    } else {
        m_rangeHigh = m_rangeLow;
        m_rangeLow = high;
    }
    m_lastValidText.clear();
    Change();
}

char TNumIO::SystemSeparator() const
{
    return QLocale().decimalPoint() == QStringLiteral(",") ? ',' : '.';
}

bool TNumIO::ParseText(const QString& text, double& value) const
{
    const ParsedNumber n = ::ParseText(toParserText(text), m_inputFormat, m_decPlaceSep, SystemSeparator());
    value = n.value;
    return n.valid;
}

double TNumIO::Value() const
{
    double v = 0.0;
    // The text as validation saw it first, so that a field with a decimal comma reads the
    // number it accepted; then the lenient reading (comma for point, "1." for "1.0").
    if (ParseText(text(), v))
        return v;
    QString t = text();
    const qsizetype comma = t.indexOf(QLatin1Char(','));
    if (comma >= 0)
        t[comma] = QLatin1Char('.');
    if (!t.isEmpty() && t.endsWith(QLatin1Char('.')))
        t.append(QLatin1Char('0'));
    return ParseText(t, v) ? v : 0.0;
}

bool TNumIO::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TNumIO*>(source);
    if (!other)
        return false;
    m_inputFormat = other->m_inputFormat;
    m_beep = other->m_beep;
    m_rangeLow = other->m_rangeLow;
    m_rangeHigh = other->m_rangeHigh;
    m_decPlaceSep = other->m_decPlaceSep;
    return true;
}

bool TNumIO::WindowExists() const
{
    return testAttribute(Qt::WA_WState_Created);
}

// setText re-enters Change() through textChanged when the text differs.
void TNumIO::SetTextAndCaret(const QString& text, int caret)
{
    setText(text);
    setCursorPosition(caret < 0 ? 0 : caret);
}

void TNumIO::Reject()
{
    // A restored text that fails again stays: restoring once more could never end.
    if (m_restoring > 0)
        return;
    const int caret = cursorPosition();
    ++m_restoring;
    SetTextAndCaret(m_lastValidText, caret - 1);
    --m_restoring;
    repaint();
    if (m_beep)
        QApplication::beep();
}

void TNumIO::Change()
{
    if (!WindowExists() || m_depth >= MaxNesting)
        return;
    ++m_depth;
    const unsigned serialAtStart = m_acceptSerial;

    if (m_inputFormat == itFixPoint) {
        const QChar dot = QLatin1Char('.');
        QString t = text();
        // Positions count from 1, 0 meaning absent; the caret index counts characters before it.
        int d1 = int(t.indexOf(dot)) + 1;
        const int d2 = d1 > 0 ? int(t.indexOf(dot, d1)) + 1 : 0;
        if (d1 == 0) {
            ++m_restoring;
            setText(m_lastValidText);
            --m_restoring;
            d1 = int(text().indexOf(dot)) + 1;
            setCursorPosition(d1 > 1 ? d1 - 1 : d1);
        }
        if (d1 < d2 || d1 == 0) {
            ++m_restoring;
            setText(m_lastValidText);
            --m_restoring;
            setCursorPosition(int(text().indexOf(dot)) + 1);
        }
        t = text();
        const qsizetype first = t.indexOf(dot);
        if (first >= 0 && t.size() - first - 1 > m_fixPointDecPlaces)
            SetTextAndCaret(t.left(first + 1 + m_fixPointDecPlaces), cursorPosition());
    }

    double value = 0.0;
    const bool valid = ParseText(text(), value);
    if (valid && m_inputFormat == itFixPoint)
        SetTextAndCaret(QString::fromStdString(FormatFixPoint(value, m_fixPointDecPlaces)), cursorPosition());

    if (valid && m_rangeLow <= value && value <= m_rangeHigh) {
        const QString accepted = text();
        // A nested check may already have reported this very text.
        const bool reported = m_acceptSerial != serialAtStart && m_lastValidText == accepted;
        m_lastValidText = accepted;
        if (!reported) {
            ++m_acceptSerial;
            Q_EMIT OnChange(this);
        }
    } else {
        Reject();
    }
    --m_depth;
}
