#include "core/lab/codeschart.h"

#include "core/chart/chart.h"
#include "core/chart/palette.h"
#include "core/i18n/dictionary.h"
#include "core/lab/codetable.h"
#include "core/lab/viewchart.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace lab {

namespace {

using namespace palette;

constexpr int CellWidth = 36; // at most; narrower where the chart is
constexpr int LeastCellWidth = 26;
constexpr int CellHeight = 22;
constexpr int TableTitleHeight = 36; // two lines
constexpr int NamePixels = 64;   // room left of the chips for each row's name, at least
constexpr double GlyphPixels = 6.5; // a name's letters on average, to make room for the longest
constexpr int LeastChipsWidth = 300; // below this the table goes under the chips
constexpr double RowFill = 0.3;  // half the share of a row that the chips reach

const char* FamilyKey(CodeFamily family)
{
    switch (family) {
    case CodeFamily::Random: return "Random codes of the first bit";
    case CodeFamily::Walsh: return "Walsh codes";
    case CodeFamily::MSequence: return "Shifts of one m-sequence";
    case CodeFamily::Gold: return "Gold codes";
    }
    return "";
}

int Blend(int from, int to, double t)
{
    return int(std::lround(from + (to - from) * t));
}

constexpr int TableGap = 16; // between two tables

Size TableSize(int users, int cell)
{
    return {(users + 1) * cell + 1, TableTitleHeight + (users + 1) * CellHeight + 1};
}

// Both tables, the second under the first.
Size TablesSize(int users, int cell, int tables)
{
    const Size one = TableSize(users, cell);
    return {one.width, tables * one.height + (tables - 1) * TableGap};
}

void CheckView(const CodeView& v)
{
    const std::size_t users = v.Codes.size();
    bool ok = users >= 1 && users <= std::size_t(MaxUsers) && v.Matrix.size() == users && v.Rx >= 1
              && v.Rx <= int(users) && !v.Codes[0].empty() && (v.Worst.empty() || v.Worst.size() == users)
              && (v.Delays.empty() || v.Delays.size() == users);
    for (std::size_t k = 0; ok && k < users; ++k)
        ok = v.Codes[k].size() == v.Codes[0].size() && v.Matrix[k].size() == users
             && (v.Worst.empty() || v.Worst[k].size() == users);
    if (!ok)
        throw std::invalid_argument("a code per user, each of one length, and a square table of them");
}

} // namespace

CodeView CodeViewOf(const LabConfig& config)
{
    CodeTable table = CodesOf(config);
    CodeView v;
    v.Family = config.Codes;
    v.Rx = config.Rx;
    v.Codes = std::move(table.Codes);
    v.Matrix = std::move(table.AtDelays);
    if (Unaligned(config)) {
        v.Delays = std::move(table.Delays);
        v.Worst = std::move(table.Worst);
    }
    return v;
}

TColor CorrelationColor(int value, int spread)
{
    const double t = std::clamp(std::fabs(double(value)) / std::max(spread, 1), 0.0, 1.0);
    // White towards a dark red or a dark blue, each dark enough for white numbers at the end.
    const int r = value >= 0 ? 190 : 30, g = value >= 0 ? 30 : 70, b = value >= 0 ? 30 : 190;
    return TColor(Blend(255, r, t)) | TColor(Blend(255, g, t)) << 8 | TColor(Blend(255, b, t)) << 16;
}

CodesChart::CodesChart(const CodeView& view, Dictionary& translator, Size size)
    : m_view(view)
{
    CheckView(view);
    const int users = int(view.Codes.size());
    const int spread = int(view.Codes[0].size());
    const int tables = view.Worst.empty() ? 1 : 2;
    m_below = size.width - TableSize(users, CellWidth).width - 24 < LeastChipsWidth + 32;
    // Below the chips a table takes the chart's width, its cells narrower if they must.
    m_cell = m_below ? std::clamp((size.width - 32) / (users + 1), LeastCellWidth, CellWidth) : CellWidth;
    const Size table = TablesSize(users, m_cell, tables);
    ViewMargins margins{16, 16, 26, 16};
    if (m_below)
        margins.Bottom = table.height + 28;
    else
        margins.Right = table.width + 24;
    // Each row at least a line of text high, so that its name fits; beside, the tables fit too.
    size.height = std::max(size.height, margins.Top + margins.Bottom + users * 24);
    if (!m_below)
        size.height = std::max(size.height, margins.Top + table.height + 8);
    m_chart = NewViewChart(size, margins,
                           translator.Translate("<%1%>, <%2%> chips",
                                                {translator.Translate(FamilyKey(view.Family)), std::to_string(spread)}));
    m_tableTitles[0] = translator.Translate(view.Worst.empty() ? "Correlation over a bit, user against user"
                                                               : "Correlation over a bit at these delays");
    m_tableTitles[1] = translator.Translate("Largest correlation over every delay");
    Chart& c = *m_chart;
    const int plotWidth = std::max(1, size.width - margins.Left - margins.Right);
    // Room for the longest name, which a delay makes long: "User 3, 5 chips later".
    int namePixels = NamePixels;
    for (int k = 0; k < users; ++k)
        namePixels = std::max(namePixels, int(std::lround(rowName(translator, k).size() * GlyphPixels)) + 8);
    namePixels = std::min(namePixels, plotWidth / 2);
    const double nameRoom = double(spread) * namePixels / std::max(1, plotWidth - namePixels);
    SetRanges(c, 1, -nameRoom, spread, 0, users);
    BeginViewItems(c);
    const PlotBox box = BoxOf(c, 1);
    for (int k = 0; k < users; ++k) {
        const double middle = users - k - 0.5;
        c.SetDataColor(k + 1 == view.Rx ? Blue : Black);
        c.SetLineWidth(k + 1 == view.Rx ? 2 : 1);
        const Code& code = view.Codes[k];
        for (int i = 0; i < spread; ++i) {
            const double y = middle + code[i] * RowFill;
            if (i == 0)
                c.MoveToPoint(0, y);
            else
                c.LineToPoint(i, y);
            c.LineToPoint(i + 1, y);
        }
        TTextLabel* name = PlaceText(c, k + 1, box.XAt(4), middle, rowName(translator, k),
                                     k + 1 == view.Rx ? Blue : Black, taLeftJustify, vaCenter);
        if (k + 1 == view.Rx) {
            FontDesc bold = name->Font();
            bold.Style |= fsBold;
            name->SetFont(bold);
        }
    }
    c.SetLineWidth(1);
    c.SetDataColor(Black);
    c.ShowItems();
}

