#include "i18n/cp1252.h"
#include "widgets/numlab.h"
#include "widgets/qtconvert.h"

#include "core/chart/recordingcanvas.h"
#include "widgets/qtcanvas.h"

#include <QEvent>
#include <QLabel>
#include <QTest>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

using Op = RecordingCanvas::Op;
using Kind = RecordingCanvas::OpKind;

const QString Degree = QString(QChar(0x00B0));

// NLabPG of the main window.
void makeProcessingGainLabel(TNumLab& lab)
{
    lab.resize(169, 22);
    lab.SetLeftText("Gain");
    lab.SetLeftTextAlignment(TNumLab::taRightJustify);
    lab.SetLeftSpace(108);
    lab.SetLabelWidth(50);
    lab.SetDisplayType(TNumLab::dtInt);
    lab.SetValue(8);
    lab.SetAlignment(TNumLab::taCenter);
    lab.SetFrameStyle(TNumLab::fsLowered);
    lab.SetColorScheme(TNumLab::csBWG);
}

std::vector<Op> paint(TNumLab& lab, RecordingCanvas& canvas)
{
    canvas.clearOps();
    lab.Paint(canvas);
    return canvas.ops();
}

// The value text is the only text drawn in the label colour after the clip is set.
const Op* valueText(const std::vector<Op>& ops)
{
    bool clipped = false;
    for (const Op& op : ops) {
        if (op.kind == Kind::Clip)
            clipped = true;
        if (clipped && op.kind == Kind::Text)
            return &op;
    }
    return nullptr;
}

QString shown(TNumLab& lab)
{
    RecordingCanvas canvas(lab.width(), lab.height());
    const auto ops = paint(lab, canvas);
    const Op* t = valueText(ops);
    return t ? cp1252::ToQString(t->text) : QStringLiteral("<none>");
}

const double NaN = std::numeric_limits<double>::quiet_NaN();

struct DisplayRow
{
    TNumLab::TDisplay type;
    double value;
    int precision;
    QString text;
};

void PrintTo(const DisplayRow& r, std::ostream* os)
{
    *os << "type " << int(r.type) << " value " << r.value << " precision " << r.precision;
}

class NumLabDisplay : public ::testing::TestWithParam<DisplayRow> {};

// Each display type draws its own notation of the core's (core/numeric, where the notations are
// tested): values and precisions are chosen so that no two types give the same text.
TEST_P(NumLabDisplay, DrawsTheNotationOfItsDisplayType)
{
    const DisplayRow& r = GetParam();
    TNumLab lab;
    lab.SetDisplayType(r.type);
    lab.SetPrecision(r.precision);
    lab.SetDTFormat("yyyy-mm");
    lab.SetValue(r.value);
    lab.SetLabelWidth(1000); // nothing overflows for width here
    EXPECT_EQ(shown(lab), r.text);
}

INSTANTIATE_TEST_SUITE_P(EveryType, NumLabDisplay, ::testing::Values(
    DisplayRow{TNumLab::dtFloat, 0.5, 3, "0.5"},
    DisplayRow{TNumLab::dtFixP, 0.5, 3, "0.500"},
    DisplayRow{TNumLab::dtExp, 0.5, 3, "5.00e-01"},
    DisplayRow{TNumLab::dtHex, 255, 4, "00FF"},
    DisplayRow{TNumLab::dtZeroInt, 7, 3, "007"},
    DisplayRow{TNumLab::dtInt, 7, 3, "7"},
    DisplayRow{TNumLab::dtDateTime, 45000, 3, "2023-03"},
    DisplayRow{TNumLab::dtState, 7, 3, "undefined"},
    DisplayRow{TNumLab::dtBin, 5, 4, "0101"},
    DisplayRow{TNumLab::dtOct, 8, 3, "010"},
    DisplayRow{TNumLab::dtDeg, 12.5, 1, "12.5" + Degree},
    DisplayRow{TNumLab::dtDegMin, 12.5, 2, "12" + Degree + " 30.00'"},
    DisplayRow{TNumLab::dtDegMinSec, 12.5125, 1, "12" + Degree + " 30' 45.0\""},
    // A value that has no text in the notation shows the indicator.
    DisplayRow{TNumLab::dtInt, NaN, 2, "*********"},
    DisplayRow{TNumLab::dtHex, 4294967296.0, 8, "*********"},
    DisplayRow{TNumLab::dtDateTime, 2958466, 2, "*********"}));

