#pragma once

#include <QIcon>

// The program's own images, compiled in under ":/dscdma/": the application icon and the glyphs
// of the bitmap buttons. Each accessor makes the resources available first, which a static
// library cannot do by itself.
namespace resources {

void init();

QIcon applicationIcon();
QIcon aboutGlyph();
QIcon exitGlyph();
QIcon okGlyph();

} // namespace resources
