#include "widgets/numlab.h"

#include "core/chart/canvas.h"
#include "core/numeric/valuetext.h"
#include "i18n/cp1252.h"
#include "widgets/qtcanvas.h"
#include "widgets/qtconvert.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <optional>
#include <string>

namespace {

// The notation of the core's value texts for each display type but dtState.
ValueNotation notationOf(TNumLab::TDisplay type)
{
    switch (type) {
    case TNumLab::dtFloat: return ValueNotation::Float;
    case TNumLab::dtFixP: return ValueNotation::FixP;
    case TNumLab::dtExp: return ValueNotation::Exp;
    case TNumLab::dtHex: return ValueNotation::Hex;
    case TNumLab::dtZeroInt: return ValueNotation::ZeroInt;
    case TNumLab::dtInt: return ValueNotation::Int;
    case TNumLab::dtDateTime: return ValueNotation::DateTime;
    case TNumLab::dtBin: return ValueNotation::Bin;
    case TNumLab::dtOct: return ValueNotation::Oct;
    case TNumLab::dtDeg: return ValueNotation::Deg;
    case TNumLab::dtDegMin: return ValueNotation::DegMin;
    case TNumLab::dtDegMinSec: return ValueNotation::DegMinSec;
    case TNumLab::dtState: break;
    }
    return ValueNotation::FixP;
}

const QString sampleText = QString::fromUtf8("(8g]}\u00DC\u00C4\u00A7");

} // namespace

TNumLab::TNumLab(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(160, 28);
}

QColor TNumLab::Resolve(const LabColor& c) const
{
    return c.role == QPalette::NoRole ? c.direct : palette().color(c.role);
}

void TNumLab::SetColor(LabColor& target, const LabColor& value)
{
    if (target == value)
        return;
    target = value;
    Redraw();
}

void TNumLab::SetLeftSpace(int space)
{
    if (space < 0)
        return;
    if (space > width())
        space = width();
    if (space == m_leftSpace)
        return;
    m_leftSpace = space;
    Redraw();
}

void TNumLab::SetPrecision(int precision)
{
    if (precision < 0)
        return;
    if (precision > 15)
        precision = 15;
    if (precision == m_precision)
        return;
    m_precision = precision;
    Redraw();
}

// The plain setters: store and repaint when the value differs.
#define NUMLAB_SETTER(Name, Type, member)      \
    void TNumLab::Set##Name(Type value)        \
    {                                          \
        if (member == value)                   \
            return;                            \
        member = value;                        \
        Redraw();                              \
    }
NUMLAB_SETTER(Empty, bool, m_empty)
NUMLAB_SETTER(LabelWidth, int, m_labelWidth)
NUMLAB_SETTER(Comma, bool, m_comma)
NUMLAB_SETTER(ForcePlusSign, bool, m_forcePlusSign)
NUMLAB_SETTER(LeftText, const QString&, m_leftText)
NUMLAB_SETTER(RightText, const QString&, m_rightText)
NUMLAB_SETTER(FrameStyle, TFrameStyle, m_frameStyle)
NUMLAB_SETTER(StateText, const QString&, m_stateText)
NUMLAB_SETTER(Alignment, TAlignment, m_alignment)
NUMLAB_SETTER(LeftTextAlignment, TAlignment, m_leftTextAlignment)
NUMLAB_SETTER(RightTextAlignment, TAlignment, m_rightTextAlignment)
NUMLAB_SETTER(OverflowIndicator, const QString&, m_overflowIndicator)
NUMLAB_SETTER(DisplayType, TDisplay, m_displayType)
NUMLAB_SETTER(DTFormat, const QString&, m_dtFormat)
#undef NUMLAB_SETTER

void TNumLab::SetValue(double value)
{
    if (value == m_value || (std::isnan(value) && std::isnan(m_value)))
        return;
    m_value = value;
    Redraw();
}

