#include "core/chart/recordingtext.h"
#include "core/i18n/utf8.h"
#include "core/sim/signalcharts.h"
#include "web/webshell.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

using web::KeyField;

struct KeyRow
{
    KeyField field;
    const char* text;
    bool accepted;
    double value;
};

// The fields' decisions, at both sides of each range and for each number format.
TEST(WebShell, KeyFieldsAcceptAndRefuseAsTheDesktopFields)
{
    const KeyRow rows[] = {
        {KeyField::A, "23", true, 23},
        {KeyField::A, "", true, 0},
        {KeyField::A, "-", true, 0},
        {KeyField::A, "$ff", true, 255},
        {KeyField::A, "%101", true, 5},
        {KeyField::A, "&17", true, 15},
        {KeyField::A, "2.5e3", true, 2500},
        {KeyField::A, "1e", true, 1},
        {KeyField::A, "  12", true, 12},
        {KeyField::A, "1000000", true, 1000000},
        {KeyField::A, "1000000.01", false, 0},
        {KeyField::A, "-1000000", true, -1000000},
        {KeyField::A, "-1000001", false, 0},
        {KeyField::B, "$F4240", true, 1000000},
        {KeyField::B, "$F4241", false, 0},
        {KeyField::B, "12 ", false, 0},
        {KeyField::B, "1,5", false, 0},
        {KeyField::B, "x", false, 0},
        {KeyField::B, "\xC3\xA4", false, 0},
        {KeyField::Rx, "1e308", true, 1e308},
        {KeyField::Rx, "1e5000", true, 1.7e308},
        {KeyField::Rx, "-1e400", true, -1.7e308},
        {KeyField::Rx, "1000001", true, 1000001},
    };
    for (const KeyRow& row : rows) {
        const std::string text = row.text;
        const web::KeyCheck check = web::CheckKey(row.field, text, int(text.size()), "23");
        EXPECT_EQ(check.accepted, row.accepted) << row.text;
        if (row.accepted) {
            EXPECT_EQ(check.text, text);
            EXPECT_DOUBLE_EQ(check.value, row.value) << row.text;
        } else {
            // The field goes back to its last text, the caret one to the left, within that text.
            int characters = 0;
            for (const char c : text)
                characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            EXPECT_EQ(check.text, "23") << row.text;
            EXPECT_EQ(check.caret, std::min(std::max(characters - 1, 0), 2)) << row.text;
            EXPECT_DOUBLE_EQ(check.value, 23) << row.text;
        }
    }
}

TEST(WebShell, TypedCharacterKeepsTheFirstAndMarksWhatTheCodePageCannotHold)
{
    const std::pair<const char*, const char*> rows[] = {
        {"q", "q"},
        {"qx", "q"},
        {"", ""},
        {"\xC3\xA4", "\xC3\xA4"},         // ä
        {"\xE2\x82\xAC", "\xE2\x82\xAC"}, // €, 0x80 in the code page
        {"\xC4\x81", "?"},                 // ā
        {"\xF0\x9F\x98\x80", "?"},         // an emoji, one character outside the code page
        {"\xFF", "?"},                     // not UTF-8 at all
        {"\xE2\x82", "?"},                 // cut short
        {"\xC0\xAF", "?"},                 // overlong
        {"\xED\xA0\x80", "?"},             // a surrogate half
        {"\b", "\b"},
    };
    for (const auto& [typed, shown] : rows)
        EXPECT_EQ(web::TypedCharacter(typed), shown) << typed;
    EXPECT_EQ(web::TypedCharacter(std::string("\0x", 2)), std::string("\0", 1));
}

// The four charts of the main window, recorded.
struct Recorded
{
    std::array<std::unique_ptr<RecordingCanvas>, 4> canvases;
    std::unique_ptr<web::Simulation> simulation;

    Recorded()
    {
        const SignalChart which[] = {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD};
        for (int i = 0; i < 4; ++i) {
            const Rect place = SignalChartGeometry(which[i]);
            canvases[i] = std::make_unique<RecordingCanvas>(place.width, place.height);
        }
        simulation = std::make_unique<web::Simulation>(
            std::array<Canvas*, 4>{canvases[0].get(), canvases[1].get(), canvases[2].get(), canvases[3].get()});
    }
    std::string Text(int i) const { return RecordingText(*canvases[i]); }
    void Clear()
    {
        for (auto& c : canvases)
            c->clearOps();
    }
};

TEST(WebShell, AnUpdateGivesTheModelsAnswersFromTheFieldTextsAndDrawsEveryChart)
{
    Recorded page;
    web::PageInputs in;
    web::PageResult r = page.simulation->Update(in);
    EXPECT_EQ(r.received, "Z");
    EXPECT_EQ(r.code, 0x5A);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.channel, '1');
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(page.Text(i).find("polyline"), std::string::npos) << "chart " << i;

    in.keyRx = "$2C"; // 44, read as the field reads it
    r = page.simulation->Update(in);
    EXPECT_EQ(r.received, "W");
    EXPECT_EQ(r.channel, '2');

    in.keyRx = "7";
    r = page.simulation->Update(in);
    EXPECT_EQ(r.code, 0x15);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.channel, '-');

    in = {};
    in.a = "";
    r = page.simulation->Update(in);
    EXPECT_FALSE(r.ok) << "an empty field never matches";

    in = {};
    in.keyB = "0";
    in.spread = 2;
    r = page.simulation->Update(in);
    EXPECT_EQ(r.code, 0x5E);
}

