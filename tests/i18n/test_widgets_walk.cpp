// The translator's walk over the real widgets that publish texts of their own.
#include "i18n/Babelfish2000.h"
#include "tests/i18n/load_support.h"
#include "widgets/numlab.h"
#include "widgets/rchart.h"

#include <QBuffer>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

TEST(ChartTranslation, TranslatesTheChartCaptionAndItsScaleCaptions)
{
    QWidget form;
    auto* label = new QLabel(u"BF_Channel Number"_s, &form);
    auto* chart = new TRChart(&form);
    chart->setObjectName(u"BF_RCTransmitterA"_s);
    chart->SetCaption(u"BF_Transmitter A"_s);
    chart->Scale1X()->SetCaption(u"BF_Time"_s);
    chart->Scale2Y()->SetCaption(u"BF_Amplitude"_s);
    chart->Scale4Y()->SetCaption(u"bf_Volts"_s);

    TBabelfish2000 engine(QString{});
    Load(engine, "[transmitter a]=Sender A|$$[Time]=Zeit (\xB5s)|$$[RCTransmitterA]=changed|$$");
    engine.TranslateComponent(&form);

    EXPECT_EQ(label->text(), u"Channel Number"_s);
    EXPECT_EQ(chart->Caption(), u"Sender A"_s);
    EXPECT_EQ(chart->Scale1X()->Caption(), u"Zeit (\u00B5s)"_s);
    EXPECT_EQ(chart->Scale2Y()->Caption(), u"Amplitude"_s);
    EXPECT_EQ(chart->Scale4Y()->Caption(), u"bf_Volts"_s);
    EXPECT_EQ(chart->objectName(), u"BF_RCTransmitterA"_s);
}

TEST(ChartTranslation, TranslatesEachScaleOnce)
{
    TRChart chart;
    chart.Scale3X()->SetCaption(u"BF_t1"_s);
    TBabelfish2000 engine(QString{});
    Load(engine, "[t1]=BF_t2|$$[t2]=twice|$$");
    engine.TranslateComponent(&chart);
    EXPECT_EQ(chart.Scale3X()->Caption(), u"BF_t2"_s);
}

// Every text a numeric label publishes is a key when it carries the prefix; the label is drawn
// with the translations.
TEST(NumLabTranslation, TranslatesEachTextOfTheLabel)
{
    QWidget form;
    auto* lab = new TNumLab(&form);
    lab->SetLeftText(u"BF_Processing Gain"_s);
    lab->SetRightText(u"BF_dB"_s);
    lab->SetStateText(u"BF_undefined"_s);
    lab->SetOverflowIndicator(u"BF_overflow"_s);
    lab->SetDTFormat(u"BF_date"_s);
    lab->SetValue(8);

    TBabelfish2000 engine(QString{});
    Load(engine, "[processing gain]=Spreizgewinn|$$[db]=dB (\xB5)|$$[undefined]=unbestimmt|$$"
                 "[overflow]=\x85|$$[date]=dd.mm.yyyy|$$");
    engine.TranslateComponent(&form);

    EXPECT_EQ(lab->LeftText(), u"Spreizgewinn"_s);
    EXPECT_EQ(lab->RightText(), u"dB (\u00B5)"_s);
    EXPECT_EQ(lab->StateText(), u"unbestimmt"_s);
    EXPECT_EQ(lab->OverflowIndicator(), u"\u2026"_s);
    EXPECT_EQ(lab->DTFormat(), u"dd.mm.yyyy"_s);
    EXPECT_EQ(lab->Value(), 8);
    lab->SetDisplayType(TNumLab::dtDateTime);
    lab->SetValue(45000);
    EXPECT_EQ(lab->FormatValue(), u"15.03.2023"_s);
}

} // namespace
