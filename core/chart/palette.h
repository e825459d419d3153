#pragma once

#include "core/chart/color.h"

// The named colours of the charts and pictures, as stored colour numbers (0x00BBGGRR): the
// traces, the channels' backgrounds and what the analysis and lab charts draw with. One table,
// so that a picture and the window it explains use the same blue.
namespace palette {

inline constexpr TColor ChannelA = 16768477; // light blue, chart RCA and the fields of A
inline constexpr TColor ChannelB = 12708857; // light yellow, chart RCB and the fields of B
inline constexpr TColor DarkRed = 221;
inline constexpr TColor Black = 0x000000;
inline constexpr TColor Navy = 0x800000;
inline constexpr TColor Silver = 0xC0C0C0;
inline constexpr TColor Gray = 0x808080;
inline constexpr TColor Blue = 0xFF0000;
inline constexpr TColor Red = 0x0000FF;
inline constexpr TColor Green = 0x008000;
inline constexpr TColor Yellow = 0x00FFFF;
inline constexpr TColor White = 0xFFFFFF;
inline constexpr TColor Orange = 0x0080FF;
inline constexpr TColor Purple = 0x800080;
inline constexpr TColor Teal = 0x808000;

// Curves of one chart, told apart on screen and on a projector: first the colours the single
// curves of the analysis charts use, then the others, each against white.
inline constexpr TColor CurveColors[] = {DarkRed, Blue, Green, Orange, Purple, Teal, Gray, Black};

} // namespace palette
