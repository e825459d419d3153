#pragma once

#include "core/chart/chartprops.h"

#include <QFont>
#include <QObject>
#include <QString>

// The scale settings of one layer in one direction as the chart control publishes them: Qt
// properties for the stored layout and the translator's walk, over the core chart's ScaleProps,
// which validates and tells the chart.
class TScaleProps : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int CaptionPosX READ CaptionPosX WRITE SetCaptionPosX)
    Q_PROPERTY(int CaptionPosY READ CaptionPosY WRITE SetCaptionPosY)
    Q_PROPERTY(TAlignment CaptionAlignment READ CaptionAlignment WRITE SetCaptionAlignment)
    Q_PROPERTY(TScaleUnitAnchor CaptionAnchor READ CaptionAnchor WRITE SetCaptionAnchor)
    Q_PROPERTY(TColor ColorScale READ ColorScale WRITE SetColorScale)
    Q_PROPERTY(int DecPlaces READ DecPlaces WRITE SetDecPlaces)
    Q_PROPERTY(QFont Font READ Font WRITE SetFont)
    Q_PROPERTY(bool Logarithmic READ Logarithmic WRITE SetLogarithmic)
    Q_PROPERTY(TFigType LabelType READ LabelType WRITE SetLabelType)
    Q_PROPERTY(int MinTicks READ MinTicks WRITE SetMinTicks)
    Q_PROPERTY(double MinRange READ MinRange WRITE SetMinRange)
    Q_PROPERTY(double RangeLow READ RangeLow WRITE SetRangeLow)
    Q_PROPERTY(double RangeHigh READ RangeHigh WRITE SetRangeHigh)
    Q_PROPERTY(bool ShortTicks READ ShortTicks WRITE SetShortTicks)
    Q_PROPERTY(QString ScaleInscript READ ScaleInscript WRITE SetScaleInscript)
    Q_PROPERTY(int ScalePos READ ScalePos WRITE SetScalePos)
    Q_PROPERTY(QString UserTickText READ UserTickText WRITE SetUserTickText)
    Q_PROPERTY(QString DateFormat READ DateFormat WRITE SetDateFormat)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(TScaleLocation ScaleLocation READ ScaleLocation WRITE SetScaleLocation)

public:
    ScaleProps& Core() const { return *m_s; }
    const ScaleSettings& Settings() const { return m_s->Settings(); }
    int Layer() const { return m_s->Layer(); }
    bool IsHorizontal() const { return m_s->IsHorizontal(); }

    QString Caption() const;
    void SetCaption(const QString& v);
    int CaptionPosX() const { return m_s->CaptionPosX(); }
    void SetCaptionPosX(int v) { m_s->SetCaptionPosX(v); }
    int CaptionPosY() const { return m_s->CaptionPosY(); }
    void SetCaptionPosY(int v) { m_s->SetCaptionPosY(v); }
    TAlignment CaptionAlignment() const { return m_s->CaptionAlignment(); }
    void SetCaptionAlignment(TAlignment v) { m_s->SetCaptionAlignment(v); }
    TScaleUnitAnchor CaptionAnchor() const { return m_s->CaptionAnchor(); }
    void SetCaptionAnchor(TScaleUnitAnchor v) { m_s->SetCaptionAnchor(v); }
    TColor ColorScale() const { return m_s->ColorScale(); }
    void SetColorScale(TColor v) { m_s->SetColorScale(v); }
    int DecPlaces() const { return m_s->DecPlaces(); }
    void SetDecPlaces(int v) { m_s->SetDecPlaces(v); }
    QFont Font() const;
    void SetFont(const QFont& v);
    bool Logarithmic() const { return m_s->Logarithmic(); }
    void SetLogarithmic(bool v) { m_s->SetLogarithmic(v); }
    TFigType LabelType() const { return m_s->LabelType(); }
    void SetLabelType(TFigType v) { m_s->SetLabelType(v); }
    int MinTicks() const { return m_s->MinTicks(); }
    void SetMinTicks(int v) { m_s->SetMinTicks(v); }
    double MinRange() const { return m_s->MinRange(); }
    void SetMinRange(double v) { m_s->SetMinRange(v); }
    double RangeLow() const { return m_s->RangeLow(); }
    void SetRangeLow(double v) { m_s->SetRangeLow(v); }
    double RangeHigh() const { return m_s->RangeHigh(); }
    void SetRangeHigh(double v) { m_s->SetRangeHigh(v); }
    bool ShortTicks() const { return m_s->ShortTicks(); }
    void SetShortTicks(bool v) { m_s->SetShortTicks(v); }
    QString ScaleInscript() const;
    void SetScaleInscript(const QString& v);
    int ScalePos() const { return m_s->ScalePos(); }
    void SetScalePos(int v) { m_s->SetScalePos(v); }
    QString UserTickText() const;
    void SetUserTickText(const QString& v);
    QString DateFormat() const;
    void SetDateFormat(const QString& v);
    bool Visible() const { return m_s->Visible(); }
    void SetVisible(bool v) { m_s->SetVisible(v); }
    TScaleLocation ScaleLocation() const { return m_s->ScaleLocation(); }
    void SetScaleLocation(TScaleLocation v) { m_s->SetScaleLocation(v); }
    TScaleLocation EffectiveLocation() const { return m_s->EffectiveLocation(); }

protected:
    TScaleProps(ScaleProps& scale, QObject* parent);

private:
    ScaleProps* m_s;
};

class TScalePropsHoriz final : public TScaleProps
{
    Q_OBJECT
public:
    TScalePropsHoriz(ScaleProps& scale, QObject* parent);
};

class TScalePropsVert final : public TScaleProps
{
    Q_OBJECT
public:
    TScalePropsVert(ScaleProps& scale, QObject* parent);
};
