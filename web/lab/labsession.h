#pragma once

// What the lab page asks of the core, in the page's terms: one set-up of the lab, a curve of
// bit-error rates measured over it in slices that the page schedules between frames, the views
// that look inside it (signals, decision values, codes, spectrum), each measured and drawn on a
// canvas of the shell's (the browser's, or a recording), and the texts of the language file.
// Plain C++ on the core: the WebAssembly module binds it, and the native build tests it.

#include "core/chart/canvas.h"
#include "core/i18n/dictionary.h"
#include "core/lab/beraccumulator.h"
#include "core/lab/bercurve.h"
#include "core/lab/codeschart.h"
#include "core/lab/decisionhistogram.h"
#include "core/lab/labdensities.h"
#include "core/lab/labtraces.h"
#include "core/lab/rateschart.h"
#include "core/lab/ratetheory.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace web {

// The views, in the order of their canvases.
enum class LabView { Signals, Decisions, Rates, Codes, Spectrum };
constexpr int LabViewCount = 5;

struct LabSetUp
{
    static constexpr const char* DefaultCurveText = "0:10:1";

    lab::LabConfig Config;
    double Level = 6;          // the slider, in dB: the level of the signals, decisions and spectrum
    std::vector<double> Curve; // the curve's levels in dB, at least one
    std::uint64_t Bits = lab::DefaultBits; // per point

    LabSetUp();
};

// A measured point as the page posts it.
struct LabPoint
{
    double EbN0Db = 0;
    std::uint64_t Bits = 0;
    std::uint64_t Errors = 0;
    lab::Interval Ci95;
    std::optional<double> TheoryExact;    // none where no formula holds
    double TheoryGaussian = 0;

    double Ber() const { return Bits ? double(Errors) / double(Bits) : 0.0; }
};

class LabSession
{
public:
    // The most curves kept for comparison beside the one being measured.
    static constexpr int MaxKept = 4;
    // What the views measure on their own: the decision values of as many bits as a point has,
    // up to this many, and the spectra to this many segments.
    static constexpr std::uint64_t MaxHistogramBits = 200000;
    static constexpr int SpectrumSegments = 200;

    // The canvases, in the order of LabView, outlive the session.
    explicit LabSession(std::array<Canvas*, LabViewCount> canvases);
    ~LabSession();

    // Replaces the dictionary by a language file's entries (Windows-1252 bytes; empty for none).
    void LoadLanguage(std::string_view file);
    // The text of a key with "<%1%>", ... filled; a key without an entry stands for itself (UTF-8).
    std::string Translate(std::string_view keyUtf8, const std::vector<std::string>& paramsUtf8 = {});
    // The keys looked up since the language was loaded (UTF-8, each once, as first asked): all of
    // them, and those the file has no entry for.
    std::vector<std::string> UsedKeys() const;
    std::vector<std::string> MissedKeys() const;

    // Takes a set-up: empty when it is taken, else why not in one line, and the last one stays.
    // A change of the level alone keeps the curve; any other change starts it again.
    std::string SetUp(const LabSetUp& setUp);
    const LabSetUp& CurrentSetUp() const { return m_setUp; }

    // Measures up to `bits` more bits of the curve, point after point; returns the points this
    // call completed.
    int Measure(std::uint64_t bits);
    bool CurveDone() const { return m_points.size() == m_setUp.Curve.size(); }
    const std::vector<LabPoint>& Points() const { return m_points; }
    // Bits counted so far of the point being measured.
    std::uint64_t PointBits() const;
    // Starts the curve again from its first point.
    void Restart();
    // Counts the curves started, so that a shell can tell whether a set-up started another.
    int CurveNumber() const { return m_curveNumber; }

    // Grows what a view measures on its own (decision values, spectrum) by up to `bits`; returns
    // whether it wants more. The other views measure nothing of their own.
    bool Refine(LabView view, std::uint64_t bits);

    // Holds the curve as it stands, with its set-up, for comparison; the oldest goes beyond
    // MaxKept. Nothing is kept before a point is measured: returns whether the curve was kept.
    bool KeepCurve();
    void ClearKept();
    int KeptCount() const { return int(m_kept.size()); }

    // Lays a view out at `size` in CSS pixels (raised to its least) and draws it whole; a chart
    // may take more height than given. Returns the size drawn.
    Size Draw(LabView view, Size size);

    // What the views show, for the page's text alternatives.
    const lab::LabTraces& Traces() const { return m_traces; }
    const lab::DecisionHistogram& Histogram() const { return *m_histogram; }
    const lab::LabDensities& Spectra() const { return *m_spectra; }
    const lab::CodeView& Codes() const { return m_codes; }

private:
    struct Kept
    {
        LabSetUp setUp;
        std::vector<LabPoint> points;
        std::shared_ptr<const lab::RateTheory> theory;
    };

    void startViews();
    void startPoint();
    std::unique_ptr<lab::RatesChart> ratesChart(Size size);
    std::string curveName(const LabSetUp& setUp);
    std::unique_ptr<Chart> emptyRatesChart(Size size);
    void drawChart(Chart& chart, Canvas& canvas);
    std::string translated(const std::string& key, const std::vector<std::string>& params = {});

    std::array<Canvas*, LabViewCount> m_canvases;
    Dictionary m_dictionary;
    std::vector<std::string> m_found; // Windows-1252, as the dictionary has them
    LabSetUp m_setUp;
    std::vector<LabPoint> m_points;
    int m_curveNumber = 0;
    std::unique_ptr<lab::BerAccumulator> m_point; // the point being measured
    std::shared_ptr<const lab::RateTheory> m_theory; // the curve's, kept for every drawing
    std::vector<Kept> m_kept;
    lab::LabTraces m_traces;
    lab::CodeView m_codes;
    std::unique_ptr<lab::DecisionHistogram> m_histogram;
    std::unique_ptr<lab::LabDensities> m_spectra;
};

} // namespace web
