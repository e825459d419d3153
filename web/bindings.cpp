// The WebAssembly module's interface to the page: plain C functions on plain values. Texts and
// bytes come in as one packed block (each a 4-byte little-endian length, then its bytes; see dscdma-api.js,
// which wraps these for the page); a result with text or with several values is left in the
// module's out buffer, as JSON where it has several. Errors that the model raises come back as
// a 0 from the call with the message in the out buffer, never as an exception into the page.

#include "core/i18n/utf8.h"
#include "core/sim/abouttexts.h"
#include "core/sim/receivedcharacter.h"
#include "core/sim/signalcharts.h"
#include "core/sim/siminputs.h"
#include "web/browsercanvas.h"
#include "web/jsonwriter.h"
#include "web/webshell.h"

#include <emscripten/emscripten.h>

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
            page.canvases[i] = std::make_unique<BrowserCanvas>(i, place.width, place.height, true);
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

// What the charts drew during a call, handed to the browser as it returns.
struct ShowsChanges
{
    ShowsChanges() = default;
    ShowsChanges(const ShowsChanges&) = delete;
    ShowsChanges& operator=(const ShowsChanges&) = delete;
    ~ShowsChanges()
    {
        for (auto& canvas : ThePage().canvases)
            canvas->ShowChanges();
    }
};

// What the last call answers with.
std::string s_out;
JsonWriter s_json;

// The texts of a packed block, in order; a block cut short ends the list.
std::vector<std::string_view> Unpacked(const char* block, int size)
{
    std::vector<std::string_view> out;
    std::size_t at = 0;
    const auto total = static_cast<std::size_t>(size > 0 ? size : 0);
    while (at + 4 <= total) {
        std::uint32_t length = 0;
        for (int k = 3; k >= 0; --k)
            length = (length << 8) | static_cast<unsigned char>(block[at + std::size_t(k)]);
        at += 4;
        if (length > total - at)
            break;
        out.emplace_back(block + at, length);
        at += length;
    }
    return out;
}

std::string_view Arg(const std::vector<std::string_view>& args, std::size_t i)
{
    return i < args.size() ? args[i] : std::string_view();
}

int Answer(std::string text, int code = 1)
{
    s_out = std::move(text);
    return code;
}

int AnswerJson()
{
    s_out = s_json.Text();
    return 1;
}