// An edit draws only the charts whose picture it changed; one laid out or made again, or with
// the explanations shown or hidden, is drawn whatever the run.
TEST(WebShell, AnUpdateDrawsOnlyTheChartsThatItChanged)
{
    Recorded page;
    web::PageInputs in;
    page.simulation->Update(in);
    const auto drawn = [&] {
        std::string charts;
        for (int i = 0; i < 4; ++i)
            if (!page.Text(i).empty())
                charts += char('0' + i);
        page.Clear();
        return charts;
    };
    drawn();
    struct Step
    {
        const char* what;
        void (*apply)(web::PageInputs&, web::Simulation&);
        const char* charts;
    };
    const Step steps[] = {
        {"the same inputs", [](web::PageInputs&, web::Simulation&) {}, ""},
        {"the receiver key", [](web::PageInputs& i, web::Simulation&) { i.keyRx = "44"; }, "3"},
        {"channel 1's character", [](web::PageInputs& i, web::Simulation&) { i.a = "q"; }, "023"},
        {"the explanations", [](web::PageInputs& i, web::Simulation&) { i.labels = true; }, "0123"},
        {"laid out again", [](web::PageInputs&, web::Simulation& s) {
             s.Relayout({Size{366, 137}, Size{366, 145}, Size{366, 81}, Size{366, 281}});
         }, "0123"},
        {"a language", [](web::PageInputs&, web::Simulation& s) { s.LoadLanguage("[Channel 1]=Kanal 1|$$"); }, "0123"},
        {"the same inputs again", [](web::PageInputs&, web::Simulation&) {}, ""},
    };
    for (const Step& step : steps) {
        step.apply(in, *page.simulation);
        page.Clear();
        page.simulation->Update(in);
        EXPECT_EQ(drawn(), step.charts) << step.what;
    }
}

TEST(WebShell, AnUpdateTheModelRefusesDrawsNothing)
{
    Recorded page;
    page.simulation->Update({});
    page.Clear();
    web::PageInputs in;
    in.keyRx = "1e300";
    EXPECT_THROW(page.simulation->Update(in), std::runtime_error);
    in = {};
    in.spread = 21;
    EXPECT_THROW(page.simulation->Update(in), std::invalid_argument);
    in.spread = 1;
    EXPECT_THROW(page.simulation->Update(in), std::invalid_argument);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(page.Text(i), "") << "chart " << i;
    in.spread = 20;
    EXPECT_NO_THROW(page.simulation->Update(in));
    in.spread = 2;
    EXPECT_NO_THROW(page.simulation->Update(in));
}

TEST(WebShell, TheLanguageFileTranslatesCaptionsAndKeysAndASecondOneStartsFromTheKeys)
{
    Recorded page;
    page.simulation->LoadLanguage("[Channel 1]=Kanal 1|$$[Trace D: Channel 2 Data]=Kurve D|$$[X]=<%1%> von <%2%>|$$");
    EXPECT_EQ(page.simulation->Translate("x", {"3", "\xC3\xA4"}), "3 von \xC3\xA4");
    EXPECT_EQ(page.simulation->Translate("Channel 2"), "Channel 2");
    web::PageInputs in;
    in.labels = true;
    page.simulation->Update(in);
    EXPECT_NE(page.Text(0).find("\"Kanal 1\""), std::string::npos);
    EXPECT_NE(page.Text(1).find("\"Kurve D\""), std::string::npos);
    page.simulation->LoadLanguage("[Channel 1]=Channel One|$$");
    page.Clear();
    page.simulation->Update(in);
    EXPECT_NE(page.Text(0).find("\"Channel One\""), std::string::npos);
    EXPECT_NE(page.Text(1).find("\"Trace D: Channel 2 Data\""), std::string::npos);
}

TEST(WebShell, RecordedSetsNameEachSetItsResultAndItsCharts)
{
    // Set 2 is percent-encoded: Z, W, 23, 44, 23 at spreading factor 3.
    const std::string out = web::RecordSets("Z\tW\t23\t44\t44\t8\t1\ten\n%5A\t%57\t%32%33\t44\t23\t3\t0\t\n\t\t\t\t1e300\t8\t0\t\n",
                                            "[Channel 1]=Channel One|$$", "");
    EXPECT_EQ(out.find("set 1\nresult 87 ok 2\nchart RCA\n"), 0u);
    EXPECT_NE(out.find("\"Channel One\""), std::string::npos);
    EXPECT_NE(out.find("set 2\nresult 90 ok 1\nchart RCA\n"), std::string::npos);
    EXPECT_NE(out.find("set 3\nfailed Invalid floating point operation\nchart RCA\n"), std::string::npos);
}

