#pragma once

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <functional>

class Canvas;
struct FontDesc;

// A read-only number: a caption on the left, a framed value box and a unit text on the right,
// painted in one piece through an off-screen image. A value text that does not fit the box is
// replaced by OverflowIndicator. Setters repaint at once, and only when the value changed.
//
// The value texts are the core's (core/numeric/valuetext.h). dtDateTime reads Value as days since
// 1899-12-30 (the fraction is the time of day) and formats it with DTFormat, in English and
// independent of the locale; core/numeric/civildatetime.h lists the pattern letters. Like every
// text the label draws, the pattern is Windows-1252: a character outside it reads as '?'.
class TNumLab : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int LeftSpace READ LeftSpace WRITE SetLeftSpace)
    Q_PROPERTY(bool Empty READ Empty WRITE SetEmpty)
    Q_PROPERTY(int LabelWidth READ LabelWidth WRITE SetLabelWidth)
    Q_PROPERTY(int Precision READ Precision WRITE SetPrecision)
    Q_PROPERTY(bool Comma READ Comma WRITE SetComma)
    Q_PROPERTY(bool ForcePlusSign READ ForcePlusSign WRITE SetForcePlusSign)
    Q_PROPERTY(QString LeftText READ LeftText WRITE SetLeftText)
    Q_PROPERTY(QString RightText READ RightText WRITE SetRightText)
    Q_PROPERTY(TFrameStyle FrameStyle READ FrameStyle WRITE SetFrameStyle)
    Q_PROPERTY(QString StateText READ StateText WRITE SetStateText)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(TAlignment LeftTextAlignment READ LeftTextAlignment WRITE SetLeftTextAlignment)
    Q_PROPERTY(TAlignment RightTextAlignment READ RightTextAlignment WRITE SetRightTextAlignment)
    Q_PROPERTY(QString OverflowIndicator READ OverflowIndicator WRITE SetOverflowIndicator)
    Q_PROPERTY(double Value READ Value WRITE SetValue)
    Q_PROPERTY(QColor ColorLabBakG READ ColorLabBakG WRITE SetColorLabBakG)
    Q_PROPERTY(QColor ColorLabText READ ColorLabText WRITE SetColorLabText)
    Q_PROPERTY(QColor ColorOutBakG READ ColorOutBakG WRITE SetColorOutBakG)
    Q_PROPERTY(QColor ColorOutText READ ColorOutText WRITE SetColorOutText)
    Q_PROPERTY(TColorScheme ColorScheme READ ColorScheme WRITE SetColorScheme)
    Q_PROPERTY(TDisplay DisplayType READ DisplayType WRITE SetDisplayType)
    Q_PROPERTY(QString DTFormat READ DTFormat WRITE SetDTFormat)