TEST(NumLabText, FormatValueGivesTheTextInQtCharacters)
{
    TNumLab lab;
    lab.SetDisplayType(TNumLab::dtDeg);
    lab.SetPrecision(1);
    lab.SetValue(-12.5);
    EXPECT_EQ(lab.FormatValue(), "-12.5" + Degree);
    lab.SetDisplayType(TNumLab::dtInt);
    lab.SetValue(NaN);
    lab.SetOverflowIndicator(QStringLiteral("\u2026"));
    EXPECT_EQ(lab.FormatValue(), QStringLiteral("\u2026"));
}

// The pattern is converted to Windows-1252 like every text the label draws.
TEST(NumLabText, DatePatternIsWindows1252Text)
{
    TNumLab lab;
    lab.SetDisplayType(TNumLab::dtDateTime);
    lab.SetLabelWidth(1000);
    lab.SetValue(45000);
    lab.SetDTFormat(QStringLiteral("\u00C4ra yyyy \u2192 mmm"));
    EXPECT_EQ(lab.FormatValue(), QStringLiteral("\u00C4ra 2023 ? Mar"));
    EXPECT_EQ(shown(lab), QStringLiteral("\u00C4ra 2023 ? Mar"));
}

TEST(NumLabText, SeparatorAndPlusSignRules)
{
    TNumLab lab;
    lab.SetDisplayType(TNumLab::dtFixP);
    lab.SetValue(3.14159);
    lab.SetComma(true);
    EXPECT_EQ(shown(lab), "3,14");
    lab.SetForcePlusSign(true);
    EXPECT_EQ(shown(lab), "+3,14");
    lab.SetValue(-3.14159);
    EXPECT_EQ(shown(lab), "-3,14");
    lab.SetValue(0);
    EXPECT_EQ(shown(lab), "0,00");

    lab.SetDisplayType(TNumLab::dtInt);
    lab.SetValue(8);
    EXPECT_EQ(shown(lab), "+8");
    lab.SetDisplayType(TNumLab::dtHex); // neither sign nor separator for these
    EXPECT_EQ(shown(lab), "08");
    lab.SetDisplayType(TNumLab::dtState);
    lab.SetStateText("a.b");
    EXPECT_EQ(shown(lab), "a.b");
}

TEST(NumLabText, BeforeDisplayMayChangeTheTextAndOverflowStillApplies)
{
    TNumLab lab;
    lab.SetDisplayType(TNumLab::dtInt);
    lab.SetValue(8);
    TNumLab* seenSender = nullptr;
    QString seenText;
    lab.SetOnBeforeDisplay([&](TNumLab* sender, QString& text) {
        seenSender = sender;
        seenText = text;
        text = "eight";
    });
    EXPECT_EQ(shown(lab), "eight");
    EXPECT_EQ(seenSender, &lab);
    EXPECT_EQ(seenText, "8");
    lab.SetOnBeforeDisplay([](TNumLab*, QString& text) { text = QString(20, QLatin1Char('x')); });
    EXPECT_EQ(shown(lab), "*********");
}

TEST(NumLabText, StateTextIsNeverReplacedByTheIndicator)
{
    TNumLab lab;
    lab.SetLabelWidth(20);
    lab.SetDisplayType(TNumLab::dtState);
    lab.SetStateText("a long state text");
    EXPECT_EQ(shown(lab), "a long state text");
    lab.SetDisplayType(TNumLab::dtFixP);
    EXPECT_EQ(shown(lab), "*********");
}

