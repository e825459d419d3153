#include "widgets/scale.h"

#include "i18n/cp1252.h"
#include "widgets/qtconvert.h"

TScaleProps::TScaleProps(ScaleProps& scale, QObject* parent)
    : QObject(parent)
    , m_s(&scale)
{
    setObjectName(QStringLiteral("Scale%1%2").arg(scale.Layer()).arg(scale.IsHorizontal() ? u'X' : u'Y'));
}

TScalePropsHoriz::TScalePropsHoriz(ScaleProps& scale, QObject* parent)
    : TScaleProps(scale, parent)
{
}

TScalePropsVert::TScalePropsVert(ScaleProps& scale, QObject* parent)
    : TScaleProps(scale, parent)
{
}

QString TScaleProps::Caption() const
{
    return cp1252::ToQString(m_s->Caption());
}

void TScaleProps::SetCaption(const QString& v)
{
    m_s->SetCaption(cp1252::FromQString(v));
}

QFont TScaleProps::Font() const
{
    return ToQFont(m_s->Font());
}

void TScaleProps::SetFont(const QFont& v)
{
    m_s->SetFont(ToFontDesc(v));
}

QString TScaleProps::ScaleInscript() const
{
    return cp1252::ToQString(m_s->ScaleInscript());
}

void TScaleProps::SetScaleInscript(const QString& v)
{
    m_s->SetScaleInscript(cp1252::FromQString(v));
}

QString TScaleProps::UserTickText() const
{
    return cp1252::ToQString(m_s->UserTickText());
}

void TScaleProps::SetUserTickText(const QString& v)
{
    m_s->SetUserTickText(cp1252::FromQString(v));
}

QString TScaleProps::DateFormat() const
{
    return cp1252::ToQString(m_s->DateFormat());
}

void TScaleProps::SetDateFormat(const QString& v)
{
    m_s->SetDateFormat(cp1252::FromQString(v));
}
