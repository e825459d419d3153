#pragma once

// The codes view: each user's code as a row of chips, and the matrix of their correlations as a
// coloured table with its numbers, red where two codes agree and blue where they oppose. Where
// the users are not aligned a second table shows the worst: the largest magnitude over every
// delay. A table has a cell per pair of users, more than the chart's labels hold, so Paint draws
// the tables beside the chart.

#include "core/chart/canvas.h"
#include "core/lab/codefamily.h"
#include "core/lab/labmodel.h"

#include <memory>
#include <string>
#include <vector>

class Chart;
class Dictionary;

namespace lab {

struct CodeView
{
    CodeFamily Family = CodeFamily::Random;
    int Rx = 1;                           // the decoded user, 1-based
    std::vector<Code> Codes;              // each user's chips; random codes: those of the first bit
    std::vector<int> Delays;              // each user's delay in chips, empty when aligned
    std::vector<std::vector<int>> Matrix; // Matrix[j][k]: user j's code against user k's at their delays
    std::vector<std::vector<int>> Worst;  // the largest magnitude over every delay; empty when aligned
};

// The codes of a set-up as CodesOf gives them: the random codes of the first bit, as a run draws
// them, the correlation of every two over a bit at their delays and, when the users are not
// aligned, the worst over every delay. Throws std::invalid_argument when CheckLabConfig fails.
CodeView CodeViewOf(const LabConfig& config);

// The colour of a correlation in the table: white at 0, towards red as it approaches `spread`,
// towards blue as it approaches -spread.
TColor CorrelationColor(int value, int spread);

class CodesChart
{
public:
    // Needs one code per user, all of one length, and a square matrix of their number. Throws
    // std::invalid_argument otherwise.
    CodesChart(const CodeView& view, Dictionary& translator, Size size);
    ~CodesChart();
    CodesChart(const CodesChart&) = delete;
    CodesChart& operator=(const CodesChart&) = delete;

    const Chart& GetChart() const { return *m_chart; }
    Size GetSize() const;
    // Where table `index` lies (0 at the delays, 1 the worst): beside the chips on a wide chart,
    // below them on a narrow one, the second under the first.
    Rect TableRect(int index = 0) const;
    int Tables() const { return m_view.Worst.empty() ? 1 : 2; }
    // The chart, then the table.
    void Paint(Canvas& canvas) const;

private:
    void paintTable(Canvas& canvas, int index) const;
    // Row k's name: the user, and its delay where it has one.
    std::string rowName(Dictionary& translator, int k) const;

    CodeView m_view;
    std::unique_ptr<Chart> m_chart;
    std::string m_tableTitles[2];
    bool m_below = false;
    int m_cell = 36; // a cell's width
};

} // namespace lab
