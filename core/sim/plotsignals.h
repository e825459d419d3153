#pragma once

#include "signalmodel.h"

#include <QString>

#include <functional>
#include <string>

class ChartModel;

// Where one run is drawn: the four charts of the main window (or of a picture) and the result
// display. The charts are the window-free chart models; a TRChart shows its Model().
struct TSignalView
{
    ChartModel* RCA = nullptr; // traces A, B, C
    ChartModel* RCB = nullptr; // traces D, E, F
    ChartModel* RCC = nullptr; // trace G
    ChartModel* RCD = nullptr; // traces H, I, J, K
    // Keyed text lookup; a key without an entry yields the key itself. Empty means identity.
    std::function<QString(const QString& key)> Translate;
    // Shows the received character and the verdict; empty where there is no result display.
    std::function<void(const std::string& recoveredText, bool ok)> ShowResult;
};

// Colours of the traces and charts, as stored colour numbers (0x00BBGGRR).
namespace TraceColors {
inline constexpr std::uint32_t ChannelA = 16768477;  // light blue, chart RCA and the fields of A
inline constexpr std::uint32_t ChannelB = 12708857;  // light yellow, chart RCB and the fields of B
inline constexpr std::uint32_t DarkRed = 221;
inline constexpr std::uint32_t Black = 0x000000;
inline constexpr std::uint32_t Navy = 0x800000;
inline constexpr std::uint32_t Silver = 0xC0C0C0;
inline constexpr std::uint32_t Blue = 0xFF0000;
inline constexpr std::uint32_t Yellow = 0x00FFFF;
inline constexpr std::uint32_t White = 0xFFFFFF;
} // namespace TraceColors

// Clears and refills all four charts with the eleven step traces of one run, the explanation
// labels when asked for, and the result display. Every chart repaints once, at its ShowItems.
void PlotSignals(const SimResult& result, bool showExplanations, const TSignalView& view);
