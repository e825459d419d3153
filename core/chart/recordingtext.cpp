#include "core/chart/recordingtext.h"

#include <cstdio>

namespace {

const char* PenStyleName(Canvas::PenStyle style)
{
    switch (style) {
    case Canvas::PenStyle::Solid: return "solid";
    case Canvas::PenStyle::Dot: return "dot";
    case Canvas::PenStyle::Dash: return "dash";
    case Canvas::PenStyle::DashDot: return "dashdot";
    case Canvas::PenStyle::DashDotDot: return "dashdotdot";
    case Canvas::PenStyle::Clear: return "clear";
    }
    return "?";
}

const char* KindName(RecordingCanvas::OpKind kind)
{
    using K = RecordingCanvas::OpKind;
    switch (kind) {
    case K::Resize: return "resize";
    case K::Line: return "line";
    case K::Polyline: return "polyline";
    case K::Rectangle: return "rectangle";
    case K::Polygon: return "polygon";
    case K::Pixel: return "pixel";
    case K::Text: return "text";
    case K::Clip: return "clip";
    case K::ClearClip: return "clearclip";
    case K::Copy: return "copy";
    }
    return "?";
}

void Append(std::string& out, const char* format, auto... values)
{
    char buffer[96];
    const int n = std::snprintf(buffer, sizeof buffer, format, values...);
    if (n > 0)
        out.append(buffer, std::size_t(n < int(sizeof buffer) ? n : int(sizeof buffer) - 1));
}

void AppendColor(std::string& out, TColor color)
{
    Append(out, "%06x", unsigned(color & 0xFFFFFF));
}

void AppendQuoted(std::string& out, const std::string& text)
{
    out.push_back('"');
    for (const char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b > 0x7E || ch == '\\' || ch == '"')
            Append(out, "\\x%02x", unsigned(b));
        else
            out.push_back(ch);
    }
    out.push_back('"');
}

} // namespace

std::string RecordingText(const RecordingCanvas::Op& op)
{
    using K = RecordingCanvas::OpKind;
    std::string out = KindName(op.kind);
    const bool drawn = op.kind == K::Line || op.kind == K::Polyline || op.kind == K::Rectangle || op.kind == K::Polygon;
    if (drawn) {
        out += " pen=";
        AppendColor(out, op.pen.color);
        Append(out, "/%d/%s brush=", op.pen.width, PenStyleName(op.pen.style));
        AppendColor(out, op.brush.color);
        out += op.brush.style == Canvas::BrushStyle::Solid ? "/solid" : "/clear";
    }
    if (op.kind == K::Text) {
        out += " font=";
        AppendQuoted(out, op.font.Face);
        Append(out, "/%dpx/%gpt/%u color=", op.font.PixelSize, op.font.PointSize, unsigned(op.font.Style));
        AppendColor(out, op.fontColor);
        out += " brush=";
        AppendColor(out, op.brush.color);
        out += op.brush.style == Canvas::BrushStyle::Solid ? "/solid" : "/clear";
    }
    if (op.kind == K::Pixel) {
        out += " color=";
        AppendColor(out, op.color);
    }
    if (op.kind == K::Resize || op.kind == K::Rectangle || op.kind == K::Clip)
        Append(out, " rect=%d,%d,%dx%d", op.rect.x, op.rect.y, op.rect.width, op.rect.height);
    if (op.kind == K::Copy && op.source) {
        const Size s = op.source->size();
        Append(out, " source=%dx%d", s.width, s.height);
    }
    for (const Point& p : op.points)
        Append(out, " %d,%d", p.x, p.y);
    if (op.kind == K::Text) {
        out.push_back(' ');
        AppendQuoted(out, op.text);
    }
    return out;
}

std::string RecordingText(const RecordingCanvas& canvas)
{
    std::string out;
    for (const RecordingCanvas::Op& op : canvas.ops()) {
        out += RecordingText(op);
        out.push_back('\n');
    }
    return out;
}
