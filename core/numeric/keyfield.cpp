#include "core/numeric/keyfield.h"

#include <algorithm>

namespace {

// Deep enough for every legitimate chain (restore, cut, reformat); only a fault could go on.
constexpr int MaxNesting = 16;

int position(const std::string& text, char c, std::size_t from = 0)
{
    const std::size_t at = text.find(c, from);
    return at == std::string::npos ? -1 : int(at);
}

// Replays the checking an edit control runs from its change notification: a text the check
// sets re-enters the check from inside that setting.
class Checker
{
public:
    Checker(const KeyFieldRules& rules, KeyField& field)
        : m_rules(rules)
        , m_field(field)
        , m_places(std::clamp(rules.FixPointDecPlaces, 1, 8))
    {
    }

    void change(std::vector<KeyFieldStep>& out)
    {
        if (m_depth >= MaxNesting)
            return;
        ++m_depth;
        const unsigned serialAtStart = m_acceptSerial;

        if (m_rules.InputFormat == itFixPoint) {
            // Positions count from 1, 0 meaning absent; the caret index counts characters before it.
            const std::string t = m_field.Text;
            int d1 = position(t, '.') + 1;
            const int d2 = d1 > 0 ? position(t, '.', std::size_t(d1)) + 1 : 0;
            if (d1 == 0) {
                ++m_restoring;
                setText(m_field.LastValidText, out);
                --m_restoring;
                d1 = position(m_field.Text, '.') + 1;
                setCaret(d1 > 1 ? d1 - 1 : d1, out);
            }
            if (d1 < d2 || d1 == 0) {
                ++m_restoring;
                setText(m_field.LastValidText, out);
                --m_restoring;
                setCaret(position(m_field.Text, '.') + 1, out);
            }
            const std::string now = m_field.Text;
            const int first = position(now, '.');
            if (first >= 0 && int(now.size()) - first - 1 > m_places)
                setTextAndCaret(now.substr(0, std::size_t(first + 1 + m_places)), m_field.Caret, out);
        }

        const ParsedNumber n = ParseKeyFieldText(m_rules, m_field.Text);
        if (n.valid && m_rules.InputFormat == itFixPoint)
            setTextAndCaret(FormatFixPoint(n.value, m_places), m_field.Caret, out);

        if (n.valid && m_rules.RangeLow <= n.value && n.value <= m_rules.RangeHigh) {
            const std::string accepted = m_field.Text;
            // A nested check may already have reported this very text.
            const bool reported = m_acceptSerial != serialAtStart && m_field.LastValidText == accepted;
            m_field.LastValidText = accepted;
            if (!reported) {
                ++m_acceptSerial;
                out.push_back({KeyFieldStep::Accept, accepted, 0, {}});
            }
        } else {
            reject(out);
        }
        --m_depth;
    }

private:
    void setText(const std::string& text, std::vector<KeyFieldStep>& out)
    {
        const bool differs = text != m_field.Text;
        out.push_back({KeyFieldStep::SetText, text, 0, {}});
        const std::size_t at = out.size() - 1;
        m_field.Text = text;
        m_field.Caret = int(text.size());
        if (differs) {
            std::vector<KeyFieldStep> nested;
            change(nested);
            out[at].Nested = std::move(nested);
        }
    }

    void setCaret(int caret, std::vector<KeyFieldStep>& out)
    {
        caret = std::clamp(caret, 0, int(m_field.Text.size()));
        m_field.Caret = caret;
        out.push_back({KeyFieldStep::SetCaret, {}, caret, {}});
    }

    // The caret is taken before the text is set, as an argument is.
    void setTextAndCaret(const std::string& text, int caret, std::vector<KeyFieldStep>& out)
    {
        setText(text, out);
        setCaret(caret < 0 ? 0 : caret, out);
    }

    void reject(std::vector<KeyFieldStep>& out)
    {
        // A restored text that fails again stays: restoring once more could never end.
        if (m_restoring > 0)
            return;
        const int caret = m_field.Caret;
        ++m_restoring;
        setTextAndCaret(m_field.LastValidText, caret - 1, out);
        --m_restoring;
        out.push_back({KeyFieldStep::Repaint, {}, 0, {}});
        if (m_rules.Beep)
            out.push_back({KeyFieldStep::Beep, {}, 0, {}});
    }

    const KeyFieldRules& m_rules;
    KeyField& m_field;
    const int m_places; // decimals of a fixed-point text, 1..8 whatever the rules say
    int m_depth = 0;
    int m_restoring = 0;
    unsigned m_acceptSerial = 0;
};

} // namespace

std::vector<KeyFieldStep> CheckKeyField(const KeyFieldRules& rules, KeyField& field)
{
    field.Caret = std::clamp(field.Caret, 0, int(field.Text.size()));
    std::vector<KeyFieldStep> steps;
    Checker(rules, field).change(steps);
    return steps;
}

ParsedNumber ParseKeyFieldText(const KeyFieldRules& rules, std::string_view text)
{
    return ParseText(text, rules.InputFormat, rules.DecPlaceSep, rules.SystemSeparator);
}

double KeyFieldValue(const KeyFieldRules& rules, std::string_view text)
{
    if (const ParsedNumber n = ParseKeyFieldText(rules, text); n.valid)
        return n.value;
    std::string t(text);
    if (const std::size_t comma = t.find(','); comma != std::string::npos)
        t[comma] = '.';
    if (!t.empty() && t.back() == '.')
        t.push_back('0');
    const ParsedNumber n = ParseKeyFieldText(rules, t);
    return n.valid ? n.value : 0.0;
}