// The narrow layout: the charts at the page's width, kept through a change of language, and
// raised to what their margins need when the page asks for less.
TEST(WebShell, ChartsAreLaidOutAgainAtTheSizesThePageGivesAndKeepThemAcrossLanguages)
{
    Recorded page;
    page.simulation->Update({});
    page.simulation->Relayout({Size{366, 137}, Size{366, 145}, Size{366, 81}, Size{366, 281}});
    page.Clear();
    page.simulation->Update({});
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(page.simulation->ChartSize(i).width, 366) << i;
        EXPECT_EQ(page.canvases[std::size_t(i)]->size().width, 366) << "the canvas follows, chart " << i;
        // Drawn whole again, frame included: the caption is among the commands.
        EXPECT_NE(page.Text(i).find("text"), std::string::npos) << i;
    }
    page.simulation->LoadLanguage("[Channel 1]=Kanal 1|$$");
    page.simulation->Update({});
    EXPECT_EQ(page.simulation->ChartSize(0).width, 366) << "a new language keeps the layout";
    page.simulation->Relayout({Size{1, 1}, Size{1, 1}, Size{1, 1}, Size{1, 1}});
    for (int i = 0; i < 4; ++i) {
        const Size s = page.simulation->ChartSize(i);
        EXPECT_GT(s.width, 1) << i;
        EXPECT_GT(s.height, 1) << i;
    }
}

// The text alternative's numbers: the traces as the model computed them, per bit for the data
// and the recovered bits, per chip for the rest.
TEST(WebShell, TheTracesOfTheLastRunAreTheModelsValuesChartByChart)
{
    Recorded page;
    EXPECT_TRUE(page.simulation->Traces().empty()) << "no run yet";
    web::PageInputs in;
    in.keyRx = "44";
    in.spread = 3;
    page.simulation->Update(in);
    const std::vector<web::TraceValues> traces = page.simulation->Traces();
    ASSERT_EQ(traces.size(), 11u);
    std::string letters;
    for (const web::TraceValues& t : traces)
        letters += t.letter;
    EXPECT_EQ(letters, "ABCDEFGHIJK");
    const auto trace = [&](char letter) { return traces[std::size_t(letter - 'A')]; };
    // W = 0x57, least significant bit first.
    EXPECT_EQ(trace('D').values, (std::vector<std::int32_t>{1, 1, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(trace('A').values, (std::vector<std::int32_t>{0, 1, 0, 1, 1, 0, 1, 0})) << "Z = 0x5A";
    EXPECT_TRUE(trace('A').perBit);
    EXPECT_TRUE(trace('K').perBit);
    EXPECT_FALSE(trace('B').perBit);
    std::vector<int> charts;
    for (const web::TraceValues& t : traces)
        charts.push_back(t.chart);
    EXPECT_EQ(charts, (std::vector<int>{0, 0, 0, 1, 1, 1, 2, 3, 3, 3, 3}));
    for (char letter : std::string("BCEFGHIJ"))
        EXPECT_EQ(trace(letter).values.size(), 24u) << letter;
    for (std::size_t n = 0; n < 24; ++n) {
        // C and F spread the bits by the chips; G sums them; I multiplies G by H.
        const int c = trace('C').values[n], f = trace('F').values[n];
        EXPECT_EQ(c, (trace('A').values[n / 3] ^ trace('B').values[n]) ? 1 : -1) << n;
        EXPECT_EQ(trace('G').values[n], c + f) << n;
        EXPECT_EQ(trace('I').values[n], trace('G').values[n] * trace('H').values[n]) << n;
    }
    // Received correctly on channel 2: the recovered bits are D's, as signs.
    for (std::size_t bit = 0; bit < 8; ++bit)
        EXPECT_EQ(trace('K').values[bit] > 0, trace('D').values[bit] == 1) << bit;
    in.keyRx = "1e300";
    EXPECT_THROW(page.simulation->Update(in), std::runtime_error);
    EXPECT_EQ(page.simulation->Traces()[3].values, trace('D').values) << "a refused run keeps the last traces";
}

// Whatever bytes the page hands over, the shell answers without reading outside its input; the
// sanitizer build runs this too.
TEST(WebShell, AnyBytesAreTakenWithoutHarm)
{
    std::uint32_t state = 12345;
    const auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 1000; ++round) {
        std::string bytes(next() % 40, '\0');
        for (char& c : bytes)
            c = static_cast<char>(next() & 0xFF);
        const web::KeyCheck check = web::CheckKey(web::KeyField(round % 3), bytes, int(next() % 50) - 5, "23");
        EXPECT_TRUE(check.accepted || check.text == "23");
        EXPECT_LE(web::TypedCharacter(bytes).size(), 3u);
        EXPECT_EQ(utf8::ToWindows1252(utf8::FromWindows1252(bytes)), bytes);
        if (round % 50 == 0) {
            const std::string sets = bytes + "\t" + bytes + "\t%\t%4\t%zz\t8\t1\tde\n";
            EXPECT_EQ(web::RecordSets(sets, "", bytes).rfind("set 1\n", 0), 0u);
        }
    }
}

} // namespace
