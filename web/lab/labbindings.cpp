// The lab page's WebAssembly module: plain values in, plain objects out, around the core's lab
// session. The page hands its five view canvases to the factory, createDscdmaLab({canvases}), in
// the order of web::LabView; errors come back as an Error with the core's message.

#include "core/lab/codefamily.h"
#include "core/lab/labinputs.h"
#include "web/browsercanvas.h"
#include "web/lab/labsession.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using emscripten::val;

namespace {

struct Page
{
    std::array<std::unique_ptr<BrowserCanvas>, web::LabViewCount> canvases;
    std::unique_ptr<web::LabSession> session;
};

Page& ThePage()
{
    static Page page;
    if (!page.session) {
        std::array<Canvas*, web::LabViewCount> canvases{};
        for (int i = 0; i < web::LabViewCount; ++i) {
            page.canvases[std::size_t(i)] = std::make_unique<BrowserCanvas>(i, 300, 240);
            canvases[std::size_t(i)] = page.canvases[std::size_t(i)].get();
        }
        page.session = std::make_unique<web::LabSession>(canvases);
    }
    return page;
}

web::LabSession& Session()
{
    return *ThePage().session;
}

val Error(const std::string& message)
{
    return val::global("Error").new_(message);
}

val Numbers(const std::vector<double>& values)
{
    val out = val::array();
    for (const double v : values)
        out.call<void>("push", v);
    return out;
}

val Strings(const std::vector<std::string>& values)
{
    val out = val::array();
    for (const std::string& v : values)
        out.call<void>("push", v);
    return out;
}

val Optional(const std::optional<double>& value)
{
    return value ? val(*value) : val::null();
}

bool WholeIn(const val& v, double low, double high)
{
    return v.isNumber() && std::floor(v.as<double>()) == v.as<double>() && v.as<double>() >= low && v.as<double>() <= high;
}

// The strings of a JavaScript array, anything else in it as an empty one.
std::vector<std::string> StringsOf(const val& array)
{
    std::vector<std::string> out;
    const int n = array.isArray() ? array["length"].as<int>() : 0;
    for (int i = 0; i < n; ++i)
        out.push_back(array[i].isString() ? array[i].as<std::string>() : std::string());
    return out;
}

std::string Translate(const std::string& key, const val& params)
{
    return Session().Translate(key, StringsOf(params));
}

// The values a text stands for, or an Error with the one-line refusal, by the core's table of
// the lab's inputs; `users` counts the powers and delays. The page's slider and curve always
// have noise, so an empty Eb/N0 is refused here.
val CheckInput(const std::string& name, const std::string& text, int users)
{
    const std::optional<lab::LabInput> input = lab::LabInputNamed(name);
    if (!input)
        return Error("no input is called " + name);
    lab::LabInputCheck check = lab::CheckLabInput(*input, text, users);
    if (*input == lab::LabInput::EbN0 && text.empty())
        check = {{}, "takes a number in dB or FROM:TO:STEP, not <%1%>", text};
    if (check.Taken())
        return Numbers(check.values);
    std::string refusal = name + " " + check.refusal;
    const std::size_t at = refusal.find("<%1%>");
    if (at != std::string::npos)
        refusal.replace(at, 5, "\"" + check.refused + "\"");
    return Error(refusal);
}

// The delays in force, in chips: those given or drawn, 0 for every user when aligned.
val Delays()
{
    const lab::LabConfig& c = Session().CurrentSetUp().Config;
    std::vector<double> delays(std::size_t(c.Users), 0.0);
    for (std::size_t k = 0; k < c.DelayChips.size() && k < delays.size(); ++k)
        delays[k] = c.DelayChips[k];
    return Numbers(delays);
}

// The set-up as the page holds it: {users, codes, spread, power: [dB...], level, curve: [dB...],
// bits, seed, delays: [chips...] (empty: aligned), async}; async draws the delays from the seed
// as dscdma-sim --async does. Null when it is taken, else an Error with the reason; the last one
// then stays.
val SetUp(const val& in)
{
    web::LabSetUp s;
    const val users = in["users"], spread = in["spread"], bits = in["bits"], seed = in["seed"], level = in["level"];
    const val codes = in["codes"], power = in["power"], curve = in["curve"], delays = in["delays"];
    if (!WholeIn(users, 0, 1000) || !WholeIn(spread, 0, 1000) || !WholeIn(bits, 1, double(lab::MaxBits))
        || !WholeIn(seed, 0, double(lab::MaxSeed)) || !level.isNumber() || !codes.isString() || !power.isArray()
        || !curve.isArray() || !(delays.isArray() || delays.isUndefined()))
        return Error("a set-up of whole users, spreading factor, bits and seed, a family, powers, levels and delays");
    const std::optional<lab::CodeFamily> family = lab::ParseFamily(codes.as<std::string>());
    if (!family)
        return Error("no code family is called " + codes.as<std::string>());
    s.Config.Users = users.as<int>();
    s.Config.Codes = *family;
    s.Config.Spread = spread.as<int>();
    s.Config.Seed = std::uint64_t(seed.as<double>());
    for (int i = 0; i < power["length"].as<int>(); ++i)
        s.Config.PowerDb.push_back(power[i].isNumber() ? power[i].as<double>() : NAN);
    s.Curve.clear();
    for (int i = 0; i < curve["length"].as<int>(); ++i)
        s.Curve.push_back(curve[i].isNumber() ? curve[i].as<double>() : NAN);
    if (in["async"].isTrue()) {
        // Drawn only for numbers the model takes, which CheckLabConfig refuses otherwise.
        if (s.Config.Users >= lab::MinUsers && s.Config.Users <= lab::MaxUsers && s.Config.Spread >= lab::MinSpread
            && s.Config.Spread <= lab::MaxSpread)
            s.Config.DelayChips = lab::DrawDelays(s.Config.Seed, s.Config.Users, s.Config.Spread);
    } else if (delays.isArray()) {
        for (int i = 0; i < delays["length"].as<int>(); ++i)
            s.Config.DelayChips.push_back(WholeIn(delays[i], 0, 1000) ? delays[i].as<int>() : -1);
        // All 0 is aligned, and named so.
        if (std::all_of(s.Config.DelayChips.begin(), s.Config.DelayChips.end(), [](int d) { return d == 0; }))
            s.Config.DelayChips.clear();
    }
    s.Level = level.as<double>();
    s.Bits = std::uint64_t(bits.as<double>());
    const std::string refusal = Session().SetUp(s);
    return refusal.empty() ? val::null() : Error(refusal);
}

// {completed, done, pointBits, measured}: the points this call ended, and all measured so far
val Measure(double bits)
{
    web::LabSession& session = Session();
    const int completed = session.Measure(bits > 0 ? std::uint64_t(bits) : 0);
    val out = val::object();
    out.set("completed", completed);
    out.set("done", session.CurveDone());
    out.set("pointBits", double(session.PointBits()));
    out.set("measured", int(session.Points().size()));
    return out;
}

// [{ebn0_db, bits, errors, ber, ci95: [low, high], theory_exact, theory_gaussian}], as posted.
val Points()
{
    val out = val::array();
    for (const web::LabPoint& p : Session().Points()) {
        val point = val::object();
        point.set("ebn0_db", p.EbN0Db);
        point.set("bits", double(p.Bits));
        point.set("errors", double(p.Errors));
        point.set("ber", p.Ber());
        point.set("ci95", Numbers({p.Ci95.Low, p.Ci95.High}));
        point.set("theory_exact", Optional(p.TheoryExact));
        point.set("theory_gaussian", p.TheoryGaussian);
        out.call<void>("push", point);
    }
    return out;
}

void Restart()
{
    Session().Restart();
}

bool Refine(int view, double bits)
{
    if (view < 0 || view >= web::LabViewCount)
        return false;
    return Session().Refine(static_cast<web::LabView>(view), bits > 0 ? std::uint64_t(bits) : 0);
}

bool Keep()
{
    return Session().KeepCurve();
}

void ClearKept()
{
    Session().ClearKept();
}

int KeptCount()
{
    return Session().KeptCount();
}

// Draws view `view` at width x height CSS pixels, its texts at least `minimumText` high;
// answers [width, height] as drawn.
val Draw(int view, int width, int height, int minimumText)
{
    if (view < 0 || view >= web::LabViewCount)
        return Error("no such view");
    Page& page = ThePage();
    page.canvases[std::size_t(view)]->setMinimumTextPixels(minimumText);
    const Size drawn = page.session->Draw(static_cast<web::LabView>(view), {width, height});
    return Numbers({double(drawn.width), double(drawn.height)});
}

// The signals view's bits: [{sent, decision, decided}] with the spreading factor.
val Traces()
{
    const lab::LabTraces& t = Session().Traces();
    val bits = val::array();
    for (int b = 0; b < t.Bits; ++b) {
        val bit = val::object();
        bit.set("sent", t.Sent[std::size_t(b)]);
        bit.set("decision", t.Decision[std::size_t(b)]);
        bit.set("decided", t.Decided[std::size_t(b)]);
        bits.call<void>("push", bit);
    }
    return bits;
}

// The decision values: {bits, errors, low, width, ones: [...], zeros: [...], outside, mean,
// deviation, gaussianRate}.
val Histogram()
{
    const lab::DecisionHistogram& h = Session().Histogram();
    std::vector<double> ones, zeros;
    for (int i = 0; i < h.Bins(); ++i) {
        ones.push_back(double(h.Count(true, i)));
        zeros.push_back(double(h.Count(false, i)));
    }
    val out = val::object();
    out.set("bits", double(h.Bits()));
    out.set("errors", double(h.Errors()));
    out.set("low", h.Low());
    out.set("width", h.BinWidth());
    out.set("ones", Numbers(ones));
    out.set("zeros", Numbers(zeros));
    out.set("outside", double(h.Outside()));
    out.set("mean", h.Mean(true));
    out.set("deviation", h.Deviation());
    out.set("gaussianRate", h.GaussianErrorRate());
    return out;
}

// The spectra at a few frequencies (multiples of the bit rate): {bits, spread, frequencies,
// data, spread signal, received, despread} in dB.
val Spectrum(const val& frequencies)
{
    const lab::LabDensities& s = Session().Spectra();
    std::vector<double> f;
    if (frequencies.isArray())
        for (int i = 0; i < frequencies["length"].as<int>(); ++i)
            if (frequencies[i].isNumber())
                f.push_back(frequencies[i].as<double>());
    const auto db = [&](lab::SpectrumSignal signal) {
        std::vector<double> out;
        for (const double x : f)
            out.push_back(s.DensityDb(signal, x));
        return Numbers(out);
    };
    val out = val::object();
    out.set("bits", double(s.Bits()));
    out.set("spread", s.Spread());
    out.set("frequencies", Numbers(f));
    out.set("data", db(lab::SpectrumSignal::Data));
    out.set("spreadSignal", db(lab::SpectrumSignal::Spread));
    out.set("received", db(lab::SpectrumSignal::Received));
    out.set("despread", db(lab::SpectrumSignal::Despread));
    return out;
}

val Matrix(const std::vector<std::vector<int>>& rows)
{
    val out = val::array();
    for (const std::vector<int>& row : rows)
        out.call<void>("push", Numbers(std::vector<double>(row.begin(), row.end())));
    return out;
}

// {codes: [[+1/-1...]...], matrix: [[...]...] at the delays, worst: [[...]...] over every delay
// or null when aligned, delays: [chips...], rx}
val Codes()
{
    const lab::CodeView& v = Session().Codes();
    val out = val::object();
    out.set("codes", Matrix(v.Codes));
    out.set("matrix", Matrix(v.Matrix));
    out.set("worst", v.Worst.empty() ? val::null() : Matrix(v.Worst));
    out.set("delays", Numbers(std::vector<double>(v.Delays.begin(), v.Delays.end())));
    out.set("rx", v.Rx);
    return out;
}

// The spreading factors a family takes for `users` users, and the most users it can serve at
// the largest of them.
val Spreads(const std::string& family, int users)
{
    std::vector<double> out;
    if (const std::optional<lab::CodeFamily> f = lab::ParseFamily(family))
        for (int n = lab::MinSpread; n <= lab::MaxSpread; ++n)
            if (lab::CheckSpread(*f, n, users).empty())
                out.push_back(n);
    return Numbers(out);
}

val UsedKeys()
{
    return Strings(Session().UsedKeys());
}

val MissedKeys()
{
    return Strings(Session().MissedKeys());
}

std::string Version()
{
    return DSCDMA_VERSION;
}

// The set-up a fresh page starts from.
val Defaults()
{
    const web::LabSetUp s;
    val out = val::object();
    out.set("users", s.Config.Users);
    out.set("codes", std::string(lab::FamilyName(s.Config.Codes)));
    out.set("spread", s.Config.Spread);
    out.set("power", Numbers(std::vector<double>(std::size_t(s.Config.Users), 0.0)));
    out.set("level", s.Level);
    out.set("curve", std::string(web::LabSetUp::DefaultCurveText));
    out.set("levels", Numbers(s.Curve));
    out.set("bits", double(s.Bits));
    out.set("seed", double(s.Config.Seed));
    return out;
}

std::string FamilyNameOf(int index)
{
    return index >= 0 && index <= 3 ? lab::FamilyName(static_cast<lab::CodeFamily>(index)) : "";
}

int CurveNumber()
{
    return Session().CurveNumber();
}

} // namespace

EMSCRIPTEN_BINDINGS(dscdma_lab)
{
    emscripten::function("loadLanguage", +[](const std::string& file) { Session().LoadLanguage(file); });
    emscripten::function("translate", &Translate);
    emscripten::function("setUp", &SetUp);
    emscripten::function("measure", &Measure);
    emscripten::function("points", &Points);
    emscripten::function("restart", &Restart);
    emscripten::function("refine", &Refine);
    emscripten::function("keep", &Keep);
    emscripten::function("clearKept", &ClearKept);
    emscripten::function("keptCount", &KeptCount);
    emscripten::function("draw", &Draw);
    emscripten::function("traces", &Traces);
    emscripten::function("histogram", &Histogram);
    emscripten::function("spectrum", &Spectrum);
    emscripten::function("codes", &Codes);
    emscripten::function("spreads", &Spreads);
    emscripten::function("usedKeys", &UsedKeys);
    emscripten::function("missedKeys", &MissedKeys);
    emscripten::function("version", &Version);
    emscripten::function("defaults", &Defaults);
    emscripten::function("familyName", &FamilyNameOf);
    emscripten::function("curveNumber", &CurveNumber);
    emscripten::function("checkInput", &CheckInput);
    emscripten::function("delays", &Delays);
}
