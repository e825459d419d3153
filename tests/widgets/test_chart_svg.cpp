// The simulator tool writes charts to SVG through the same painting code as the screen.
#include "tests/widgets/chart_test_support.h"
#include "widgets/qtcanvas.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSvgGenerator>

#include <gtest/gtest.h>

using namespace charttest;

TEST(ChartSvg, RenderToAnSvgPainterWritesTracesTextAndGrid)
{
    TRChart c;
    configureRcd(c);
    stepTrace(c.Core(), {1, -1, 1, 1, -1}, 200);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(785, 281));
    svg.setViewBox(QRect(0, 0, 785, 281));
    {
        QPainter painter(&svg);
        QtCanvas canvas(painter, QPoint(0, 0), QSize(785, 281));
        c.RenderTo(canvas);
    }
    const QByteArray out = buffer.data();
    EXPECT_TRUE(out.contains("<polyline")) << out.left(400).constData();
    EXPECT_TRUE(out.contains("BF_Recovered Signals"));
    EXPECT_TRUE(out.contains("1000"));
    QDir().mkpath(QStringLiteral(DSCDMA_PICTURE_DIR));
    QFile file(QStringLiteral(DSCDMA_PICTURE_DIR "/chart_rcd.svg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(out);
}
