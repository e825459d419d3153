#pragma once

#include "link/tutorixcodec.h"

#include <QByteArray>

// How the reference server writes what it handles, one line each: handles as 8 hex digits,
// time stamps as day:milliseconds, texts with their odd bytes escaped.
namespace servertext {

// Bytes outside '!'..'~', and '%', as %XX; and back.
QByteArray Escape(const QByteArray& bytes);
QByteArray Unescape(const QByteArray& text);
QByteArray Hex(quint32 handle);
QByteArray StampText(TTimeStamp stamp);
// "handle=H mutex=H file=F title=T"
QByteArray RecordFields(const TEntityRecord& record);

} // namespace servertext
