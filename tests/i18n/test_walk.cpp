#include "i18n/Babelfish2000.h"
#include "tests/i18n/load_support.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

// Stands in for the chart's scale settings; the engine knows them only by class name.
class TScaleProps : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TScaleProps* Partner READ Partner)

public:
    using QObject::QObject;
    QString Caption() const { return caption; }
    void SetCaption(const QString& c) { caption = c; }
    TScaleProps* Partner() const { return partner; }
    void SetPartner(TScaleProps* p) { partner = p; }

private:
    QString caption;
    TScaleProps* partner = nullptr;
};

// A holder of a string property that is neither owned nor a scale: not walked.
class TOtherObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)

public:
    QString Text() const { return text; }
    void SetText(const QString& t) { text = t; }

private:
    QString text;
};

class TFakeChart : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TScaleProps* Scale1X READ Scale1X)
    Q_PROPERTY(TScaleProps* Scale1Y READ Scale1Y)
    Q_PROPERTY(TScaleProps* Scale2X READ Scale2X)
    Q_PROPERTY(TOtherObject* Other READ Other)

public:
    explicit TFakeChart(QWidget* parent)
        : QWidget(parent)
        , scale1X(new TScaleProps(this))
        , scale1Y(std::make_unique<TScaleProps>())
    {
    }
    QString Caption() const { return caption; }
    void SetCaption(const QString& c) { caption = c; }
    TScaleProps* Scale1X() const { return scale1X; }
    TScaleProps* Scale1Y() const { return scale1Y.get(); }
    TScaleProps* Scale2X() const { return nullptr; }
    TOtherObject* Other() const { return other.get(); }

private:
    QString caption;
    TScaleProps* scale1X;                   // one of the chart's children as well
    std::unique_ptr<TScaleProps> scale1Y;   // reached through the property only
    std::unique_ptr<TOtherObject> other = std::make_unique<TOtherObject>();
};

class TLinesBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(QStringList FixedLines READ FixedLines)
    Q_PROPERTY(QString Fixed READ Fixed)

public:
    using QWidget::QWidget;
    QStringList Lines() const { return lines; }
    void SetLines(const QStringList& l)
    {
        lines = l;
        ++writes;
    }
    QStringList FixedLines() const { return {u"BF_FixedLine"_s}; }
    QString Fixed() const { return u"BF_Fixed"_s; }
    int writes = 0;

private:
    QStringList lines;
};

class TBase : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString First READ First WRITE SetFirst)

public:
    using QWidget::QWidget;
    QString First() const { return first; }
    void SetFirst(const QString& s) { first = s; }

private:
    QString first;
};

class TDerived : public TBase
{
    Q_OBJECT
    Q_PROPERTY(QString Second READ Second WRITE SetSecond)
    Q_PROPERTY(int Number READ Number WRITE SetNumber)

public:
    using TBase::TBase;
    QString Second() const { return second; }
    void SetSecond(const QString& s) { second = s; }
    int Number() const { return 7; }
    void SetNumber(int) {}

private:
    QString second;
};

namespace {

const QByteArray kGerman = "[Main Window]=Hauptfenster|$$\r\n"
                           "[Channel Number]=Kanalnummer|$$\r\n"
                           "[Settings]=Einstellungen|$$\r\n"
                           "[Transmitter A]=Sender A|$$\r\n"
                           "[Time]=Zeit (\xB5s)|$$\r\n"
                           "[MMExplain1]=Erste Zeile\\nzweite Zeile|$$\r\n"
                           "[Open]=\xD6" "ffnen|$$\r\n"
                           "[Exit]=Ende|$$\r\n"
                           "[X]=changed|$$\r\n"
                           "[Other]=changed|$$\r\n"
                           "[Fixed]=changed|$$\r\n"
                           "[FixedLine]=changed|$$\r\n";

// A small window in the shape of the program's: captions, a group that owns a control, a
// chart with scales, an explanation memo, an action and an object that is not a widget.
struct Window
{
    Window()
    {
        form.setObjectName(u"Form1"_s);
        form.setWindowTitle(u"BF_Main Window"_s);
        form.setToolTip(u"BF_Tip"_s);
        label = new QLabel(u"BF_Channel Number"_s, &form);
        label->setObjectName(u"BF_X"_s);
        button = new QPushButton(u"bf_Exit"_s, &form);
        box = new QGroupBox(u"BF_Settings"_s, &form);
        check = new QCheckBox(u"BF_Show Explanations"_s, box);
        chart = new TFakeChart(&form);
        chart->SetCaption(u"BF_Transmitter A"_s);
        chart->Scale1X()->SetCaption(u"BF_Time"_s);
        chart->Scale1Y()->SetCaption(u"BF_Amplitude"_s);
        chart->Other()->SetText(u"BF_Other"_s);
        memo = new TLinesBox(&form);
        memo->SetLines({u"BF_MMExplain1"_s, u""_s, u"BF_MMExplain2"_s, u"bf_MMExplain3"_s, u"plain"_s});
        memo->writes = 0;
        action = new QAction(u"BF_Open"_s, &form);
    }

