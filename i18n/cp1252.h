#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// The one place where the Qt shell turns the core's texts (Windows-1252 bytes) into Qt's and
// back. Every byte decodes to one character and encodes back to itself; a character the code
// page cannot hold is written as '?'.
namespace cp1252 {

QString Decode(QByteArrayView bytes);
QByteArray Encode(QStringView text);

QString ToQString(std::string_view bytes);
std::string FromQString(QStringView text);
// One byte per UTF-16 unit, so that positions in the text stay the same on both sides (a
// character outside the basic plane gives two '?'): for fields whose caret the core moves.
std::string FromQStringUnits(QStringView text);

}
