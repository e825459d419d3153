// The WebAssembly module's interface to the page: plain values in, plain objects out. The page
// hands its four chart canvases to the module's factory as `canvases`; errors the model raises
// come back as an Error with the model's message, never as an exception into the page.

#include "browsercanvas.h"
#include "core/i18n/utf8.h"
#include "core/sim/abouttexts.h"
#include "core/sim/receivedcharacter.h"
#include "core/sim/siminputs.h"
#include "signalcharts.h"
#include "webshell.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

using emscripten::val;

namespace {

// The page's one simulation, drawing onto the page's canvases, made at first use.
struct Page
{
    std::array<std::unique_ptr<BrowserCanvas>, 4> canvases;
    std::unique_ptr<web::Simulation> simulation;
};

const SignalChart Charts[] = {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD};

Page& ThePage()
{
    static Page page;
    if (!page.simulation) {
        for (int i = 0; i < 4; ++i) {
            const Rect place = SignalChartGeometry(Charts[i]);
            page.canvases[i] = std::make_unique<BrowserCanvas>(i, place.width, place.height);
        }
        page.simulation = std::make_unique<web::Simulation>(std::array<Canvas*, 4>{
            page.canvases[0].get(), page.canvases[1].get(), page.canvases[2].get(), page.canvases[3].get()});
    }
    return page;
}

web::Simulation& Simulation()
{
    return *ThePage().simulation;
}

std::string StringField(const val& object, const char* name, const std::string& fallback)
{
    const val v = object[name];
    return v.isString() ? v.as<std::string>() : fallback;
}

val CheckKey(int field, const std::string& text, int caret, const std::string& lastValid)
{
    if (field < 0 || field > 2)
        return val::global("Error").new_(std::string("no such key field"));
    const web::KeyCheck check = web::CheckKey(static_cast<web::KeyField>(field), text, caret, lastValid);
    val out = val::object();
    out.set("text", check.text);
    out.set("caret", check.caret);
    out.set("accepted", check.accepted);
    out.set("value", check.value);
    return out;
}

std::string TypedCharacter(const std::string& typed)
{
    return web::TypedCharacter(typed);
}

void LoadLanguage(const std::string& file)
{
    Simulation().LoadLanguage(file);
}

std::string Translate(const std::string& key, const val& params)
{
    std::vector<std::string> list;
    if (params.isArray()) {
        const int n = params["length"].as<int>();
        for (int i = 0; i < n; ++i) {
            const val p = params[i];
            list.push_back(p.isString() ? p.as<std::string>() : std::string());
        }
    }
    return Simulation().Translate(key, list);
}

// Computes, plots and draws one run from the page's inputs; the result, or an Error.
val Update(const val& inputs)
{
    web::PageInputs in;
    in.a = StringField(inputs, "a", in.a);
    in.b = StringField(inputs, "b", in.b);
    in.keyA = StringField(inputs, "keyA", in.keyA);
    in.keyB = StringField(inputs, "keyB", in.keyB);
    in.keyRx = StringField(inputs, "keyRx", in.keyRx);
    const val sf = inputs["sf"];
    if (sf.isNumber())
        in.spread = sf.as<int>();
    in.labels = inputs["labels"].isTrue();
    try {
        const web::PageResult r = Simulation().Update(in);
        val out = val::object();
        out.set("received", r.received);
        out.set("code", r.code);
        out.set("ok", r.ok);
        out.set("channel", std::string(1, r.channel));
        return out;
    } catch (const std::exception& error) {
        return val::global("Error").new_(std::string(error.what()));
    }
}

// The colour a system colour index stands for on the charts, as CSS, so that the page around
// them shows the same button face.
std::string SystemColor(int index)
{
    const TColor c = ResolveClassicColor(clSystemColor | TColor(index & 0xFF));
    return "rgb(" + std::to_string(RedOf(c)) + ", " + std::to_string(GreenOf(c)) + ", " + std::to_string(BlueOf(c)) + ")";
}

// Lays the charts out again: `sizes` holds four [width, height] pairs in CSS pixels; texts are
// drawn at least `minimumText` pixels high. Answers the sizes the charts took.
val Layout(const val& sizes, int minimumText)
{
    Page& page = ThePage();
    std::array<Size, 4> wanted{};
    for (int i = 0; i < 4; ++i) {
        const val pair = sizes[i];
        const Rect stored = SignalChartGeometry(Charts[i]);
        const bool given = pair.isArray() && pair[0].isNumber() && pair[1].isNumber();
        wanted[std::size_t(i)] = given ? Size{pair[0].as<int>(), pair[1].as<int>()} : Size{stored.width, stored.height};
        page.canvases[std::size_t(i)]->setMinimumTextPixels(minimumText);
    }
    page.simulation->Relayout(wanted);
    val out = val::array();
    for (int i = 0; i < 4; ++i) {
        const Size s = page.simulation->ChartSize(i);
        val pair = val::array();
        pair.call<void>("push", s.width);
        pair.call<void>("push", s.height);
        out.call<void>("push", pair);
    }
    return out;
}

// The traces of the last run as plain numbers: [{letter, chart, perBit, values}].
val Traces()
{
    val out = val::array();
    for (const web::TraceValues& t : Simulation().Traces()) {
        val trace = val::object();
        trace.set("letter", std::string(1, t.letter));
        trace.set("chart", t.chart);
        trace.set("perBit", t.perBit);
        val values = val::array();
        for (const std::int32_t v : t.values)
            values.call<void>("push", v);
        trace.set("values", values);
        out.call<void>("push", trace);
    }
    return out;
}

std::string Version()
{
    return DSCDMA_VERSION;
}

// The inputs table: per input its name in the address and messages, its option of dscdma-sim,
// the text a fresh control holds, its range and step, and the words it takes instead of a number.
val InputTable()
{
    val rows = val::array();
    for (const InputRow& row : SimInputTable()) {
        val r = val::object();
        r.set("name", row.name);
        r.set("option", row.option);
        r.set("defaultText", row.defaultText);
        r.set("low", row.low);
        r.set("high", row.high);
        r.set("step", row.step);
        val choices = val::array();
        for (const std::string& choice : row.choices)
            choices.call<void>("push", choice);
        r.set("choices", choices);
        rows.call<void>("push", r);
    }
    return rows;
}

// The table's check of a text for the input that the address calls `name`: the value, or an
// Error with the one-line refusal.
val CheckInput(const std::string& name, const std::string& text)
{
    const InputCheck check = web::CheckInput(name, text);
    if (!check.Taken())
        return val::global("Error").new_(check.refusal);
    return val(check.value);
}

// What a screen reader says of the received byte, in the loaded language.
std::string SpokenCharacter(int code)
{
    return Simulation().SpokenCharacter(static_cast<unsigned char>(code & 0xFF));
}

// Whether a screen reader is given the byte's code rather than the character.
bool SpokenAsCode(int code)
{
    return ::SpokenByCode(static_cast<unsigned char>(code & 0xFF));
}

// What the received-character label shows for a byte: the character, or the name of one that
// has none to print, so that every machine shows it alike (UTF-8).
std::string ShownCharacter(int code)
{
    return utf8::FromWindows1252(ShownReceivedCharacter(static_cast<unsigned char>(code & 0xFF)));
}

// The About box's own texts for a language file's "$dlglanguage$" setting.
val AboutTexts(const std::string& languageSetting)
{
    const about::Language language = about::LanguageOfSetting(languageSetting);
    val out = val::object();
    out.set("language", std::string(language == about::Language::German ? "de" : "en"));
    out.set("name", std::string(about::ProgramName()));
    out.set("version", std::string(about::VersionText()));
    out.set("copyright", std::string(about::CopyrightText()));
    out.set("webSite", std::string(about::WebSiteText(language)));
    out.set("description", std::string(about::DescriptionText(language)));
    out.set("simulations", std::string(about::SimulationsAddress()));
    return out;
}

std::string RecordSets(const std::string& sets, const std::string& english, const std::string& german)
{
    return web::RecordSets(sets, english, german);
}

} // namespace

EMSCRIPTEN_BINDINGS(dscdma)
{
    emscripten::function("checkKey", &CheckKey);
    emscripten::function("typedCharacter", &TypedCharacter);
    emscripten::function("loadLanguage", &LoadLanguage);
    emscripten::function("translate", &Translate);
    emscripten::function("update", &Update);
    emscripten::function("recordSets", &RecordSets);
    emscripten::function("systemColor", &SystemColor);
    emscripten::function("layout", &Layout);
    emscripten::function("traces", &Traces);
    emscripten::function("version", &Version);
    emscripten::function("inputTable", &InputTable);
    emscripten::function("checkInput", &CheckInput);
    emscripten::function("spokenCharacter", &SpokenCharacter);
    emscripten::function("spokenByCode", &SpokenAsCode);
    emscripten::function("shownCharacter", &ShownCharacter);
    emscripten::function("aboutTexts", &AboutTexts);
}
