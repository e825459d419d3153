#pragma once

#include "core/numeric/keyfield.h"

#include <QColor>
#include <QLineEdit>
#include <QString>

// A one-line edit for numbers. Every change of the text, typed or set, is checked at once: a text
// that does not parse under InputFormat, or whose value lies outside [RangeLow, RangeHigh], is
// replaced by the last text that passed, optionally with a beep. Only accepted texts are passed
// on, through OnChange; QLineEdit's own textChanged still fires for every edit.
//
// Text set before the field's window exists (while its owner lays itself out) is not checked
// and does not become LastValidText; checking starts once the window has been created.
//
// What a change leads to is the core's decision (CheckKeyField); the field carries out the steps
// it returns, so that any other front end decides every edit the same way.
class TNumIO : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(TInFormat InputFormat READ InputFormat WRITE SetInputFormat)
    Q_PROPERTY(int FixPointDecPlaces READ FixPointDecPlaces WRITE SetFixPointDecPlaces)
    Q_PROPERTY(bool Beep READ Beep WRITE SetBeep)
    Q_PROPERTY(double RangeLow READ RangeLow WRITE SetRangeLow)
    Q_PROPERTY(double RangeHigh READ RangeHigh WRITE SetRangeHigh)
    Q_PROPERTY(TDecPSep DecPlaceSep READ DecPlaceSep WRITE SetDecPlaceSep)
    Q_PROPERTY(double Value READ Value)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)

public:
    explicit TNumIO(QWidget* parent = nullptr);

    TInFormat InputFormat() const { return m_inputFormat; }
    int FixPointDecPlaces() const { return m_fixPointDecPlaces; }
    bool Beep() const { return m_beep; }
    double RangeLow() const { return m_rangeLow; }
    double RangeHigh() const { return m_rangeHigh; }
    TDecPSep DecPlaceSep() const { return m_decPlaceSep; }
    QString LastValidText() const;
    QColor Color() const;

    // Format and separator changes forget the last valid text and check the current one.
    void SetInputFormat(TInFormat format);
    void SetDecPlaceSep(TDecPSep separator);
    // Kept within 1..8; the text is not checked again.
    void SetFixPointDecPlaces(int places);
    void SetBeep(bool beep) { m_beep = beep; }
    // A bound that crosses the other one swaps the two (low 20 on [0, 10] gives [10, 20]).
    // Always forgets the last valid text and checks the current one. NaN is ignored.
    void SetRangeLow(double low);
    void SetRangeHigh(double high);
    // Background of the edit area.
    void SetColor(const QColor& color);

    // The number the text shows; a decimal comma is read too. 0 when the text does not parse.
    double Value() const;

    // Validity and value of `text` under the current format and separator.
    bool ParseText(const QString& text, double& value) const;
    // The field's rules as the core takes them.
    KeyFieldRules Rules() const;

    // Takes format, beep, range and separator of another field, without checking the text.
    // Returns false, changing nothing, when `source` is not a TNumIO.
    bool Assign(const QObject* source);

signals:
    // An accepted text, typed or set.
    void OnChange(TNumIO* Sender);

private:
    void Change();
    void Carry(const std::vector<KeyFieldStep>& steps);
    QString Shown(const std::string& text) const;
    bool WindowExists() const;
    char SystemSeparator() const;

    TInFormat m_inputFormat = itDynamic;
    int m_fixPointDecPlaces = 2;
    std::string m_lastValidText;
    bool m_beep = false;
    double m_rangeLow = 0.0;
    double m_rangeHigh = 0.0;
    TDecPSep m_decPlaceSep = dsDot;

    // The checks of a text the field sets itself, carried out inside that text's change
    // notification, where the decision put them.
    const std::vector<KeyFieldStep>* m_pendingNested = nullptr;
};

Q_DECLARE_METATYPE(TInFormat)
Q_DECLARE_METATYPE(TDecPSep)
