// The Qt shell's edge: texts, colours, rectangles and fonts between the core's types and Qt's.
#include "i18n/cp1252.h"
#include "widgets/qtconvert.h"
#include "widgets/rchart.h"

#include <QApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string EveryByte()
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    return all;
}

TEST(QtEdgeTexts, EveryByteRoundTripsThroughTheChartAndItsPublishedProperties)
{
    const std::string all = EveryByte();
    const QString shown = cp1252::ToQString(all);
    ASSERT_EQ(shown.size(), 256);
    EXPECT_EQ(shown[0x80], QChar(0x20AC));
    EXPECT_EQ(shown[0x81], QChar(0x81)); // undefined in the code page: the C1 control

    TRChart c;
    c.SetCaption(shown);
    EXPECT_EQ(c.Core().Caption(), all);
    EXPECT_EQ(c.Caption(), shown);
    ASSERT_TRUE(c.setProperty("Caption", shown));
    EXPECT_EQ(c.Core().Caption(), all);

    c.Scale2Y()->setProperty("Caption", shown);
    EXPECT_EQ(c.Core().ScaleY(2).Caption(), all);
    EXPECT_EQ(c.Scale2Y()->Caption(), shown);
    c.Core().ScaleX(1).SetScaleInscript(all);
    EXPECT_EQ(c.Scale1X()->property("ScaleInscript").toString(), shown);

    c.AddTextLabel(clBlack, shown, 0, 0, 0); // no label is free yet: nothing taken
    c.TextLabel(4)->SetMode(tlOff);
    ASSERT_EQ(c.AddTextLabel(clBlack, shown, 0, 0, 0), 4);
    EXPECT_EQ(c.TextLabel(4)->Caption(), all);
}

TEST(QtEdgeTexts, ACharacterOutsideTheCodePageBecomesOneQuestionMark)
{
    EXPECT_EQ(cp1252::FromQString(QStringLiteral("a\u0101b")), "a?b");
    EXPECT_EQ(cp1252::FromQString(QString::fromUtf8("\xF0\x9F\x98\x80")), "?");
    // unit by unit, a pair of surrogates keeps its two places
    EXPECT_EQ(cp1252::FromQStringUnits(QString::fromUtf8("x\xF0\x9F\x98\x80y")), "x??y");
    EXPECT_EQ(cp1252::FromQStringUnits(QStringLiteral("\u20AC5")), "\x80" "5");
}

TEST(QtEdgeColours, PlainColoursAsTheyStandSystemColoursFromThePalette)
{
    EXPECT_EQ(ToQColor(0x0000DD), QColor(0xDD, 0, 0));
    EXPECT_EQ(ToQColor(0xF9EBC1), QColor(0xC1, 0xEB, 0xF9));
    EXPECT_EQ(ToQColor(0x01123456), QColor(0x56, 0x34, 0x12)); // the top byte of a plain colour is no alpha
    EXPECT_EQ(ToQColor(clBtnFace), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(ToQColor(clGrayText), QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    EXPECT_EQ(ToQColor(clSystemColor | 99), QColor(0, 0, 0)); // an index the palette lacks: classic black
    for (TColor c : {TColor(0), TColor(0xFFFFFF), TColor(0x123456), TColor(0x808080)})
        EXPECT_EQ(ToTColor(ToQColor(c)), c);
    EXPECT_EQ(ToTColor(QColor(1, 2, 3, 4)), RgbColor(1, 2, 3));
}

TEST(QtEdgeGeometry, RectanglesKeepTheirPixels)
{
    const Rect r{3, 4, 10, 20};
    EXPECT_EQ(ToQRect(r), QRect(3, 4, 10, 20));
    EXPECT_EQ(ToRect(ToQRect(r)), r);
    EXPECT_EQ(ToQRect(r).right(), r.right());
    EXPECT_EQ(ToQRect(r).bottom(), r.bottom());
    EXPECT_EQ(ToPoint(QPoint(-5, 7)), (Point{-5, 7}));
    EXPECT_EQ(ToSize(QSize(8, 9)), (Size{8, 9}));
}

TEST(QtEdgeFonts, AFontComesBackAsItWasGiven)
{
    QFont form;
    form.setFamilies({"MS Sans Serif", "Liberation Sans", "DejaVu Sans"});
    form.setPixelSize(13);
    form.setBold(true);
    const FontDesc desc = ToFontDesc(form);
    EXPECT_EQ(desc.Face, "MS Sans Serif,Liberation Sans,DejaVu Sans");
    EXPECT_EQ(desc.PixelSize, 13);
    EXPECT_EQ(desc.Style, fsBold);
    const QFont back = ToQFont(desc);
    EXPECT_EQ(back.families(), form.families());
    EXPECT_EQ(back.pixelSize(), 13);
    EXPECT_TRUE(back.bold());
    EXPECT_EQ(QFontInfo(back).family(), QFontInfo(form).family());

    const FontDesc chart = DefaultChartFont();
    const QFont chartFont = ToQFont(chart);
    EXPECT_EQ(chartFont.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(chartFont.pixelSize(), 11);
    EXPECT_EQ(ToFontDesc(chartFont), chart);

    QFont points(QStringLiteral("DejaVu Serif"), 9);
    points.setItalic(true);
    points.setUnderline(true);
    const FontDesc pointDesc = ToFontDesc(points);
    EXPECT_EQ(pointDesc.PixelSize, 0);
    EXPECT_EQ(pointDesc.PointSize, 9);
    EXPECT_EQ(pointDesc.Style, fsItalic | fsUnderline);
    EXPECT_EQ(ToQFont(pointDesc).pointSizeF(), 9);
}

} // namespace
