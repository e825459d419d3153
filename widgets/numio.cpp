#include "widgets/numio.h"

#include "i18n/cp1252.h"

#include <QApplication>
#include <QLocale>
#include <QPalette>

#include <cmath>
#include <string>
#include <utility>

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

KeyFieldRules TNumIO::Rules() const
{
    KeyFieldRules rules;
    rules.InputFormat = m_inputFormat;
    rules.DecPlaceSep = m_decPlaceSep;
    rules.SystemSeparator = SystemSeparator();
    rules.RangeLow = m_rangeLow;
    rules.RangeHigh = m_rangeHigh;
    rules.FixPointDecPlaces = m_fixPointDecPlaces;
    rules.Beep = m_beep;
    return rules;
}

QString TNumIO::LastValidText() const
{
    return cp1252::ToQString(m_lastValidText);
}

bool TNumIO::ParseText(const QString& text, double& value) const
{
    const ParsedNumber n = ParseKeyFieldText(Rules(), cp1252::FromQStringUnits(text));
    value = n.value;
    return n.valid;
}

double TNumIO::Value() const
{
    return KeyFieldValue(Rules(), cp1252::FromQStringUnits(text()));
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

// The text a step sets, as the field shows it: a cut keeps the characters it keeps, whatever
// code page they are outside of.
QString TNumIO::Shown(const std::string& bytes) const
{
    const QString current = text();
    if (bytes.size() <= std::size_t(current.size()) && cp1252::FromQStringUnits(QStringView(current).first(qsizetype(bytes.size()))) == bytes)
        return current.first(qsizetype(bytes.size()));
    return cp1252::ToQString(bytes);
}

void TNumIO::Carry(const std::vector<KeyFieldStep>& steps)
{
    for (const KeyFieldStep& step : steps) {
        switch (step.kind) {
        case KeyFieldStep::SetText: {
            // setText announces a differing text at once; its checks run from there (Change).
            const std::vector<KeyFieldStep>* outer = m_pendingNested;
            m_pendingNested = &step.Nested;
            setText(Shown(step.Text));
            m_pendingNested = outer;
            break;
        }
        case KeyFieldStep::SetCaret:
            setCursorPosition(step.Caret);
            break;
        case KeyFieldStep::Accept:
            m_lastValidText = step.Text;
            emit OnChange(this);
            break;
        case KeyFieldStep::Repaint:
            repaint();
            break;
        case KeyFieldStep::Beep:
            QApplication::beep();
            break;
        }
    }
}

void TNumIO::Change()
{
    if (m_pendingNested) {
        // A text the field set itself: carry out what checking it was decided to do.
        const std::vector<KeyFieldStep>& nested = *std::exchange(m_pendingNested, nullptr);
        Carry(nested);
        return;
    }
    if (!WindowExists())
        return;
    KeyField field{cp1252::FromQStringUnits(text()), cursorPosition(), m_lastValidText};
    const std::vector<KeyFieldStep> steps = CheckKeyField(Rules(), field);
    Carry(steps);
}