CodesChart::~CodesChart() = default;

std::string CodesChart::rowName(Dictionary& translator, int k) const
{
    const std::string user = std::to_string(k + 1);
    if (m_view.Delays.empty() || m_view.Delays[std::size_t(k)] == 0)
        return translator.Translate("User <%1%>", {user});
    return translator.Translate("User <%1%>, <%2%> chips later", {user, std::to_string(m_view.Delays[std::size_t(k)])});
}

Size CodesChart::GetSize() const
{
    return m_chart->GetSize();
}

Rect CodesChart::TableRect(int index) const
{
    const Size table = TableSize(int(m_view.Codes.size()), m_cell);
    const Chart& c = *m_chart;
    const int down = index * (table.height + TableGap);
    if (m_below)
        return {c.MarginLeft(), c.Height() - c.MarginBottom() + 20 + down, table.width, table.height};
    return {c.Width() - c.MarginRight() + 16, c.MarginTop() + down, table.width, table.height};
}

void CodesChart::Paint(Canvas& canvas) const
{
    m_chart->RenderTo(canvas);
    for (int index = 0; index < Tables(); ++index)
        paintTable(canvas, index);
}

void CodesChart::paintTable(Canvas& canvas, int index) const
{
    const Rect r = TableRect(index);
    const std::string& title = m_tableTitles[index];
    const std::vector<std::vector<int>>& matrix = index == 0 ? m_view.Matrix : m_view.Worst;
    const int users = int(m_view.Codes.size());
    const int spread = int(m_view.Codes[0].size());
    FontDesc font = DefaultChartFont();
    canvas.setBrush({White, Canvas::BrushStyle::Clear});
    canvas.setFont(font, Black);
    // The title in the table's width, broken between words where it is wider.
    std::string line;
    int y = r.top();
    std::size_t start = 0;
    while (start < title.size()) {
        std::size_t end = title.find(' ', start);
        const std::string word = title.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string longer = line.empty() ? word : line + ' ' + word;
        if (!line.empty() && canvas.textWidth(longer) > r.width) {
            canvas.textOut(r.left(), y, line);
            y += canvas.textHeight(line);
            line = word;
        } else {
            line = longer;
        }
        start = end == std::string::npos ? title.size() : end + 1;
    }
    canvas.textOut(r.left(), y, line);
    const int top = r.top() + TableTitleHeight;
    const auto cell = [&](int row, int column, TColor fill, TColor ink, const std::string& text, bool bold) {
        const int x = r.left() + column * m_cell, y = top + row * CellHeight;
        canvas.setPen({Gray, 1, Canvas::PenStyle::Solid});
        canvas.setBrush({fill, Canvas::BrushStyle::Solid});
        canvas.rectangle(x, y, x + m_cell + 1, y + CellHeight + 1);
        FontDesc f = font;
        if (bold)
            f.Style |= fsBold;
        canvas.setFont(f, ink);
        canvas.setBrushStyle(Canvas::BrushStyle::Clear);
        canvas.textOut(x + (m_cell - canvas.textWidth(text)) / 2, y + (CellHeight - canvas.textHeight(text)) / 2, text);
    };
    const TColor header = 0xF0F0F0;
    cell(0, 0, header, Black, "", false);
    for (int k = 0; k < users; ++k) {
        const TColor ink = k + 1 == m_view.Rx ? Blue : Black;
        cell(0, k + 1, header, ink, std::to_string(k + 1), true);
        cell(k + 1, 0, header, ink, std::to_string(k + 1), true);
    }
    for (int j = 0; j < users; ++j)
        for (int k = 0; k < users; ++k) {
            const int value = matrix[j][k];
            const bool dark = std::abs(value) * 10 > spread * 6;
            cell(j + 1, k + 1, CorrelationColor(value, spread), dark ? White : Black, std::to_string(value), false);
        }
}

} // namespace lab
