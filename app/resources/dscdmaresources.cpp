#include "app/resources/dscdmaresources.h"

#include <initializer_list>

// Q_INIT_RESOURCE declares a function and so must stand outside any namespace.
static void initDscdmaResources()
{
    Q_INIT_RESOURCE(dscdma);
}

namespace resources {
namespace {

QIcon iconFromPngs(const QString& stem, std::initializer_list<int> sizes)
{
    init();
    QIcon icon;
    for (int size : sizes)
        icon.addFile(QStringLiteral(":/dscdma/%1-%2.png").arg(stem).arg(size), QSize(size, size));
    return icon;
}

} // namespace

void init()
{
    static const bool done = (initDscdmaResources(), true);
    (void)done;
}

QIcon applicationIcon()
{
    return iconFromPngs(QStringLiteral("dscdma"), {16, 24, 32, 48, 64, 128, 256});
}

QIcon aboutGlyph()
{
    return iconFromPngs(QStringLiteral("about"), {16, 32});
}

QIcon exitGlyph()
{
    return iconFromPngs(QStringLiteral("exit"), {16, 32});
}

QIcon okGlyph()
{
    return iconFromPngs(QStringLiteral("ok"), {16, 32});
}

} // namespace resources
