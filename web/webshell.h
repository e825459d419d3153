#pragma once

// What the web page asks of the simulation, in the page's terms: texts in UTF-8 as the browser
// holds them, converted to and from Windows-1252 here, once. Plain C++ on the core: the
// WebAssembly module binds it for the page, and the native build runs the same code for tests
// and for the comparison of the two builds' drawings.

#include "core/chart/canvas.h"
#include "core/chart/chart.h"
#include "core/chart/layerpresenter.h"
#include "core/chart/recordingcanvas.h"
#include "core/i18n/dictionary.h"
#include "core/sim/signalmodel.h"
#include "core/sim/siminputs.h"
#include "web/tracetable.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace web {

// The three key fields of the main window, with their stored rules.
enum class KeyField { A, B, Rx };

// A key field after an edit: what it shows, where the caret is, and whether the edit was taken.
struct KeyCheck
{
    std::string text; // UTF-8
    int caret = 0;    // characters before the caret
    bool accepted = false;
    double value = 0; // the key the field stands for now
};

// The decision the desktop's key field makes on every edit (the core's key-field rules with the
// field's stored format, separator and range): `text` with the caret after `caret` characters
// is taken, or the field goes back to `lastValid` with the caret one to the left.
KeyCheck CheckKey(KeyField field, std::string_view text, int caret, std::string_view lastValid);

// What a character field shows after the user typed `typed` (UTF-8): its first character, or
// '?' for one that Windows-1252 cannot hold, as on the desktop. Empty stays empty.
std::string TypedCharacter(std::string_view typed);

// The inputs as the page's controls hold them, fresh from the inputs table.
struct PageInputs
{
    PageInputs();

    std::string a; // UTF-8, at most one character
    std::string b;
    std::string keyA;
    std::string keyB;
    std::string keyRx;
    int spread = 0;
    bool labels = false; // "Show Explanations" is down
};

// The inputs table's check of an input named as the address names it, on a UTF-8 text.
InputCheck CheckInput(std::string_view name, std::string_view text);

struct PageResult
{
    std::string received; // UTF-8
    int code = 0;         // the received byte
    bool ok = false;
    char channel = '-';   // '1', '2' or '-'
};

// The page's simulation: the four charts of the main window, each drawn onto a canvas of the
// shell's (the browser's, or a recording), and the dictionary of the language file.
class Simulation
{
public:
    // The canvases, in the order RCA, RCB, RCC, RCD, outlive the simulation; they measure the
    // charts' texts as well.
    explicit Simulation(std::array<Canvas*, 4> canvases);
    ~Simulation();

    // Replaces the dictionary by a language file's entries (Windows-1252 bytes; empty for none)
    // and translates the charts' captions.
    void LoadLanguage(std::string_view file);
    // The text of a key with "<%1%>", ... filled; a key without an entry stands for itself.
    std::string Translate(std::string_view keyUtf8, const std::vector<std::string>& paramsUtf8 = {});
    // What a screen reader says of a received byte, in the loaded language (UTF-8).
    std::string SpokenCharacter(unsigned char byte);

    // Computes the signals, plots them into the four charts and draws them. Throws what the
    // model throws (a receiver key too large to round) before anything is drawn.
    PageResult Update(const PageInputs& inputs);
    // What chart `index` (0 to 3, in the order of the canvases) has to draw before its canvas
    // shows the chart's state.
    ChartRedraw Pending(std::size_t index);

    // Lays the charts out again at new sizes (each raised to what its margins need), or anew at
    // the same sizes when the canvases measure or scale differently; the next Update draws them
    // whole.
    void Relayout(const std::array<Size, 4>& sizes);
    Size ChartSize(int index) { return chart(std::size_t(index)).GetSize(); }

    // The traces of the last run that the model computed; none before the first.
    std::vector<TraceValues> Traces() const;

private:
    void buildCharts();
    // The charts are made at their first use, after the first language.
    Chart& chart(std::size_t index);

    std::array<Canvas*, 4> m_canvases;
    Dictionary m_dictionary;
    std::array<std::unique_ptr<Chart>, 4> m_charts;
    std::array<std::unique_ptr<LayerPresenter>, 4> m_presenters;
    std::array<Size, 4> m_sizes{}; // as laid out last; none for the stored sizes
    std::optional<SimResult> m_lastRun;
    std::array<bool, 4> m_plotted{}; // drawn since it was made or laid out
    bool m_plottedLabels = false;    // with the explanations or without
};

// The drawing commands of one update per line of `sets`, recorded with fixed text metrics, as
// text: what the native and the WebAssembly builds must agree on. A line holds, separated by
// tabs and each percent-encoded UTF-8: a, b, keyA, keyB, keyRx, spreading factor, labels (0/1)
// and language ("en", "de" or empty for none). Each set's commands follow a line "set N".
std::string RecordSets(std::string_view sets, std::string_view englishFile, std::string_view germanFile,
                       RecordingMetrics metrics = {});

} // namespace web
