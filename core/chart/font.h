#pragma once

#include <cstdint>
#include <string>

// Style bits of a font, as the stored forms combine them.
enum TFontStyle : std::uint8_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};

// A font as a surface is asked for it; the surface finds the nearest it has. The empty
// description stands for the surface's own default font.
struct FontDesc
{
    // Family names, the most wanted first, separated by commas.
    std::string Face;
    // Character height in pixels; when 0, PointSize gives the size.
    int PixelSize = 0;
    double PointSize = 0;
    std::uint8_t Style = 0; // TFontStyle bits

    bool Bold() const { return (Style & fsBold) != 0; }
    friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

// The font a chart's surfaces hold until someone selects another one, and a label's font at
// creation.
FontDesc DefaultChartFont();