void TNumLab::SetColorLabBakG(const QColor& color) { SetColor(m_colorLabBakG, {color}); }
void TNumLab::SetColorLabText(const QColor& color) { SetColor(m_colorLabText, {color}); }
void TNumLab::SetColorOutBakG(const QColor& color) { SetColor(m_colorOutBakG, {color}); }
void TNumLab::SetColorOutText(const QColor& color) { SetColor(m_colorOutText, {color}); }

void TNumLab::SetColorScheme(TColorScheme scheme)
{
    const LabColor shadow = scheme == csBWG ? LabColor{QColor(0x80, 0x80, 0x80)} : LabColor{QColor(), QPalette::Dark};
    const LabColor light = scheme == csBWG ? LabColor{QColor(0xFF, 0xFF, 0xFF)} : LabColor{QColor(), QPalette::Light};
    if (scheme == m_colorScheme && shadow == m_frameShadowColor && light == m_frameLightColor)
        return;
    m_colorScheme = scheme;
    m_frameShadowColor = shadow;
    m_frameLightColor = light;
    Redraw();
}

bool TNumLab::Assign(const QObject* source)
{
    const auto* o = qobject_cast<const TNumLab*>(source);
    if (!o)
        return false;
    m_leftSpace = o->m_leftSpace;
    m_empty = o->m_empty;
    m_labelWidth = o->m_labelWidth;
    m_precision = o->m_precision;
    m_leftText = o->m_leftText;
    m_rightText = o->m_rightText;
    m_frameStyle = o->m_frameStyle;
    m_alignment = o->m_alignment;
    m_rightTextAlignment = o->m_rightTextAlignment;
    m_leftTextAlignment = o->m_leftTextAlignment;
    m_overflowIndicator = o->m_overflowIndicator;
    m_value = o->m_value;
    m_stateText = o->m_stateText;
    m_colorLabBakG = o->m_colorLabBakG;
    m_colorLabText = o->m_colorLabText;
    m_colorOutBakG = o->m_colorOutBakG;
    m_colorOutText = o->m_colorOutText;
    m_frameDarkColor = o->m_frameDarkColor;
    m_frameShadowColor = o->m_frameShadowColor;
    m_frameLightColor = o->m_frameLightColor;
    m_colorScheme = o->m_colorScheme;
    m_displayType = o->m_displayType;
    Redraw();
    return true;
}

QString TNumLab::FormatValue() const
{
    if (m_displayType == dtState)
        return m_stateText;
    const std::string pattern = m_displayType == dtDateTime ? cp1252::FromQString(m_dtFormat) : std::string();
    const std::optional<std::string> text = FormatValueText(m_value, notationOf(m_displayType), m_precision, pattern);
    return text ? cp1252::ToQString(*text) : m_overflowIndicator;
}

void TNumLab::Paint(Canvas& canvas)
{
    // The canvas takes the core's types: colours, the font and texts are converted here.
    const FontDesc fontDesc = ToFontDesc(font());
    const int y = paintSides(canvas, fontDesc);
    paintBox(canvas);
    if (!m_empty)
        paintValue(canvas, fontDesc, y);
}

int TNumLab::paintSides(Canvas& canvas, const FontDesc& fontDesc)
{
    const int W = width();
    const int H = height();
    const int L = m_leftSpace;
    const int R = m_leftSpace + m_labelWidth;
    const QColor outBack = ColorOutBakG();
    const std::string leftText = cp1252::FromQString(m_leftText);
    const std::string rightText = cp1252::FromQString(m_rightText);
    canvas.clearClip();
    canvas.setPen({ToTColor(outBack), 1, Canvas::PenStyle::Solid});
    canvas.setBrush({ToTColor(outBack), Canvas::BrushStyle::Solid});
    canvas.setFont(fontDesc, ToTColor(ColorOutText()));
    canvas.rectangle(0, 0, W, H);

    const int y = (H - canvas.textHeight(cp1252::FromQString(sampleText))) / 2;
    if (!m_leftText.isEmpty()) {
        const int w = canvas.textWidth(leftText);
        const int x = m_leftTextAlignment == taLeftJustify ? 7 : m_leftTextAlignment == taRightJustify ? L - w - 5 : (L - w) / 2;
        canvas.textOut(x, y, leftText);
    }
    if (!m_rightText.isEmpty()) {
        const int w = canvas.textWidth(rightText);
        const int x = m_rightTextAlignment == taLeftJustify ? R + 7
                    : m_rightTextAlignment == taRightJustify ? W - w - 6
                    : R + 1 + (W - R - w) / 2;
        canvas.textOut(x, y, rightText);
    }
    return y;
}

