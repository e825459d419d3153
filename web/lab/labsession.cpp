#include "web/lab/labsession.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/i18n/utf8.h"
#include "core/lab/beraccumulator.h"
#include "core/lab/decisionchart.h"
#include "core/lab/densitychart.h"
#include "core/lab/rateschart.h"
#include "core/lab/traceschart.h"
#include "core/lab/viewchart.h"

#include <algorithm>
#include <stdexcept>

namespace web {

namespace {

// The least size a view is laid out at: below it the axes' numbers and the legends collide.
constexpr Size LeastView = {280, 240};

// The key in a template line "[key]=key|$$".
std::string KeyOfLine(const std::string& line)
{
    const std::size_t close = line.find("]=");
    return line.size() > 1 && line[0] == '[' && close != std::string::npos ? line.substr(1, close - 1) : line;
}

void AddOnce(std::vector<std::string>& list, const std::string& item)
{
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

bool SameCurve(const LabSetUp& a, const LabSetUp& b)
{
    const lab::LabConfig& x = a.Config;
    const lab::LabConfig& y = b.Config;
    return x.Users == y.Users && x.Codes == y.Codes && x.Spread == y.Spread && x.PowerDb == y.PowerDb && x.Rx == y.Rx
           && x.Seed == y.Seed && x.DelayChips == y.DelayChips && a.Curve == b.Curve && a.Bits == b.Bits;
}

lab::CurvePoint ChartPoint(const LabPoint& p)
{
    lab::CurvePoint c;
    c.EbN0Db = p.EbN0Db;
    c.Count = {p.Bits, p.Errors};
    c.Ci95 = p.Ci95;
    c.Theory = {p.TheoryExact, p.TheoryGaussian};
    return c;
}

} // namespace

LabSetUp::LabSetUp()
{
    Config.Users = 4;
    Config.Spread = 16;
    for (int db = 0; db <= 10; ++db)
        Curve.push_back(db);
}

LabSession::LabSession(std::array<Canvas*, LabViewCount> canvases)
    : m_canvases(canvases)
{
    m_dictionary.SetAutoCreateItlFile(true);
    m_dictionary.SetOnTextFound([this](std::string_view key, std::string&) { AddOnce(m_found, std::string(key)); });
    startViews();
    m_theory = std::make_shared<const lab::RateTheory>(m_setUp.Config);
    startPoint();
}

LabSession::~LabSession() = default;

void LabSession::LoadLanguage(std::string_view file)
{
    m_dictionary.Load(file);
    m_dictionary.ItlOutput().clear();
    m_found.clear();
}

std::string LabSession::Translate(std::string_view keyUtf8, const std::vector<std::string>& paramsUtf8)
{
    std::vector<std::string> params;
    for (const std::string& p : paramsUtf8)
        params.push_back(utf8::ToWindows1252(p));
    return utf8::FromWindows1252(m_dictionary.Translate(utf8::ToWindows1252(keyUtf8), params));
}

std::vector<std::string> LabSession::UsedKeys() const
{
    std::vector<std::string> keys;
    for (const std::string& key : m_found)
        AddOnce(keys, utf8::FromWindows1252(key));
    for (const std::string& key : MissedKeys())
        AddOnce(keys, key);
    return keys;
}

std::vector<std::string> LabSession::MissedKeys() const
{
    std::vector<std::string> keys;
    for (const std::string& line : m_dictionary.ItlOutput())
        AddOnce(keys, utf8::FromWindows1252(KeyOfLine(line)));
    return keys;
}

std::string LabSession::SetUp(const LabSetUp& setUp)
{
    if (std::string reason = lab::CheckLabConfig(setUp.Config); !reason.empty())
        return reason;
    if (setUp.Curve.empty() || int(setUp.Curve.size()) > lab::MaxPoints)
        return "a curve has 1 to " + std::to_string(lab::MaxPoints) + " points";
    for (const double db : setUp.Curve)
        if (!(db >= lab::MinEbN0Db && db <= lab::MaxEbN0Db))
            return "the lab takes an Eb/N0 from -100 to 100 dB";
    if (!(setUp.Level >= lab::MinEbN0Db && setUp.Level <= lab::MaxEbN0Db))
        return "the lab takes an Eb/N0 from -100 to 100 dB";
    if (setUp.Bits == 0 || setUp.Bits > lab::MaxBits)
        return "the lab sends 1 to 10^9 bits per point";
    const bool sameCurve = SameCurve(setUp, m_setUp);
    m_setUp = setUp;
    startViews();
    if (!sameCurve)
        Restart();
    return {};
}

void LabSession::Restart()
{
    m_points.clear();
    m_theory = std::make_shared<const lab::RateTheory>(m_setUp.Config);
    ++m_curveNumber;
    startPoint();
}

void LabSession::startViews()
{
    const lab::LabConfig& c = m_setUp.Config;
    m_traces = lab::TracesOf(c, m_setUp.Level, lab::TraceBits(c.Spread));
    m_codes = lab::CodeViewOf(c);
    m_histogram = std::make_unique<lab::DecisionHistogram>(c, m_setUp.Level);
    m_spectra = std::make_unique<lab::LabDensities>(c, m_setUp.Level);
}

void LabSession::startPoint()
{
    m_point.reset();
    if (!CurveDone())
        m_point = std::make_unique<lab::BerAccumulator>(m_setUp.Config, m_setUp.Curve[m_points.size()]);
}

std::uint64_t LabSession::PointBits() const
{
    return m_point ? m_point->Count().Bits : 0;
}

int LabSession::Measure(std::uint64_t bits)
{
    int completed = 0;
    while (bits > 0 && m_point) {
        const std::uint64_t wanted = m_setUp.Bits - m_point->Count().Bits;
        const std::uint64_t sent = m_point->Run(std::min(bits, wanted));
        bits -= std::min(bits, sent);
        if (m_point->Count().Bits < m_setUp.Bits)
            break;
        LabPoint p;
        p.EbN0Db = m_setUp.Curve[m_points.size()];
        p.Bits = m_point->Count().Bits;
        p.Errors = m_point->Count().Errors;
        p.Ci95 = lab::Wilson95(p.Errors, p.Bits);
        const lab::Theory theory = m_theory->At(p.EbN0Db);
        p.TheoryExact = theory.Exact;
        p.TheoryGaussian = theory.Gaussian;
        m_points.push_back(p);
        ++completed;
        startPoint();
    }
    return completed;
}

bool LabSession::Refine(LabView view, std::uint64_t bits)
{
    if (view == LabView::Decisions) {
        const std::uint64_t target = std::min(m_setUp.Bits, MaxHistogramBits);
        m_histogram->Run(std::min(bits, target - std::min(target, m_histogram->Bits())));
        return m_histogram->Bits() < target;
    }
    if (view == LabView::Spectrum) {
        // Segments overlap by half: each further one takes half a segment's bits.
        const int missing = SpectrumSegments - m_spectra->Segments();
        if (missing > 0)
            m_spectra->Run(std::min<std::uint64_t>(bits, std::uint64_t(missing) * m_spectra->SegmentChips() / 2 / std::uint64_t(m_spectra->Spread()) + 1));
        return m_spectra->Segments() < SpectrumSegments;
    }
    return false;
}

bool LabSession::KeepCurve()
{
    if (m_points.empty())
        return false;
    m_kept.push_back({m_setUp, m_points, m_theory});
    if (int(m_kept.size()) > MaxKept)
        m_kept.erase(m_kept.begin());
    return true;
}

void LabSession::ClearKept()
{
    m_kept.clear();
}

std::string LabSession::translated(const std::string& key, const std::vector<std::string>& params)
{
    return m_dictionary.Translate(key, params);
}

std::unique_ptr<Chart> LabSession::emptyRatesChart(Size size)
{
    std::unique_ptr<Chart> chart = lab::NewViewChart(size, {}, translated("Bit-error rate"));
    lab::BeginViewItems(*chart);
    lab::PlaceText(*chart, 1, size.width / 2.0, size.height / 2.0, translated("Measuring the first point"), palette::Black,
                   taCenter, vaCenter, true);
    chart->ShowItems();
    return chart;
}

// The legend's name of a curve beside kept ones: the inputs that set it apart most often.
std::string LabSession::curveName(const LabSetUp& setUp)
{
    const lab::LabConfig& c = setUp.Config;
    std::string name = translated("<%1%> users, <%2%> codes of <%3%> chips",
                                  {std::to_string(c.Users), lab::FamilyName(c.Codes), std::to_string(c.Spread)});
    if (lab::Unaligned(c))
        name += translated(", not aligned");
    return name;
}

// The curve being measured first, then the kept ones, newest first; each named when there are
// several, as they may differ in anything.
std::unique_ptr<lab::RatesChart> LabSession::ratesChart(Size size)
{
    std::vector<lab::ChartCurve> curves;
    const auto add = [&](const LabSetUp& setUp, const std::vector<LabPoint>& points,
                         const std::shared_ptr<const lab::RateTheory>& theory) {
        lab::ChartCurve curve;
        curve.Theory = theory;
        curve.Request.Config = setUp.Config;
        curve.Request.Bits = setUp.Bits;
        for (const LabPoint& p : points) {
            curve.Points.push_back(ChartPoint(p));
            curve.Request.EbN0Db.push_back(p.EbN0Db);
        }
        if (!m_kept.empty())
            curve.Name = curveName(setUp);
        curves.push_back(std::move(curve));
    };
    if (!m_points.empty())
        add(m_setUp, m_points, m_theory);
    for (auto kept = m_kept.rbegin(); kept != m_kept.rend(); ++kept)
        add(kept->setUp, kept->points, kept->theory);
    if (curves.empty())
        return nullptr;
    const Size least = lab::RatesChart::LeastSize;
    return std::make_unique<lab::RatesChart>(curves, lab::Varying::None, m_dictionary,
                                             Size{std::max(size.width, least.width), std::max(size.height, least.height)});
}

void LabSession::drawChart(Chart& chart, Canvas& canvas)
{
    if (canvas.size() != chart.GetSize())
        canvas.resize(chart.Width(), chart.Height());
    chart.RenderTo(canvas);
}

Size LabSession::Draw(LabView view, Size size)
{
    size = {std::max(size.width, LeastView.width), std::max(size.height, LeastView.height)};
    Canvas& canvas = *m_canvases[std::size_t(view)];
    const int rx = m_setUp.Config.Rx;
    std::unique_ptr<Chart> chart;
    switch (view) {
    case LabView::Signals: chart = lab::TracesChart(m_traces, rx, m_dictionary, size); break;
    case LabView::Decisions: chart = lab::DecisionChart(*m_histogram, m_dictionary, size); break;
    case LabView::Rates:
        if (const std::unique_ptr<lab::RatesChart> rates = ratesChart(size)) {
            if (canvas.size() != rates->GetSize())
                canvas.resize(rates->GetSize().width, rates->GetSize().height);
            rates->Paint(canvas);
            return rates->GetSize();
        }
        chart = emptyRatesChart(size);
        break;
    case LabView::Spectrum:
        // A segment is 16 to 32 bits long: the chart needs one.
        if (m_spectra->Segments() == 0)
            m_spectra->Run(32);
        chart = lab::DensityChart(*m_spectra, m_dictionary, size);
        break;
    case LabView::Codes: {
        const lab::CodesChart codes(m_codes, m_dictionary, size);
        if (canvas.size() != codes.GetSize())
            canvas.resize(codes.GetSize().width, codes.GetSize().height);
        codes.Paint(canvas);
        return codes.GetSize();
    }
    }
    drawChart(*chart, canvas);
    return chart->GetSize();
}

} // namespace web