// The main window's label, on the recording canvas (characters 7 wide, texts 13 high).
TEST(NumLabGeometry, ProcessingGainLabel)
{
    TNumLab lab;
    makeProcessingGainLabel(lab);
    RecordingCanvas canvas(169, 22);
    const auto ops = paint(lab, canvas);
    const QColor face = lab.palette().color(QPalette::Button);

    const auto rects = canvas.ops(Kind::Rectangle);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(ToQRect(rects[0].rect), QRect(QPoint(0, 0), QPoint(169, 22)));
    EXPECT_EQ(rects[0].brush.color, ToTColor(face));
    EXPECT_EQ(ToQRect(rects[1].rect), QRect(QPoint(108, 0), QPoint(160, 21)));
    EXPECT_EQ(rects[1].pen.color, ToTColor(QColor(0x80, 0x80, 0x80)));
    EXPECT_EQ(rects[1].brush.color, ToTColor(face));

    const auto lines = canvas.ops(Kind::Line);
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::pair<QPoint, QPoint>> expected = {
        {{109, 19}, {109, 1}}, {{109, 1}, {159, 1}}, {{109, 21}, {160, 21}}, {{160, 21}, {160, 0}}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ToQPoint(lines[i].points.at(0)), expected[i].first) << i;
        EXPECT_EQ(ToQPoint(lines[i].points.at(1)), expected[i].second) << i;
        EXPECT_EQ(lines[i].pen.color, ToTColor(i < 2 ? QColor(Qt::black) : QColor(Qt::white))) << i;
    }

    const auto texts = canvas.ops(Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Gain");
    EXPECT_EQ(ToQPoint(texts[0].points.at(0)), QPoint(108 - 5 - 28, 4)); // ends 5 pixels before the box
    const auto clips = canvas.ops(Kind::Clip);
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(ToQRect(clips[0].rect), QRect(QPoint(111, 2), QPoint(156, 18))); // (111, 2)-(157, 19) exclusive
    EXPECT_EQ(texts[1].text, "8");
    EXPECT_EQ(ToQPoint(texts[1].points.at(0)), QPoint(110 + (50 - 7) / 2, 4));
    EXPECT_EQ(texts[1].fontColor, ToTColor(QColor(Qt::black)));
    EXPECT_EQ(canvas.ops(Kind::ClearClip).size(), 2u); // before and after
}

TEST(NumLabGeometry, IndicatorAboveFortyFourPixels)
{
    TNumLab lab;
    makeProcessingGainLabel(lab);
    lab.SetValue(123456); // 42 pixels
    EXPECT_EQ(shown(lab), "123456");
    lab.SetValue(1234567); // 49 pixels
    RecordingCanvas canvas(169, 22);
    const auto ops = paint(lab, canvas);
    const Op* t = valueText(ops);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->text, "*********");
    EXPECT_EQ(t->points.at(0).x, 110 + (50 - 63) / 2); // placed by the indicator's own width
}

struct FrameRow
{
    TNumLab::TFrameStyle style;
    int rectBottom;
    QColor outline;
    QColor inner, outer; // invalid: no bevel lines
};

class NumLabFrame : public ::testing::TestWithParam<FrameRow> {};

TEST_P(NumLabFrame, DrawsTheBevel)
{
    const FrameRow& r = GetParam();
    TNumLab lab;
    makeProcessingGainLabel(lab);
    lab.SetColorLabBakG(QColor(1, 2, 3));
    lab.SetFrameStyle(r.style);
    RecordingCanvas canvas(169, 22);
    paint(lab, canvas);
    const auto rects = canvas.ops(Kind::Rectangle);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(ToQRect(rects[1].rect), QRect(QPoint(108, 0), QPoint(160, r.rectBottom)));
    EXPECT_EQ(rects[1].pen.color, ToTColor(r.outline));
    const auto lines = canvas.ops(Kind::Line);
    if (!r.inner.isValid()) {
        EXPECT_TRUE(lines.empty());
        return;
    }
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].pen.color, ToTColor(r.inner));
    EXPECT_EQ(lines[1].pen.color, ToTColor(r.inner));
    EXPECT_EQ(lines[2].pen.color, ToTColor(r.outer));
    EXPECT_EQ(lines[3].pen.color, ToTColor(r.outer));
}

const QColor grey(0x80, 0x80, 0x80);
const QColor white(Qt::white);
const QColor black(Qt::black);

INSTANTIATE_TEST_SUITE_P(Styles, NumLabFrame, ::testing::Values(
    FrameRow{TNumLab::fsNone, 22, QColor(1, 2, 3), QColor(), QColor()},
    FrameRow{TNumLab::fsSimple, 22, grey, QColor(), QColor()},
    FrameRow{TNumLab::fsLowered, 21, grey, black, white},
    FrameRow{TNumLab::fsRaised, 21, grey, white, black},
    FrameRow{TNumLab::fsEmbossed, 21, white, grey, grey},
    FrameRow{TNumLab::fsEngraved, 21, grey, white, white}));