// The traces named in `letters`, all of them when it is empty.
void WriteTraces(const std::vector<web::TraceValues>& traces, std::string_view letters)
{
    s_json.BeginArray();
    for (const web::TraceValues& t : traces) {
        if (!letters.empty() && letters.find(t.letter) == std::string_view::npos)
            continue;
        s_json.BeginObject();
        s_json.Key("letter").Value(std::string_view(&t.letter, 1));
        s_json.Key("chart").Value(t.chart);
        s_json.Key("perBit").Value(t.perBit);
        s_json.Key("values").BeginArray();
        for (const std::int32_t v : t.values)
            s_json.Value(int(v));
        s_json.EndArray();
        s_json.EndObject();
    }
    s_json.EndArray();
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* dscdma_out()
{
    return s_out.data();
}

EMSCRIPTEN_KEEPALIVE int dscdma_out_size()
{
    return int(s_out.size());
}

// A key field's check of an edit (block: text, last valid text): {text, caret, accepted, value}.
EMSCRIPTEN_KEEPALIVE int dscdma_check_key(int field, const char* block, int size, int caret)
{
    if (field < 0 || field > 2)
        return Answer("no such key field", 0);
    const auto args = Unpacked(block, size);
    const web::KeyCheck check = web::CheckKey(static_cast<web::KeyField>(field), Arg(args, 0), caret, Arg(args, 1));
    s_json.Clear();
    s_json.BeginObject();
    s_json.Key("text").Value(check.text);
    s_json.Key("caret").Value(check.caret);
    s_json.Key("accepted").Value(check.accepted);
    s_json.Key("value").Value(check.value);
    s_json.EndObject();
    return AnswerJson();
}

// What a character field shows after the user typed a text (block: the text).
EMSCRIPTEN_KEEPALIVE int dscdma_typed_character(const char* block, int size)
{
    return Answer(web::TypedCharacter(Arg(Unpacked(block, size), 0)));
}

// A language file's bytes (block: the file).
EMSCRIPTEN_KEEPALIVE int dscdma_load_language(const char* block, int size)
{
    const ShowsChanges shown;
    Simulation().LoadLanguage(Arg(Unpacked(block, size), 0));
    return Answer({});
}

// The text of a key (block: the key, then its parameters).
EMSCRIPTEN_KEEPALIVE int dscdma_translate(const char* block, int size)
{
    const auto args = Unpacked(block, size);
    std::vector<std::string> params;
    for (std::size_t i = 1; i < args.size(); ++i)
        params.emplace_back(args[i]);
    return Answer(Simulation().Translate(Arg(args, 0), params));
}

// Computes, plots and draws one run (block: a, b, keyA, keyB, keyRx): the result with what the
// received-character label shows and a screen reader says of it, or 0 and the model's message.
EMSCRIPTEN_KEEPALIVE int dscdma_update(const char* block, int size, int spread, int labels)
{
    const auto args = Unpacked(block, size);
    web::PageInputs in;
    in.a = Arg(args, 0);
    in.b = Arg(args, 1);
    in.keyA = Arg(args, 2);
    in.keyB = Arg(args, 3);
    in.keyRx = Arg(args, 4);
    in.spread = spread;
    in.labels = labels != 0;
    const ShowsChanges shown;
    try {
        const web::PageResult r = Simulation().Update(in);
        const auto byte = static_cast<unsigned char>(r.code & 0xFF);
        s_json.Clear();
        s_json.BeginObject();
        s_json.Key("received").Value(r.received);
        s_json.Key("code").Value(r.code);
        s_json.Key("ok").Value(r.ok);
        s_json.Key("channel").Value(std::string_view(&r.channel, 1));
        s_json.Key("shown").Value(utf8::FromWindows1252(ShownReceivedCharacter(byte)));
        s_json.Key("spoken").Value(Simulation().SpokenCharacter(byte));
        s_json.EndObject();
        return AnswerJson();
    } catch (const std::exception& error) {
        return Answer(error.what(), 0);
    }
}

// The traces of the last run that succeeded, those whose letters the block names (all when it
// names none); asked for apart from the run, by what shows them.
EMSCRIPTEN_KEEPALIVE int dscdma_traces(const char* block, int size)
{
    const auto args = Unpacked(block, size);
    s_json.Clear();
    WriteTraces(Simulation().Traces(), Arg(args, 0));
    return AnswerJson();
}

// The colour a system colour index stands for on the charts, as CSS, so that the page around
// them shows the same button face.
EMSCRIPTEN_KEEPALIVE int dscdma_system_color(int index)
{
    const TColor c = ResolveClassicColor(clSystemColor | TColor(index & 0xFF));
    return Answer("rgb(" + std::to_string(RedOf(c)) + ", " + std::to_string(GreenOf(c)) + ", " +
                  std::to_string(BlueOf(c)) + ")");
}

// Lays the charts out again at four sizes in CSS pixels (a width below 0: the stored size); texts
// are drawn at least `minimumText` pixels high. Answers the sizes the charts took, [[w, h], ...].
EMSCRIPTEN_KEEPALIVE int dscdma_layout(int w0, int h0, int w1, int h1, int w2, int h2, int w3, int h3, int minimumText)
{
    Page& page = ThePage();
    const ShowsChanges shown;
    const int given[4][2] = {{w0, h0}, {w1, h1}, {w2, h2}, {w3, h3}};
    std::array<Size, 4> wanted{};
    for (std::size_t i = 0; i < 4; ++i) {
        const Rect stored = SignalChartGeometry(Charts[i]);
        wanted[i] = given[i][0] >= 0 ? Size{given[i][0], given[i][1]} : Size{stored.width, stored.height};
        page.canvases[i]->setMinimumTextPixels(minimumText);
    }
    page.simulation->Relayout(wanted);
    s_json.Clear();
    s_json.BeginArray();
    for (int i = 0; i < 4; ++i) {
        const Size s = page.simulation->ChartSize(i);
        s_json.BeginArray().Value(s.width).Value(s.height).EndArray();
    }
    s_json.EndArray();
    return AnswerJson();
}

EMSCRIPTEN_KEEPALIVE int dscdma_version()
{
    return Answer(DSCDMA_VERSION);
}

// The inputs table: per input its name in the address and messages, its option of dscdma-sim,
// the text a fresh control holds, its range and step, and the words it takes instead of a number.
EMSCRIPTEN_KEEPALIVE int dscdma_input_table()
{
    s_json.Clear();
    s_json.BeginArray();
    for (const InputRow& row : SimInputTable()) {
        s_json.BeginObject();
        s_json.Key("name").Value(row.name);
        s_json.Key("option").Value(row.option);
        s_json.Key("defaultText").Value(row.defaultText);
        s_json.Key("low").Value(row.low);
        s_json.Key("high").Value(row.high);
        s_json.Key("step").Value(row.step);
        s_json.Key("choices").BeginArray();
        for (const std::string& choice : row.choices)
            s_json.Value(choice);
        s_json.EndArray();
        s_json.EndObject();
    }
    s_json.EndArray();
    return AnswerJson();
}

// The table's check of a text for the input that the address calls a name (block: name, text):
// the value as JSON, or 0 and the one-line refusal.
EMSCRIPTEN_KEEPALIVE int dscdma_check_input(const char* block, int size)
{
    const auto args = Unpacked(block, size);
    const InputCheck check = web::CheckInput(Arg(args, 0), Arg(args, 1));
    if (!check.Taken())
        return Answer(check.refusal, 0);
    s_json.Clear();
    s_json.Value(check.value);
    return AnswerJson();
}

// Whether a screen reader is given the byte's code rather than the character.
EMSCRIPTEN_KEEPALIVE int dscdma_spoken_by_code(int code)
{
    return ::SpokenByCode(static_cast<unsigned char>(code & 0xFF)) ? 1 : 0;
}

// The About box's own texts for a language file's "$dlglanguage$" setting (block: the setting).
EMSCRIPTEN_KEEPALIVE int dscdma_about_texts(const char* block, int size)
{
    const about::Language language = about::LanguageOfSetting(Arg(Unpacked(block, size), 0));
    s_json.Clear();
    s_json.BeginObject();
    s_json.Key("language").Value(language == about::Language::German ? "de" : "en");
    s_json.Key("name").Value(about::ProgramName());
    s_json.Key("version").Value(about::VersionText());
    s_json.Key("copyright").Value(about::CopyrightText());
    s_json.Key("webSite").Value(about::WebSiteText(language));
    s_json.Key("description").Value(about::DescriptionText(language));
    s_json.Key("simulations").Value(about::SimulationsAddress());
    s_json.EndObject();
    return AnswerJson();
}

// The drawing commands of the sets of inputs, recorded with fixed text metrics (block: the sets,
// the English and the German language file), for the comparison with the native build.
EMSCRIPTEN_KEEPALIVE int dscdma_record_sets(const char* block, int size)
{
    const auto args = Unpacked(block, size);
    return Answer(web::RecordSets(Arg(args, 0), Arg(args, 1), Arg(args, 2)));
}

} // extern "C"