void TNumLab::paintBox(Canvas& canvas)
{
    const int H = height();
    const int L = m_leftSpace;
    const int R = m_leftSpace + m_labelWidth;
    const QColor labBack = ColorLabBakG();
    const QColor outline = m_frameStyle == fsNone ? labBack : m_frameStyle == fsEmbossed ? FrameLightColor() : FrameShadowColor();
    canvas.setPen({ToTColor(outline), 1, Canvas::PenStyle::Solid});
    canvas.setBrush({ToTColor(labBack), Canvas::BrushStyle::Solid});
    if (m_frameStyle == fsNone || m_frameStyle == fsSimple) {
        canvas.rectangle(L, 0, R + 2, H);
        return;
    }
    canvas.rectangle(L, 0, R + 2, H - 1);
    QColor inner, outer;
    switch (m_frameStyle) {
    case fsLowered: inner = FrameDarkColor(); outer = FrameLightColor(); break;
    case fsRaised: inner = FrameLightColor(); outer = FrameDarkColor(); break;
    case fsEmbossed: inner = outer = FrameShadowColor(); break;
    default: inner = outer = FrameLightColor(); break; // fsEngraved
    }
    canvas.setPenColor(ToTColor(inner));
    canvas.moveTo(L + 1, H - 3);
    canvas.lineTo(L + 1, 1);
    canvas.lineTo(R + 1, 1);
    canvas.setPenColor(ToTColor(outer));
    canvas.moveTo(L + 1, H - 1);
    canvas.lineTo(R + 2, H - 1);
    canvas.lineTo(R + 2, 0);
}

void TNumLab::paintValue(Canvas& canvas, const FontDesc& fontDesc, int y)
{
    const int H = height();
    const int L = m_leftSpace;
    const int R = m_leftSpace + m_labelWidth;
    QString text = FormatValue();
    const TDisplay type = m_displayType;
    if (type != dtHex && type != dtDateTime && type != dtState && type != dtBin) {
        if (m_comma)
            text.replace(QLatin1Char('.'), QLatin1Char(','));
        else
            text.replace(QLatin1Char(','), QLatin1Char('.'));
        if (m_forcePlusSign && m_value > 0)
            text.prepend(QLatin1Char('+'));
    }
    if (m_onBeforeDisplay)
        m_onBeforeDisplay(this, text);
    canvas.setFont(fontDesc, ToTColor(ColorLabText()));
    if (type != dtState && canvas.textWidth(cp1252::FromQString(text)) > m_labelWidth - 6)
        text = m_overflowIndicator;
    const std::string shown = cp1252::FromQString(text);
    const int w = canvas.textWidth(shown);
    const int x = m_alignment == taLeftJustify ? L + 4 : m_alignment == taRightJustify ? R - 2 - w : L + 2 + (m_labelWidth - w) / 2;
    // Clip rectangles leave out their right and bottom edge, as every rectangle here does.
    canvas.setClipRect({L + 3, 2, (R - 1) - (L + 3), (H - 3) - 2});
    canvas.textOut(x, y, shown);
    canvas.clearClip();
}

void TNumLab::Render()
{
    QtCanvas canvas(width(), height());
    Paint(canvas);
    m_buffer = canvas.image().copy();
}

void TNumLab::Redraw()
{
    if (!isVisible())
        return; // the picture is built when the label is shown
    Render();
    repaint();
}

void TNumLab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Render();
}

void TNumLab::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint()))
        emit OnClick(this);
}

void TNumLab::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    emit OnDblClick(this);
}

void TNumLab::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_buffer);
}

void TNumLab::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Redraw();
}

void TNumLab::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange
        || event->type() == QEvent::EnabledChange)
        Redraw();
}