struct AlignRow
{
    TNumLab::TAlignment align;
    int leftX, rightX, valueX;
};

class NumLabAlign : public ::testing::TestWithParam<AlignRow> {};

// Width 200, height 28, LeftSpace 60, LabelWidth 80: R = 140; texts "ab" (14), "xyz" (21), "12" (14).
TEST_P(NumLabAlign, PlacesTheTexts)
{
    const AlignRow& r = GetParam();
    TNumLab lab;
    lab.resize(200, 28);
    lab.SetLeftSpace(60);
    lab.SetLabelWidth(80);
    lab.SetLeftText("ab");
    lab.SetRightText("xyz");
    lab.SetDisplayType(TNumLab::dtInt);
    lab.SetValue(12);
    lab.SetLeftTextAlignment(r.align);
    lab.SetRightTextAlignment(r.align);
    lab.SetAlignment(r.align);
    RecordingCanvas canvas(200, 28);
    paint(lab, canvas);
    const auto texts = canvas.ops(Kind::Text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(ToQPoint(texts[0].points.at(0)), QPoint(r.leftX, 7));
    EXPECT_EQ(ToQPoint(texts[1].points.at(0)), QPoint(r.rightX, 7));
    EXPECT_EQ(ToQPoint(texts[2].points.at(0)), QPoint(r.valueX, 7));
}

INSTANTIATE_TEST_SUITE_P(Alignments, NumLabAlign, ::testing::Values(
    AlignRow{TNumLab::taLeftJustify, 7, 147, 64},
    AlignRow{TNumLab::taRightJustify, 60 - 14 - 5, 200 - 21 - 6, 140 - 2 - 14},
    AlignRow{TNumLab::taCenter, (60 - 14) / 2, 141 + (200 - 140 - 21) / 2, 62 + (80 - 14) / 2}));

TEST(NumLabGeometry, EmptyDrawsTheBoxAndSideTextsOnly)
{
    TNumLab lab;
    lab.SetLeftText("left");
    lab.SetRightText("V");
    lab.SetEmpty(true);
    RecordingCanvas canvas(160, 28);
    const auto ops = paint(lab, canvas);
    EXPECT_EQ(canvas.ops(Kind::Text).size(), 2u);
    EXPECT_EQ(canvas.ops(Kind::Rectangle).size(), 2u);
    EXPECT_EQ(valueText(ops), nullptr);
}

// A label as it comes, seen through what it draws: each default the label's description fixes
// shows in the picture (the stored layout of the main window leaves the colours, the
// indicator and the right side to them). Only the side texts are given, to have something to
// align; characters are 7 pixels wide and 13 high.
TEST(NumLabProperties, AFreshLabelDrawsItsDefaults)
{
    TNumLab lab;
    lab.SetLeftText("ab");
    lab.SetRightText("V");
    ASSERT_EQ(lab.size(), QSize(160, 28));
    RecordingCanvas canvas(lab.width(), lab.height());
    const auto ops = paint(lab, canvas);
    const TColor face = ToTColor(lab.palette().color(QPalette::Button));

    // LeftSpace 35 and LabelWidth 80 give the box from x 35 to R + 2 = 117, lowered: its outline
    // in the shadow grey, the inner bevel black, the outer one white; all on button face.
    const auto rects = canvas.ops(Kind::Rectangle);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(ToQRect(rects[0].rect), QRect(QPoint(0, 0), QPoint(160, 28)));
    EXPECT_EQ(rects[0].brush.color, face);
    EXPECT_EQ(ToQRect(rects[1].rect), QRect(QPoint(35, 0), QPoint(117, 27)));
    EXPECT_EQ(rects[1].pen.color, ToTColor(grey));
    EXPECT_EQ(rects[1].brush.color, face);
    const auto lines = canvas.ops(Kind::Line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(ToQPoint(lines[0].points.at(0)), QPoint(36, 25));
    EXPECT_EQ(ToQPoint(lines[1].points.at(1)), QPoint(116, 1));
    EXPECT_EQ(ToQPoint(lines[3].points.at(1)), QPoint(117, 0));
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(lines[i].pen.color, ToTColor(i < 2 ? black : white)) << i;

    // The left text ends 5 pixels before the box, the right one starts 7 after it, and the value
    // 0 reads "0.00", centred in the box; all black, on the middle row.
    const auto texts = canvas.ops(Kind::Text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "ab");
    EXPECT_EQ(ToQPoint(texts[0].points.at(0)), QPoint(35 - 14 - 5, 7));
    EXPECT_EQ(texts[1].text, "V");
    EXPECT_EQ(ToQPoint(texts[1].points.at(0)), QPoint(115 + 7, 7));
    EXPECT_EQ(texts[2].text, "0.00");
    EXPECT_EQ(ToQPoint(texts[2].points.at(0)), QPoint(35 + 2 + (80 - 28) / 2, 7));
    for (const Op& text : texts)
        EXPECT_EQ(text.fontColor, ToTColor(black)) << text.text;

    // Two decimals with a point and no plus sign; the state text; the indicator; the date pattern.
    lab.SetValue(1.0 / 3);
    EXPECT_EQ(shown(lab), "0.33");
    lab.SetValue(1e20);
    EXPECT_EQ(shown(lab), "*********");
    lab.SetDisplayType(TNumLab::dtState);
    EXPECT_EQ(shown(lab), "undefined");
    lab.SetDisplayType(TNumLab::dtDateTime);
    lab.SetLabelWidth(1000); // the date is wider than the box
    lab.SetValue(0);
    EXPECT_EQ(shown(lab), "Dec-30, 1899");
}

TEST(NumLabProperties, SetterLimits)
{
    TNumLab lab;
    lab.SetPrecision(-1);
    EXPECT_EQ(lab.Precision(), 2);
    lab.SetPrecision(20);
    EXPECT_EQ(lab.Precision(), 15);
    lab.SetLeftSpace(-1);
    EXPECT_EQ(lab.LeftSpace(), 35);
    lab.SetLeftSpace(500);
    EXPECT_EQ(lab.LeftSpace(), 160);
}

TEST(NumLabProperties, ColorSchemeSetsShadowAndHighlight)
{
    TNumLab lab;
    QPalette p = lab.palette();
    p.setColor(QPalette::Dark, QColor(10, 20, 30));
    p.setColor(QPalette::Light, QColor(200, 210, 220));
    lab.setPalette(p);
    lab.SetColorScheme(TNumLab::csSystem);
    EXPECT_EQ(lab.FrameShadowColor(), QColor(10, 20, 30));
    EXPECT_EQ(lab.FrameLightColor(), QColor(200, 210, 220));
    lab.SetColorScheme(TNumLab::csBWG);
    EXPECT_EQ(lab.FrameShadowColor(), grey);
    EXPECT_EQ(lab.FrameLightColor(), white);
}

TEST(NumLabAssign, CopiesTheLookAndValueOnly)
{
    TNumLab source;
    source.SetLeftSpace(50);
    source.SetEmpty(true);
    source.SetLabelWidth(60);
    source.SetPrecision(5);
    source.SetLeftText("L");
    source.SetRightText("R");
    source.SetFrameStyle(TNumLab::fsRaised);
    source.SetAlignment(TNumLab::taLeftJustify);
    source.SetOverflowIndicator("#");
    source.SetValue(42);
    source.SetStateText("s");
    source.SetColorLabBakG(QColor(1, 1, 1));
    source.SetColorOutText(QColor(2, 2, 2));
    source.SetColorScheme(TNumLab::csSystem);
    source.SetDisplayType(TNumLab::dtHex);
    source.SetComma(true);
    source.SetForcePlusSign(true);
    source.SetDTFormat("yyyy");

    TNumLab lab;
    ASSERT_TRUE(lab.Assign(&source));
    EXPECT_EQ(lab.LeftSpace(), 50);
    EXPECT_TRUE(lab.Empty());
    EXPECT_EQ(lab.LabelWidth(), 60);
    EXPECT_EQ(lab.Precision(), 5);
    EXPECT_EQ(lab.LeftText(), "L");
    EXPECT_EQ(lab.RightText(), "R");
    EXPECT_EQ(lab.FrameStyle(), TNumLab::fsRaised);
    EXPECT_EQ(lab.Alignment(), TNumLab::taLeftJustify);
    EXPECT_EQ(lab.OverflowIndicator(), "#");
    EXPECT_EQ(lab.Value(), 42);
    EXPECT_EQ(lab.StateText(), "s");
    EXPECT_EQ(lab.ColorLabBakG(), QColor(1, 1, 1));
    EXPECT_EQ(lab.ColorOutText(), QColor(2, 2, 2));
    EXPECT_EQ(lab.ColorScheme(), TNumLab::csSystem);
    EXPECT_EQ(lab.FrameShadowColor(), lab.palette().color(QPalette::Dark));
    EXPECT_EQ(lab.DisplayType(), TNumLab::dtHex);
    EXPECT_FALSE(lab.Comma());
    EXPECT_FALSE(lab.ForcePlusSign());
    EXPECT_EQ(lab.DTFormat(), "mmm-dd, yyyy");

    QLabel other;
    EXPECT_FALSE(lab.Assign(&other));
}

// Counts the paint events a shown label receives.
class PaintCounter : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

TEST(NumLabRepaint, OnlyWhenAValueChanges)
{
    TNumLab lab;
    makeProcessingGainLabel(lab);
    lab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lab));
    PaintCounter counter;
    lab.installEventFilter(&counter);

    lab.SetValue(8);
    lab.SetLeftText("Gain");
    lab.SetPrecision(2);
    lab.SetFrameStyle(TNumLab::fsLowered);
    lab.SetColorScheme(TNumLab::csBWG);
    EXPECT_EQ(counter.count, 0);

    lab.SetValue(9);
    EXPECT_EQ(counter.count, 1); // at once, not deferred
    lab.SetLeftText("Other");
    EXPECT_EQ(counter.count, 2);
    lab.SetValue(NaN);
    lab.SetValue(NaN);
    EXPECT_EQ(counter.count, 3);
}

