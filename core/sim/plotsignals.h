#pragma once

#include "signalmodel.h"

#include <cstdint>
#include <functional>
#include <string>

class Chart;

// Where one run is drawn: the four charts of the main window (or of a picture, or of a web page)
// and the result display. A TRChart shows its Core().
struct TSignalView
{
    Chart* RCA = nullptr; // traces A, B, C
    Chart* RCB = nullptr; // traces D, E, F
    Chart* RCC = nullptr; // trace G
    Chart* RCD = nullptr; // traces H, I, J, K
    // Keyed text lookup (Windows-1252); a key without an entry yields the key itself. Empty
    // means identity.
    std::function<std::string(const std::string& key)> Translate;
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
