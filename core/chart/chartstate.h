#pragma once

#include "core/chart/axis.h"
#include "core/chart/chartlist.h"
#include "core/chart/chartmapping.h"
#include "core/chart/color.h"
#include "core/chart/font.h"

#include <array>
#include <string>

enum TVerticalAlignment { vaTop, vaCenter, vaBottom };
enum TTextLabelMode { tlOff, tlsimple, tlBox, tlUnderline, tlShadow };
enum TTextLabelAttachMode { tlamNone, tlamXOnly, tlamYOnly, tlamBoth };
enum GridStyleType { gsNone, gsPoints, gsVertLines, gsHorizLines, gsLines, gsHorizDotLines, gsVertDotLines, gsDotLines };
enum TCaptionAnchorHoriz { cahControlLeft, cahChartLeft, cahChartCenter, cahChartRight, cahControlRight };
enum TCaptionAnchorVert { cavControlTop, cavChartTop, cavChartCenter, cavChartBottom, cavControlBottom };
enum TShadowStyle { ssFlying, ssBox };
enum TMouseAction { maNone, maZoomWind, maZoomDrag, maPan, maPanHoriz, maPanVert, maDragLabel };
enum TTextBkStyle { tbClear, tbOpaque };

// A font as a surface holds it: the face and the colour text is drawn in.
struct ChartFont
{
    FontDesc font = DefaultChartFont();
    TColor color = clBlack;
    bool operator==(const ChartFont&) const = default;
};

// What one text label shows and where; the published label object reads and writes it.
struct TextLabelData
{
    double PosX = 0;
    double PosY = 0;
    int Layer = 1;
    TTextLabelAttachMode AttachToData = tlamBoth;
    TAlignment Alignment = taCenter;
    TVerticalAlignment VerticalAlignment = vaBottom;
    TColor ColorBkg = 0xFFFFFF;
    TColor ColorBorder = 0;
    TColor ColorShadow = 0x808080;
    int ShadowDx = 3;
    int ShadowDy = 3;
    bool Transparent = false;
    FontDesc Font = DefaultChartFont();
    TColor FontColor = clBlack;
    TTextLabelMode Mode = tlBox;
    std::string Caption; // a line feed starts a new line
    bool Visible = false;
    bool operator==(const TextLabelData&) const = default;
};

// Everything a caller can set on a chart, as plain data: the input of the layout step and of
// the renderer. The published objects (scale properties, joint layers, labels) read and write
// their parts of it; setters validate before they write.
struct ChartState
{
    static constexpr int Layers = 16;
    static constexpr int LabelCount = 30;

    ChartState();

    // geometry: the control's size, margins and shadow width
    ChartGeometry Geometry;

    // appearance
    TColor WindColor = clBtnFace;
    TColor ChartColor = 0xFFFFFF;
    TColor ChartFrameColor = clBlack;
    TColor ShadowColor = clGrayText;
    TColor ShadowBakColor = clBtnFace;
    TShadowStyle ShadowStyle = ssFlying;
    std::string Caption;
    int CaptionPosX = 0;
    int CaptionPosY = -15;
    TAlignment CaptionAlignment = taRightJustify;
    TCaptionAnchorHoriz CaptionAnchorHoriz = cahChartRight;
    TCaptionAnchorVert CaptionAnchorVert = cavChartTop;
    GridStyleType GridStyle = gsNone;
    TColor GridColor = clBlack;
    double GridDx = 0;
    double GridDy = 0;
    // The font the frame surface holds before a paint, in which the caption is drawn: the chart
    // never selects its own there, only a visible axis does, and the surface keeps it.
    ChartFont FrameFont;

    // pen state, stamped on every appended item; the grid follows the active layer
    int ActiveLayer = 1;
    TColor DataColor = clBlack;
    TPenStyle PenStyle = psSolid;
    int LineWidth = 1;
    int ClassDefault = 0;

    // layers: ranges and axis settings, joins, visibility
    std::array<ScaleSettings, Layers> ScaleX;
    std::array<ScaleSettings, Layers> ScaleY;
    std::array<int, Layers> JointX;
    std::array<int, Layers> JointY;
    std::array<bool, Layers> LayerVisible;
    std::array<bool, 256> ClassVisible;

    std::array<TextLabelData, LabelCount> Labels;
    ChartItemList Items;

    // stored only: used by item kinds and interactions this chart does not draw
    TColor FillColor = 0xC0C0C0;
    int TextFontStyle = 0;
    TTextBkStyle TextBkStyle = tbClear;
    TColor TextBkColor = 0xFFFFFF;
    TAlignment TextAlignment = taCenter;
    bool Isometric = false;
    TMouseAction MouseAction = maNone;

    // Layer n's settings for n = 1..16, the nearest layer's otherwise.
    const ScaleSettings& X(int layer) const { return ScaleX[index(layer)]; }
    const ScaleSettings& Y(int layer) const { return ScaleY[index(layer)]; }
    bool IsLayerVisible(int layer) const { return layer >= 1 && layer <= Layers && LayerVisible[std::size_t(layer - 1)]; }
    static std::size_t index(int layer) { return std::size_t((layer < 1 ? 1 : (layer > Layers ? Layers : layer)) - 1); }
};

// The default axis colour of a layer: black, maroon, green, ... white for layers 1 to 16.
TColor DefaultScaleColor(int layer);
