#include "Babelfish2000.h"
#include "load_support.h"
#include "rchart.h"

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

} // namespace
