#pragma once

#include "i18n/Babelfish2000.h"

#include <QBuffer>
#include <QByteArray>

// Loads a language file given as bytes, as the program loads one from disk or from the server.
inline void Load(TBabelfish2000& engine, const QByteArray& file)
{
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    engine.LoadFromStream(buffer);
}