// Pixels of the real widget's picture: the bevel in its colours and the value drawn inside.
TEST(NumLabPixels, ProcessingGainLabelShowsEight)
{
    TNumLab lab;
    makeProcessingGainLabel(lab);
    lab.SetLeftText("Processing Gain");
    QFont font = lab.font();
    font.setPixelSize(13);
    lab.setFont(font);
    lab.SetColorOutBakG(QColor(0xF0, 0xF0, 0xF0));
    lab.SetColorLabBakG(QColor(0xF0, 0xF0, 0xF0));
    QtCanvas canvas(169, 22);
    lab.Paint(canvas);
    const QImage& img = canvas.image();

    EXPECT_EQ(img.pixelColor(108, 10), grey);  // box outline, left edge
    EXPECT_EQ(img.pixelColor(159, 10), grey);  // right edge of the rectangle
    EXPECT_EQ(img.pixelColor(109, 10), black); // inner line, up
    EXPECT_EQ(img.pixelColor(130, 1), black);  // inner line, across
    EXPECT_EQ(img.pixelColor(130, 21), white); // outer line, across
    EXPECT_EQ(img.pixelColor(160, 10), white); // outer line, up
    EXPECT_EQ(img.pixelColor(160, 0), QColor(0xF0, 0xF0, 0xF0)); // the line leaves out its end
    EXPECT_EQ(img.pixelColor(161, 10), QColor(0xF0, 0xF0, 0xF0));

    int ink = 0, inkOutsideClip = 0;
    for (int y = 0; y < 22; ++y)
        for (int x = 110; x < 160; ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() < 0x80 && x > 110 && x < 158 && y > 1 && y < 20)
                ++ink;
            else if (c.red() < 0x80 && !(x > 110 && x < 158 && y > 1 && y < 20) && x != 109 && y != 1)
                ++inkOutsideClip;
        }
    EXPECT_GT(ink, 5);
    EXPECT_EQ(inkOutsideClip, 0);
    int leftInk = 0;
    for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 108; ++x)
            leftInk += img.pixelColor(x, y).red() < 0x80;
    EXPECT_GT(leftInk, 10);

    if (const QByteArray dir = qgetenv("NUMERIC_PNG_DIR"); !dir.isEmpty())
        img.save(QString::fromLocal8Bit(dir) + "/nlabpg.png");
}

} // namespace
