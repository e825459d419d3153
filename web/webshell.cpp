#include "web/webshell.h"

#include "core/chart/recordingtext.h"
#include "core/i18n/utf8.h"
#include "core/i18n/windows1252.h"
#include "core/numeric/keyfield.h"
#include "core/sim/plotsignals.h"
#include "core/sim/receivedcharacter.h"
#include "core/sim/signalcharts.h"
#include "core/sim/signalmodel.h"

#include <exception>

namespace web {
namespace {

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

namespace {

SimInputField InputOf(KeyField field)
{
    return field == KeyField::A ? SimInputField::KeyA : field == KeyField::B ? SimInputField::KeyB : SimInputField::KeyRx;
}

} // namespace

KeyCheck CheckKey(KeyField which, std::string_view text, int caret, std::string_view lastValid)
{
    const KeyFieldRules rules = KeyFieldRulesOf(InputOf(which));
    ::KeyField field;
    field.Text = utf8::ToWindows1252(text);
    field.Caret = caret;
    field.LastValidText = utf8::ToWindows1252(lastValid);
    const std::string typed = field.Text;
    CheckKeyField(rules, field);
    KeyCheck out;
    out.text = utf8::FromWindows1252(field.Text);
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
    return utf8::FromWindows1252(std::string(1, windows1252::FromUnicode(utf8::Next(typed, i))));
}

PageInputs::PageInputs()
{
    const SimFieldTexts fresh = DefaultSimFieldTexts();
    a = utf8::FromWindows1252(fresh.a);
    b = utf8::FromWindows1252(fresh.b);
    keyA = utf8::FromWindows1252(fresh.keyA);
    keyB = utf8::FromWindows1252(fresh.keyB);
    keyRx = utf8::FromWindows1252(fresh.keyRx);
    spread = fresh.spread;
}

InputCheck CheckInput(std::string_view name, std::string_view text)
{
    const std::optional<SimInputField> field = SimInputFieldNamed(name);
    if (!field)
        return {0, "no input is called " + std::string(name)};
    return CheckSimInput(*field, utf8::ToWindows1252(text));
}

Simulation::Simulation(std::array<Canvas*, 4> canvases)
    : m_canvases(canvases)
{
}

Simulation::~Simulation() = default;

void Simulation::buildCharts()
{
    m_plotted.fill(false);
    const SignalChart which[] = {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD};
    for (std::size_t i = 0; i < 4; ++i) {
        m_presenters[i].reset();
        m_charts[i] = NewSignalChart(which[i]);
        // The stored captions are keys; the window is translated once its language is known.
        m_charts[i]->TranslateTexts([this](std::string& text) { m_dictionary.TranslateKeyed(text); });
        if (m_sizes[i].width > 0)
            m_charts[i]->Resize(m_sizes[i].width, m_sizes[i].height);
        m_charts[i]->SetTextMetrics(m_canvases[i]);
        // The canvas keeps what was drawn: the chart is drawn whenever it asks (at ShowItems), its
        // frame only when that changed.
        m_presenters[i] = std::make_unique<LayerPresenter>(*m_charts[i], *m_canvases[i]);
    }
}

void Simulation::LoadLanguage(std::string_view file)
{
    m_dictionary.Load(file);
    // Charts made before anew, so that a second language starts again from the stored keys;
    // the first language comes before any.
    if (m_charts[0])
        buildCharts();
}

Chart& Simulation::chart(std::size_t index)
{
    if (!m_charts[0])
        buildCharts();
    return *m_charts[index];
}

std::string Simulation::Translate(std::string_view keyUtf8, const std::vector<std::string>& paramsUtf8)
{
    std::vector<std::string> params;
    params.reserve(paramsUtf8.size());
    for (const std::string& p : paramsUtf8)
        params.push_back(utf8::ToWindows1252(p));
    return utf8::FromWindows1252(m_dictionary.Translate(utf8::ToWindows1252(keyUtf8), params));
}

ChartRedraw Simulation::Pending(std::size_t index)
{
    chart(index);
    return m_presenters.at(index)->Pending();
}

std::string Simulation::SpokenCharacter(unsigned char byte)
{
    const auto translate = [this](const std::string& key, const std::vector<std::string>& params) {
        return m_dictionary.Translate(key, params);
    };
    return utf8::FromWindows1252(SpokenReceivedCharacter(byte, translate));
}

PageResult Simulation::Update(const PageInputs& inputs)
{
    SimFieldTexts texts;
    texts.a = utf8::ToWindows1252(inputs.a);
    texts.b = utf8::ToWindows1252(inputs.b);
    texts.keyA = utf8::ToWindows1252(inputs.keyA);
    texts.keyB = utf8::ToWindows1252(inputs.keyB);
    texts.keyRx = utf8::ToWindows1252(inputs.keyRx);
    texts.spread = inputs.spread;
    const SimResult r = ComputeSignals(ReadSimInput(texts));

    TSignalView view;
    view.RCA = &chart(0);
    view.RCB = &chart(1);
    view.RCC = &chart(2);
    view.RCD = &chart(3);
    view.Translate = [this](const std::string& key) { return m_dictionary.Translate(key); };
    // A chart drawn since it was last made or laid out, with the same explanations and traces,
    // shows this run already.
    for (std::size_t i = 0; i < 4; ++i)
        view.Unchanged[i] =
            m_plotted[i] && m_lastRun && m_plottedLabels == inputs.labels && SamePlot(int(i), *m_lastRun, r);
    PlotSignals(r, inputs.labels, view);
    m_lastRun = r;
    m_plotted.fill(true);
    m_plottedLabels = inputs.labels;
    return {utf8::FromWindows1252(r.RecoveredText), r.RecoveredByte, r.TransmissionOk, r.SelectedChannel};
}

void Simulation::Relayout(const std::array<Size, 4>& sizes)
{
    m_sizes = sizes;
    for (std::size_t i = 0; i < 4; ++i) {
        Chart& c = chart(i);
        c.Resize(sizes[i].width, sizes[i].height);
        // The canvas measures or scales differently: a new backing store, also at the same size
        // (the screen's pixel ratio may have changed), and a presenter that draws it whole.
        m_presenters[i].reset();
        m_plotted[i] = false;
        m_canvases[i]->resize(c.Width(), c.Height());
        c.SetTextMetrics(m_canvases[i]);
        m_presenters[i] = std::make_unique<LayerPresenter>(c, *m_canvases[i]);
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