public:
    enum TDisplay {
        dtFloat, dtFixP, dtExp, dtHex, dtZeroInt, dtInt, dtDateTime, dtState, dtBin, dtOct,
        dtDeg, dtDegMin, dtDegMinSec
    };
    Q_ENUM(TDisplay)
    enum TFrameStyle { fsNone, fsSimple, fsLowered, fsRaised, fsEmbossed, fsEngraved };
    Q_ENUM(TFrameStyle)
    enum TColorScheme { csBWG, csSystem };
    Q_ENUM(TColorScheme)
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    // Called with the value text just before the overflow check; it may change the text.
    using TBeforeDisplayEvent = std::function<void(TNumLab* Sender, QString& Text)>;

    explicit TNumLab(QWidget* parent = nullptr);

    int LeftSpace() const { return m_leftSpace; }
    bool Empty() const { return m_empty; }
    int LabelWidth() const { return m_labelWidth; }
    int Precision() const { return m_precision; }
    bool Comma() const { return m_comma; }
    bool ForcePlusSign() const { return m_forcePlusSign; }
    QString LeftText() const { return m_leftText; }
    QString RightText() const { return m_rightText; }
    TFrameStyle FrameStyle() const { return m_frameStyle; }
    QString StateText() const { return m_stateText; }
    TAlignment Alignment() const { return m_alignment; }
    TAlignment LeftTextAlignment() const { return m_leftTextAlignment; }
    TAlignment RightTextAlignment() const { return m_rightTextAlignment; }
    QString OverflowIndicator() const { return m_overflowIndicator; }
    double Value() const { return m_value; }
    // Colours as drawn now (system colours resolved against the palette).
    QColor ColorLabBakG() const { return Resolve(m_colorLabBakG); }
    QColor ColorLabText() const { return Resolve(m_colorLabText); }
    QColor ColorOutBakG() const { return Resolve(m_colorOutBakG); }
    QColor ColorOutText() const { return Resolve(m_colorOutText); }
    QColor FrameDarkColor() const { return Resolve(m_frameDarkColor); }
    QColor FrameShadowColor() const { return Resolve(m_frameShadowColor); }
    QColor FrameLightColor() const { return Resolve(m_frameLightColor); }
    TColorScheme ColorScheme() const { return m_colorScheme; }
    TDisplay DisplayType() const { return m_displayType; }
    QString DTFormat() const { return m_dtFormat; }

    // Negative values are ignored; a value beyond the width is stored as the width.
    void SetLeftSpace(int space);
    void SetEmpty(bool empty);
    void SetLabelWidth(int width);
    // Negative values are ignored; values above 15 are stored as 15.
    void SetPrecision(int precision);
    void SetComma(bool comma);
    void SetForcePlusSign(bool force);
    void SetLeftText(const QString& text);
    void SetRightText(const QString& text);
    void SetFrameStyle(TFrameStyle style);
    void SetStateText(const QString& text);
    void SetAlignment(TAlignment alignment);
    void SetLeftTextAlignment(TAlignment alignment);
    void SetRightTextAlignment(TAlignment alignment);
    void SetOverflowIndicator(const QString& text);
    void SetValue(double value);
    void SetColorLabBakG(const QColor& color);
    void SetColorLabText(const QColor& color);
    void SetColorOutBakG(const QColor& color);
    void SetColorOutText(const QColor& color);
    // csBWG: shadow grey, highlight white; csSystem: the palette's button shadow and highlight.
    void SetColorScheme(TColorScheme scheme);
    void SetDisplayType(TDisplay type);
    void SetDTFormat(const QString& format);
    void SetOnBeforeDisplay(TBeforeDisplayEvent handler) { m_onBeforeDisplay = std::move(handler); }

    // Copies the look and the value of another label (not Comma, ForcePlusSign, DTFormat or the
    // event) and repaints. Returns false, changing nothing, when `source` is not a TNumLab.
    bool Assign(const QObject* source);

    // The value text before separators, sign and the overflow check: the formatting alone.
    QString FormatValue() const;
    // The whole picture, width() x height(), drawn on any surface.
    void Paint(Canvas& canvas);

signals:
    void OnClick(TNumLab* Sender);
    void OnDblClick(TNumLab* Sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A colour either given directly or taken from the palette when drawn.
    struct LabColor
    {
        QColor direct;
        QPalette::ColorRole role = QPalette::NoRole;
        bool operator==(const LabColor&) const = default;
    };
    QColor Resolve(const LabColor& c) const;
    void SetColor(LabColor& target, const LabColor& value);
    // The parts of Paint: the background with the side texts (returns the row of every text),
    // the value box, the value.
    int paintSides(Canvas& canvas, const FontDesc& fontDesc);
    void paintBox(Canvas& canvas);
    void paintValue(Canvas& canvas, const FontDesc& fontDesc, int y);
    void Render();
    void Redraw();

    int m_leftSpace = 35;
    bool m_empty = false;
    int m_labelWidth = 80;
    int m_precision = 2;
    bool m_comma = false;
    bool m_forcePlusSign = false;
    QString m_leftText;
    QString m_rightText;
    TFrameStyle m_frameStyle = fsLowered;
    QString m_stateText = QStringLiteral("undefined");
    TAlignment m_alignment = taCenter;
    TAlignment m_leftTextAlignment = taRightJustify;
    TAlignment m_rightTextAlignment = taLeftJustify;
    QString m_overflowIndicator = QStringLiteral("*********");
    double m_value = 0.0;
    LabColor m_colorLabBakG{QColor(), QPalette::Button};
    LabColor m_colorLabText{QColor(Qt::black)};
    LabColor m_colorOutBakG{QColor(), QPalette::Button};
    LabColor m_colorOutText{QColor(Qt::black)};
    LabColor m_frameDarkColor{QColor(Qt::black)};
    LabColor m_frameShadowColor{QColor(0x80, 0x80, 0x80)};
    LabColor m_frameLightColor{QColor(0xFF, 0xFF, 0xFF)};
    TColorScheme m_colorScheme = csBWG;
    TDisplay m_displayType = dtFixP;
    QString m_dtFormat = QStringLiteral("mmm-dd, yyyy");
    TBeforeDisplayEvent m_onBeforeDisplay;

    QImage m_buffer; // the finished picture; paintEvent only copies it
};