    QWidget form;
    QLabel* label;
    QPushButton* button;
    QGroupBox* box;
    QCheckBox* check;
    TFakeChart* chart;
    TLinesBox* memo;
    QAction* action;
};

TEST(PropertyWalk, TranslatesEveryKeyOfTheWindowAndWhatItOwns)
{
    Window w;
    TBabelfish2000 engine(QString{});
    Load(engine, kGerman);
    engine.TranslateComponent(&w.form);

    EXPECT_EQ(w.form.windowTitle(), u"Hauptfenster"_s);
    EXPECT_EQ(w.form.toolTip(), u"Tip"_s);
    EXPECT_EQ(w.form.objectName(), u"Form1"_s);
    EXPECT_EQ(w.label->text(), u"Kanalnummer"_s);
    EXPECT_EQ(w.label->objectName(), u"BF_X"_s);
    EXPECT_EQ(w.button->text(), u"bf_Exit"_s);
    EXPECT_EQ(w.box->title(), u"Einstellungen"_s);
    EXPECT_EQ(w.check->text(), u"Show Explanations"_s);
    EXPECT_EQ(w.chart->Caption(), u"Sender A"_s);
    EXPECT_EQ(w.chart->Scale1X()->Caption(), u"Zeit (\u00B5s)"_s);
    EXPECT_EQ(w.chart->Scale1Y()->Caption(), u"Amplitude"_s);
    EXPECT_EQ(w.chart->Other()->Text(), u"BF_Other"_s);
    EXPECT_EQ(w.memo->Lines(), (QStringList{u"Erste Zeile\nzweite Zeile"_s, u""_s, u"MMExplain2"_s,
                                            u"bf_MMExplain3"_s, u"plain"_s}));
    EXPECT_EQ(w.memo->writes, 1);
    EXPECT_EQ(w.action->text(), u"\u00D6ffnen"_s);
}

TEST(PropertyWalk, WithoutALanguageFileShowsTheKeysWithoutPrefix)
{
    Window w;
    TBabelfish2000 engine(QString{});
    engine.TranslateComponent(&w.form);
    EXPECT_EQ(w.label->text(), u"Channel Number"_s);
    EXPECT_EQ(w.memo->Lines()[0], u"MMExplain1"_s);
    EXPECT_EQ(w.chart->Scale1X()->Caption(), u"Time"_s);
    EXPECT_EQ(w.button->text(), u"bf_Exit"_s);
}

TEST(PropertyWalk, LeavesReadOnlyPropertiesAloneAndNeverLooksThemUp)
{
    Window w;
    TBabelfish2000 engine(QString{});
    engine.SetAutoCreateItlFile(true);
    engine.TranslateComponent(w.memo);
    EXPECT_EQ(w.memo->Fixed(), u"BF_Fixed"_s);
    EXPECT_EQ(engine.ItlOutput(), (QStringList{u"[MMExplain2]=MMExplain2|$$"_s, u"[MMExplain1]=MMExplain1|$$"_s}));
    engine.SetAutoCreateItlFile(false);
}

TEST(PropertyWalk, VisitsInheritedPropertiesFirstThenOwnedObjectsDepthFirstInCreationOrder)
{
    TDerived root;
    root.SetFirst(u"BF_A"_s);
    root.SetSecond(u"BF_B"_s);
    auto* child = new TDerived(&root);
    child->SetFirst(u"BF_C"_s);
    auto* grandChild = new TBase(child);
    grandChild->SetFirst(u"BF_D"_s);
    auto* memo = new TLinesBox(&root);
    memo->SetLines({u"BF_E"_s, u"BF_F"_s});
    auto* chart = new TFakeChart(&root);
    chart->SetCaption(u"BF_G"_s);
    chart->Scale1X()->SetCaption(u"BF_H"_s);
    chart->Scale1Y()->SetCaption(u"BF_I"_s);
    auto* last = new TBase(&root);
    last->SetFirst(u"BF_J"_s);

    TBabelfish2000 engine(QString{});
    engine.SetAutoCreateItlFile(true);
    engine.TranslateComponent(&root);
    QStringList order;
    for (const QString& line : engine.ItlOutput())
        order << line.sliced(1, line.indexOf(u']') - 1);
    EXPECT_EQ(order, (QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"F"_s, u"E"_s, u"G"_s, u"H"_s, u"I"_s,
                                  u"J"_s}));
    engine.SetAutoCreateItlFile(false);
}

TEST(PropertyWalk, TranslatesAScaleOnceWhenItIsAlsoAChild)
{
    Window w;
    TBabelfish2000 engine(QString{});
    Load(engine, "[t1]=BF_t2|$$[t2]=twice|$$");
    w.chart->Scale1X()->SetCaption(u"BF_t1"_s);
    engine.TranslateComponent(&w.form);
    EXPECT_EQ(w.chart->Scale1X()->Caption(), u"BF_t2"_s);
}

