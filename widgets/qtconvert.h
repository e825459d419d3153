#pragma once

#include "core/chart/color.h"
#include "core/chart/font.h"
#include "core/chart/geometry.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

// The one place where the Qt shell turns the core's small value types into Qt's and back; texts
// are cp1252.h's.

// Plain colours as they stand; system colours from the application palette (or the classic
// desktop values when no application exists).
QColor ToQColor(TColor color);
// The colour's red, green and blue; its alpha is dropped.
TColor ToTColor(const QColor& color);

// Kept for the fonts last asked for, so that painting builds no font twice.
QFont ToQFont(const FontDesc& font);
FontDesc ToFontDesc(const QFont& font);

inline QPoint ToQPoint(Point p)
{
    return {p.x, p.y};
}
inline Point ToPoint(QPoint p)
{
    return {p.x(), p.y()};
}
inline QSize ToQSize(Size s)
{
    return {s.width, s.height};
}
inline Size ToSize(QSize s)
{
    return {s.width(), s.height()};
}
inline QRect ToQRect(const Rect& r)
{
    return {r.x, r.y, r.width, r.height};
}
inline Rect ToRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}
