#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1252, the 8-bit code page the language files are written in. Decoding maps every
// byte to one character; the five bytes the code page leaves undefined map to the C1 control
// characters of the same value, as Windows itself does, so decoding and encoding round-trip
// every byte exactly. Encoding writes '?' for a character the code page cannot hold.
namespace cp1252 {

QString Decode(QByteArrayView bytes);
QByteArray Encode(QStringView text);

}