TEST(PropertyWalk, EndsOnScalesThatPointAtEachOther)
{
    TScaleProps a;
    TScaleProps b;
    a.SetPartner(&b);
    b.SetPartner(&a);
    a.SetCaption(u"BF_a"_s);
    b.SetCaption(u"BF_b"_s);
    TBabelfish2000 engine(QString{});
    engine.TranslateObject(&a);
    EXPECT_EQ(a.Caption(), u"a"_s);
    EXPECT_EQ(b.Caption(), u"b"_s);
}

TEST(PropertyWalk, TranslateObjectLeavesOwnedObjectsButWalksScales)
{
    Window w;
    TBabelfish2000 engine(QString{});
    engine.TranslateObject(w.chart);
    engine.TranslateObject(&w.form);
    EXPECT_EQ(w.chart->Caption(), u"Transmitter A"_s);
    EXPECT_EQ(w.chart->Scale1X()->Caption(), u"Time"_s);
    EXPECT_EQ(w.form.windowTitle(), u"Main Window"_s);
    EXPECT_EQ(w.label->text(), u"BF_Channel Number"_s);
}

TEST(PropertyWalk, HandlerMaySkipAnObjectButItsOwnedObjectsAreStillWalked)
{
    Window w;
    TBabelfish2000 engine(QString{});
    QList<QObject*> seen;
    engine.SetOnTranslateObject([&](TBabelfish2000& sender, QObject* obj, bool& translate) {
        EXPECT_EQ(&sender, &engine);
        seen << obj;
        if (obj == w.box || obj == w.chart->Scale1Y())
            translate = false;
    });
    engine.TranslateComponent(&w.form);
    EXPECT_EQ(w.box->title(), u"BF_Settings"_s);
    EXPECT_EQ(w.check->text(), u"Show Explanations"_s);
    EXPECT_EQ(w.chart->Scale1Y()->Caption(), u"BF_Amplitude"_s);
    EXPECT_EQ(w.chart->Scale1X()->Caption(), u"Time"_s);
    ASSERT_GE(seen.size(), 9);
    EXPECT_EQ(seen[0], &w.form);
    EXPECT_EQ(seen.count(w.chart->Scale1X()), 1);
    EXPECT_EQ(seen.indexOf(w.chart->Scale1X()), seen.indexOf(w.chart) + 1);
    EXPECT_EQ(seen.indexOf(w.chart->Scale1Y()), seen.indexOf(w.chart) + 2);
    EXPECT_LT(seen.indexOf(w.label), seen.indexOf(w.button));
    EXPECT_LT(seen.indexOf(w.box), seen.indexOf(w.check));
    EXPECT_LT(seen.indexOf(w.check), seen.indexOf(w.chart));
    EXPECT_FALSE(seen.contains(w.chart->Other()));
}

// The walk collects a window's owned objects before it enters the first of them. A handler
// called for that first one deletes two of the siblings collected with it (one of them with a
// control it owns): the walk must step over them and go on with the rest.
TEST(PropertyWalk, SurvivesAHandlerThatDeletesAnObjectNotYetReached)
{
    Window w;
    w.button->setObjectName(u"button"_s);
    w.box->setObjectName(u"box"_s);
    w.check->setObjectName(u"check"_s);
    QPointer<QPushButton> button = w.button;
    QPointer<QGroupBox> box = w.box;
    TBabelfish2000 engine(QString{});
    Load(engine, kGerman);
    QStringList seen;
    engine.SetOnTranslateObject([&](TBabelfish2000&, QObject* obj, bool&) {
        seen << obj->objectName();
        if (obj == w.label) {
            delete button.data();
            delete box.data();
        }
    });
    engine.TranslateComponent(&w.form);
    ASSERT_TRUE(button.isNull());
    ASSERT_TRUE(box.isNull());
    EXPECT_EQ(seen.mid(0, 2), (QStringList{u"Form1"_s, u"BF_X"_s}));
    EXPECT_FALSE(seen.contains(u"button"_s));
    EXPECT_FALSE(seen.contains(u"box"_s));
    EXPECT_FALSE(seen.contains(u"check"_s));
    EXPECT_EQ(w.label->text(), u"Kanalnummer"_s);
    EXPECT_EQ(w.chart->Caption(), u"Sender A"_s);
    EXPECT_EQ(w.memo->Lines()[0], u"Erste Zeile\nzweite Zeile"_s);
    EXPECT_EQ(w.action->text(), u"\u00D6ffnen"_s);
}

TEST(PropertyWalk, HonoursAnotherKeyPrefix)
{
    Window w;
    TBabelfish2000 engine(QString{});
    engine.SetKeyPrefix(u"bf_"_s);
    engine.TranslateComponent(&w.form);
    EXPECT_EQ(w.button->text(), u"Exit"_s);
    EXPECT_EQ(w.label->text(), u"BF_Channel Number"_s);
    EXPECT_EQ(w.memo->Lines()[3], u"MMExplain3"_s);
}

} // namespace

#include "test_walk.moc"
