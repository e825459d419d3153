#include "webshell.h"

#include "chartrender.h"
#include "keyfield.h"
#include "plotsignals.h"
#include "recordingtext.h"
#include "signalcharts.h"
#include "signalmodel.h"
#include "windows1252.h"

#include <exception>

namespace web {
namespace {

// The stored settings of NIOKeyA, NIOKeyB and NIOKeyD.
KeyFieldRules RulesOf(KeyField field)
{
    KeyFieldRules rules;
    rules.InputFormat = itDynamic;
    rules.DecPlaceSep = dsDot;
    rules.FixPointDecPlaces = 2;
    rules.Beep = false;
    rules.RangeLow = field == KeyField::Rx ? -1.7e308 : -1000000;
    rules.RangeHigh = field == KeyField::Rx ? 1.7e308 : 1000000;
    return rules;
}

// The next code point of a UTF-8 text, U+FFFD for a malformed sequence (one byte consumed).
char32_t NextCodePoint(std::string_view s, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    int length = 0;
    char32_t c = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        c = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        c = b0 & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + length > s.size()) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are malformed.
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        ++i;
        return 0xFFFD;
    }
    i += length;
    return c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos)
            return parts;
        start = at + 1;
    }
}

} // namespace

// Draws its chart whenever the chart asks (at ShowItems). The surface keeps what was drawn, so
// the frame around the plot (surround, shadow, caption, axes) is drawn only when it changed; the
// plot, with its background and grid, the items and the labels, which stay inside it, every time.
class Simulation::Surface final : public ChartPresenter
{
public:
    Surface(Chart& chart, Canvas& canvas)
        : m_chart(chart)
        , m_canvas(canvas)
    {
        m_chart.SetTextMetrics(&m_canvas);
        m_chart.SetPresenter(this);
    }
    ~Surface() { m_chart.SetPresenter(nullptr); }

    void ChartPaint(ChartPaintScope scope) override
    {
        const unsigned frameChanges = m_chart.Changes() & (ChangeStaticPicture | ChangeStaticLayout);
        const ChartLayout& layout = m_chart.Layout();
        const ChartState& state = m_chart.State();
        if (!m_framed || frameChanges || m_canvas.size() != m_chart.GetSize()) {
            if (m_canvas.size() != m_chart.GetSize())
                m_canvas.resize(m_chart.Width(), m_chart.Height());
            RenderChart(state, layout, m_canvas, ChartParts::Frame);
            m_framed = true;
        }
        RenderChart(state, layout, m_canvas, ChartParts::PlotBackground);
        RenderChart(state, layout, m_canvas, ChartParts::Dynamic);
        m_chart.ClearChanges(ChangeStaticPicture | ChangePlotBackground | ChangeItems);
        if (scope == ChartPaintScope::Whole)
            m_chart.WholePainted(layout);
    }
    void ChartMinimumSizeChanged(Size) override {}
    // The canvas measures or scales differently: the frame is drawn again at the next paint.
    void Reframe()
    {
        m_framed = false;
        // A new backing store, also at the same size: the screen's pixel ratio may have changed.
        m_canvas.resize(m_chart.Width(), m_chart.Height());
        m_chart.SetTextMetrics(&m_canvas);
    }

private:
    Chart& m_chart;
    Canvas& m_canvas;
    bool m_framed = false;
};

KeyCheck CheckKey(KeyField which, std::string_view text, int caret, std::string_view lastValid)
{
    const KeyFieldRules rules = RulesOf(which);
    ::KeyField field;
    field.Text = Utf8ToCp1252(text);
    field.Caret = caret;
    field.LastValidText = Utf8ToCp1252(lastValid);
    const std::string typed = field.Text;
    CheckKeyField(rules, field);
    KeyCheck out;
    out.text = Cp1252ToUtf8(field.Text);
    out.caret = field.Caret;
    out.accepted = field.Text == typed && field.LastValidText == typed;
    out.value = KeyFieldValue(rules, field.Text);
    return out;
}

std::string TypedCharacter(std::string_view typed)
{
    if (typed.empty())
        return {};
    std::size_t i = 0;
    return Cp1252ToUtf8(std::string(1, windows1252::FromUnicode(NextCodePoint(typed, i))));
}

std::string Utf8ToCp1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        out.push_back(windows1252::FromUnicode(NextCodePoint(utf8, i)));
    return out;
}

std::string Cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char b : bytes)
        AppendUtf8(out, windows1252::ToUnicode(static_cast<unsigned char>(b)));
    return out;
}

Simulation::Simulation(std::array<Canvas*, 4> canvases)
    : m_canvases(canvases)
{
    buildCharts();
}

Simulation::~Simulation() = default;

void Simulation::buildCharts()
{
    const SignalChart which[] = {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD};
    for (std::size_t i = 0; i < 4; ++i) {
        m_surfaces[i].reset();
        m_charts[i] = NewSignalChart(which[i]);
        // The stored captions are keys; the window is translated once its language is known.
        m_charts[i]->TranslateTexts([this](std::string& text) { m_dictionary.TranslateKeyed(text); });
        if (m_sizes[i].width > 0)
            m_charts[i]->Resize(m_sizes[i].width, m_sizes[i].height);
        m_surfaces[i] = std::make_unique<Surface>(*m_charts[i], *m_canvases[i]);
    }
}

void Simulation::LoadLanguage(std::string_view file)
{
    m_dictionary.Load(file);
    // Charts anew, so that a second language starts again from the stored keys.
    buildCharts();
}

std::string Simulation::Translate(std::string_view keyUtf8, const std::vector<std::string>& paramsUtf8)
{
    std::vector<std::string> params;
    params.reserve(paramsUtf8.size());
    for (const std::string& p : paramsUtf8)
        params.push_back(Utf8ToCp1252(p));
    return Cp1252ToUtf8(m_dictionary.Translate(Utf8ToCp1252(keyUtf8), params));
}

PageResult Simulation::Update(const PageInputs& inputs)
{
    SimInput in;
    in.SetTextA(Utf8ToCp1252(inputs.a));
    in.SetTextB(Utf8ToCp1252(inputs.b));
    in.KeyA = KeyFieldValue(RulesOf(KeyField::A), Utf8ToCp1252(inputs.keyA));
    in.KeyB = KeyFieldValue(RulesOf(KeyField::B), Utf8ToCp1252(inputs.keyB));
    in.KeyRx = KeyFieldValue(RulesOf(KeyField::Rx), Utf8ToCp1252(inputs.keyRx));
    in.SpreadFactor = inputs.spread;
    const SimResult r = ComputeSignals(in);

    TSignalView view;
    view.RCA = m_charts[0].get();
    view.RCB = m_charts[1].get();
    view.RCC = m_charts[2].get();
    view.RCD = m_charts[3].get();
    view.Translate = [this](const std::string& key) { return m_dictionary.Translate(key); };
    PlotSignals(r, inputs.labels, view);
    m_lastRun = r;
    return {Cp1252ToUtf8(r.RecoveredText), r.RecoveredByte, r.TransmissionOk, r.SelectedChannel};
}

void Simulation::Relayout(const std::array<Size, 4>& sizes)
{
    m_sizes = sizes;
    for (std::size_t i = 0; i < 4; ++i) {
        m_charts[i]->Resize(sizes[i].width, sizes[i].height);
        m_surfaces[i]->Reframe();
    }
}

std::vector<TraceValues> Simulation::Traces() const
{
    return m_lastRun ? TraceTable(*m_lastRun) : std::vector<TraceValues>();
}

std::string RecordSets(std::string_view sets, std::string_view englishFile, std::string_view germanFile,
                       RecordingMetrics metrics)
{
    std::string out;
    int number = 0;
    for (std::string_view line : Split(sets, '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::vector<std::string_view> f = Split(line, '\t');
        const auto field = [&](std::size_t i) { return i < f.size() ? PercentDecoded(f[i]) : std::string(); };
        PageInputs in;
        in.a = field(0);
        in.b = field(1);
        in.keyA = field(2);
        in.keyB = field(3);
        in.keyRx = field(4);
        const std::string spread = field(5);
        in.spread = 0;
        for (const char c : spread)
            in.spread = (c >= '0' && c <= '9' && in.spread < 1000) ? in.spread * 10 + (c - '0') : 1000;
        in.labels = field(6) == "1";
        const std::string language = field(7);

        std::array<std::unique_ptr<RecordingCanvas>, 4> canvases;
        const SignalChart which[] = {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD};
        for (std::size_t i = 0; i < 4; ++i) {
            const Rect place = SignalChartGeometry(which[i]);
            canvases[i] = std::make_unique<RecordingCanvas>(place.width, place.height, metrics);
        }
        Simulation simulation({canvases[0].get(), canvases[1].get(), canvases[2].get(), canvases[3].get()});
        simulation.LoadLanguage(language == "en" ? englishFile : language == "de" ? germanFile : std::string_view());

        out += "set " + std::to_string(++number) + "\n";
        try {
            const PageResult r = simulation.Update(in);
            out += "result " + std::to_string(r.code) + (r.ok ? " ok " : " error ") + r.channel + "\n";
        } catch (const std::exception& error) {
            out += std::string("failed ") + error.what() + "\n";
        }
        for (std::size_t i = 0; i < 4; ++i) {
            out += std::string("chart ") + SignalChartName(which[i]) + "\n";
            out += RecordingText(*canvases[i]);
        }
    }
    return out;
}

} // namespace web
