#include "AboutBox.h"
#include "cp1252.h"
#include "formtools.h"
#include "errorreport.h"
#include "mainfrm.h"
#include "numio.h"
#include "numlab.h"
#include "qtconvert.h"
#include "rchart.h"
#include "uexplain.h"

#include <QAccessible>
#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QKeySequence>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace {

using namespace TraceColors;

int VisibleLabels(const TRChart& chart)
{
    int visible = 0;
    for (int i = 1; i <= TRChart::LabelCount; ++i)
        visible += chart.TextLabel(i)->Visible() ? 1 : 0;
    return visible;
}

QColor TextColor(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

// The program's three windows, with the About box's modal run recorded instead of blocking.
class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ErrorReport::SetSink([this](const QString& message) { errors << message; });
        form = std::make_unique<TForm1>();
        explain = std::make_unique<TFrmExplain>();
        about = std::make_unique<TFrmAbout>();
        form->SetDialogs(explain.get(), about.get());
        form->SetModalRunner([this](QDialog& dialog) {
            modalRuns << dialog.objectName();
            runsBeforeModal = form->SimulationRuns();
            aboutTexts = {about->LblName()->text(), about->LblVersion()->text(), about->LblWebSite()->text()};
            aboutDescription = about->LblDescription()->text();
        });
    }

    void TearDown() override { ErrorReport::SetSink(nullptr); }

    void Show()
    {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Shown and active, so that focus and keys behave as on a desktop.
    void ShowActive()
    {
        Show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    void Type(QWidget* field, const QString& text)
    {
        field->setFocus();
        QTest::keyClicks(field, text);
    }

    std::unique_ptr<TForm1> form;
    std::unique_ptr<TFrmExplain> explain;
    std::unique_ptr<TFrmAbout> about;
    QStringList errors;
    QStringList modalRuns;
    QStringList aboutTexts;
    QString aboutDescription;
    int runsBeforeModal = -1;
};

} // namespace

TEST_F(MainWindow, ControlsSitWhereTheLayoutPutsThem)
{
    EXPECT_EQ(form->windowTitle(), "Direct Sequence CDMA");
    EXPECT_EQ(form->size(), QSize(931, 709));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    struct Row { const char* name; QRect geometry; };
    const Row rows[] = {
        {"RCA", {144, 40, 785, 137}},      {"NIOKeyA", {96, 152, 33, 24}},   {"RCB", {144, 184, 785, 145}},
        {"RCC", {144, 336, 785, 81}},      {"NIOKeyB", {96, 304, 33, 24}},   {"NIOKeyD", {104, 448, 33, 24}},
        {"EdTransA", {96, 64, 33, 24}},    {"EdTransB", {96, 216, 33, 24}},  {"SBarSpread", {24, 8, 121, 20}},
        {"RCD", {144, 424, 785, 281}},     {"LblResult", {64, 624, 0, 0}},   {"Label1", {7, 56, 82, 48}},
        {"Label2", {7, 200, 82, 48}},      {"Label3", {19, 144, 73, 32}},    {"Label4", {19, 296, 73, 32}},
        {"Label5", {21, 440, 79, 48}},     {"LblTransErr", {16, 664, 121, 32}}, {"NLabPG", {168, 8, 169, 22}},
        {"SBLabelsOnOff", {488, 5, 137, 29}}, {"Label6", {8, 608, 137, 16}}, {"BButAbout", {632, 5, 137, 29}},
        {"BButExit", {776, 5, 137, 29}},
    };
    QStringList order;
    for (QObject* child : form->children())
        if (child->isWidgetType())
            order << child->objectName();
    QStringList expectedOrder;
    for (const Row& row : rows) {
        expectedOrder << row.name;
        const auto* widget = form->findChild<QWidget*>(row.name);
        ASSERT_NE(widget, nullptr) << row.name;
        // A label without a size takes the size of its caption.
        const QRect expected = row.geometry.isEmpty() ? QRect(row.geometry.topLeft(), widget->sizeHint()) : row.geometry;
        EXPECT_EQ(widget->geometry(), expected) << row.name;
    }
    // Creation order is the order the translator walks.
    EXPECT_EQ(order, expectedOrder);
    EXPECT_EQ(form->SBarSpread()->maximum(), 20);
    EXPECT_EQ(form->SBarSpread()->value(), 8);
    EXPECT_EQ(form->NLabPG()->Value(), 8);
    EXPECT_EQ(form->RCD()->ScaleX(1)->Caption(), QString::fromUtf8("µs"));
    EXPECT_TRUE(form->RCD()->ScaleX(1)->Visible());
    EXPECT_DOUBLE_EQ(form->RCD()->ScaleY(3)->RangeLow(), -40);
    EXPECT_DOUBLE_EQ(form->RCA()->ScaleY(1)->RangeHigh(), 2.5);
    EXPECT_EQ(form->RCC()->DataColor(), Navy);
    EXPECT_FALSE(form->LblTransErr()->isVisibleTo(form.get()));
    // Applying the layout ran no simulation.
    EXPECT_EQ(form->SimulationRuns(), 0);
    EXPECT_EQ(form->RCA()->Count(), 0);
}

TEST_F(MainWindow, CaptionsShowTheirKeyWithoutPrefixWithoutALanguageFile)
{
    EXPECT_EQ(form->RCA()->Caption(), "Channel 1");
    EXPECT_EQ(form->RCC()->Caption(), "Transmitted Composite Signal");
    EXPECT_EQ(form->SBLabelsOnOff()->text(), "Show Explanations");
    EXPECT_EQ(form->BButExit()->text(), "Exit");
    EXPECT_EQ(form->NLabPG()->LeftText(), "Processing Gain");
    EXPECT_EQ(form->findChild<QLabel*>("Label5")->text(), "Receiver Channel Number");
    EXPECT_EQ(form->LblTransErr()->text(), "Transmission Error");
}

QString Spoken(QWidget* widget, QAccessible::Text text)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(text) : QString("(not accessible)");
}

// What a screen reader is told about each control. The texts are translation keys, so without a
// language file they read as the key without its prefix.
TEST_F(MainWindow, EveryControlTellsAScreenReaderWhatItIs)
{
    Show();
    const QString keyDescription = "A number that selects the chip sequence";
    const QString characterDescription = "Type one character; it replaces the one shown";
    struct Row { const char* control; QString name; QString description; };
    const Row rows[] = {
        {"RCA", "Channel 1", "Traces A to C: data bits, chip sequence and spread signal of channel 1"},
        {"RCB", "Channel 2", "Traces D to F: data bits, chip sequence and spread signal of channel 2"},
        {"RCC", "Transmitted Composite Signal", "Trace G: the sum of both spread signals, as sent on the channel"},
        {"RCD", "Recovered Signals",
         "Traces H to K: receiver chips, despread signal, integral over each bit and recovered bits"},
        {"NIOKeyA", "Channel Number of channel A", keyDescription},
        {"NIOKeyB", "Channel Number of channel B", keyDescription},
        {"NIOKeyD", "Receiver Channel Number", "The receiver recovers the character of the channel with this number"},
        {"EdTransA", "Character to transmit on channel A", characterDescription},
        {"EdTransB", "Character to transmit on channel B", characterDescription},
        {"SBarSpread", "Spreading factor, 2 to 20", "Chips per bit, shown as the processing gain"},
        {"NLabPG", "Processing Gain", "8"},
        {"LblResult", "Received Character: Z", "received correctly"},
        {"SBLabelsOnOff", "Show Explanations", "Labels every trace and opens a window that explains them"},
        {"BButAbout", "About", ""},
        {"BButExit", "Exit", ""},
        {"Label6", "Received Character", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.control);
        auto* widget = form->findChild<QWidget*>(row.control);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(Spoken(widget, QAccessible::Name), row.name);
        EXPECT_EQ(Spoken(widget, QAccessible::Description), row.description);
    }
    // The scroll bar speaks its value and range; the captions label the fields beside them.
    QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(form->SBarSpread())->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 8);
    EXPECT_EQ(value->minimumValue().toInt(), 2);
    EXPECT_EQ(value->maximumValue().toInt(), 20);
    const auto labelled = QAccessible::queryAccessibleInterface(form->EdTransB())->relations(QAccessible::Label);
    ASSERT_EQ(labelled.size(), 1);
    EXPECT_EQ(labelled.first().first->object()->objectName(), "Label2");
}

// The received character and the verdict are spoken with the translator's texts and announced
// only when they change.
TEST_F(MainWindow, ReceivedCharacterAndVerdictAreAnnouncedWhenTheyChange)
{
    QByteArray file("[Received Character]=Empfangenes Zeichen|$$[received correctly]=richtig empfangen|$$"
                    "[Transmission Error]=\xdc" "bertragungsfehler|$$[character code <%1%>]=Zeichen Nummer <%1%>|$$");
    QBuffer stream(&file);
    ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
    form->cliDemon()->Translator()->LoadFromStream(stream);
    QStringList announced;
    FormTools::SetAnnouncementObserver([&announced](QWidget* widget, QAccessible::Event change) {
        announced << widget->objectName() + (change == QAccessible::NameChanged ? " name" : " description");
    });
    Show();
    QLabel* label = form->LblResult();
    EXPECT_EQ(Spoken(label, QAccessible::Name), "Empfangenes Zeichen: Z");
    EXPECT_EQ(Spoken(label, QAccessible::Description), "richtig empfangen");

    struct Row { const char* step; std::function<void()> edit; QString name; QString description; QStringList said; };
    const Row rows[] = {
        {"same result at another spreading factor", [&] { form->SBarSpread()->setValue(9); },
         "Empfangenes Zeichen: Z", "richtig empfangen", {"NLabPG description"}},
        {"receiver on channel 2", [&] { form->NIOKeyD()->setText("44"); },
         "Empfangenes Zeichen: W", "richtig empfangen", {"LblResult name"}},
        {"a space on channel 2", [&] { form->EdTransB()->setText(" "); },
         "Empfangenes Zeichen: Zeichen Nummer 32", "richtig empfangen", {"LblResult name"}},
        {"receiver on no channel", [&] { form->NIOKeyD()->setText("7"); }, "",
         QString::fromUtf8("Übertragungsfehler"), {"LblResult name", "LblResult description"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        announced.clear();
        row.edit();
        if (!row.name.isEmpty()) {
            EXPECT_EQ(Spoken(label, QAccessible::Name), row.name);
        }
        EXPECT_EQ(Spoken(label, QAccessible::Description), row.description);
        EXPECT_EQ(announced, row.said);
    }
    FormTools::SetAnnouncementObserver(nullptr);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindow, FirstShowFillsAndShowsAboutBoxThenDrawsTheDefaultRun)
{
    Show();
    EXPECT_EQ(modalRuns, QStringList{"FrmAbout"});
    EXPECT_EQ(runsBeforeModal, 0);
    EXPECT_EQ(aboutTexts, (QStringList{"DS-CDMA", "Version 1.0", "More information can be found at the following Web sites:"}));
    EXPECT_EQ(aboutDescription, TFrmAbout::descriptionText(TFrmAbout::Language::English));
    EXPECT_EQ(form->SimulationRuns(), 1);
    EXPECT_EQ(form->SBarSpread()->maximum(), 20);
    EXPECT_EQ(form->LblResult()->text(), "Z");
    EXPECT_EQ(TextColor(form->LblResult()), QColor(0, 128, 0));
    EXPECT_FALSE(form->LblTransErr()->isVisible());
    EXPECT_EQ(form->RCD()->ChartColor(), ChannelA);
    EXPECT_EQ(form->RCD()->Count(), 22 + 6 * 64);
    EXPECT_TRUE(errors.isEmpty());
    // A second show (after minimising, say) does not start over.
    form->hide();
    form->show();
    EXPECT_EQ(modalRuns.size(), 1);
}

TEST_F(MainWindow, TypedCharacterReplacesTheFieldAndRecomputesOnce)
{
    Show();
    EXPECT_EQ(form->EdTransA()->cursorPosition(), 0);
    EXPECT_EQ(form->EdTransB()->cursorPosition(), 0);
    const int runs = form->SimulationRuns();
    Type(form->EdTransA(), "q");
    EXPECT_EQ(form->EdTransA()->text(), "q");
    EXPECT_EQ(form->SimulationRuns(), runs + 1);
    EXPECT_EQ(form->LblResult()->text(), "q");

    Type(form->EdTransA(), "q"); // the same character: nothing changes
    EXPECT_EQ(form->SimulationRuns(), runs + 1);

    QTest::keyClick(form->EdTransA(), Qt::Key_Backspace);
    EXPECT_EQ(form->EdTransA()->text(), QString(QChar(8)));
    EXPECT_EQ(form->SimulationRuns(), runs + 2);

    QTest::keyClick(form->EdTransB(), Qt::Key_End);
    QTest::keyClick(form->EdTransB(), Qt::Key_Backspace);
    EXPECT_EQ(form->EdTransB()->text(), QString(QChar(8)));

    // Delete types no character: right after a typed character, with the caret where setting
    // the text leaves it, the field empties, which sends the byte 0 and never matches.
    Type(form->EdTransA(), "r");
    EXPECT_EQ(form->EdTransA()->cursorPosition(), 0);
    QTest::keyClick(form->EdTransA(), Qt::Key_Delete);
    EXPECT_EQ(form->EdTransA()->text(), "");
    EXPECT_TRUE(form->LblTransErr()->isVisible());
    EXPECT_EQ(TextColor(form->LblResult()), QColor(255, 0, 0));

    // Letters beyond ASCII are sent as their 8-bit code; one the code page lacks becomes '?'.
    QTest::sendKeyEvent(QTest::Press, form->EdTransA(), Qt::Key_unknown, QString::fromUtf8("ü"), Qt::NoModifier);
    EXPECT_EQ(form->EdTransA()->text(), QString::fromUtf8("ü"));
    QTest::sendKeyEvent(QTest::Press, form->EdTransB(), Qt::Key_unknown, QString::fromUtf8("Ω"), Qt::NoModifier);
    EXPECT_EQ(form->EdTransB()->text(), "?");
    EXPECT_TRUE(errors.isEmpty());
}

// How much a text drawn on the background darkens or colours it, summed over all pixels.
qint64 InkMass(const QImage& image, QColor background)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 mass = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QColor c = rgb.pixelColor(x, y);
            mass += std::abs(c.red() - background.red()) + std::abs(c.green() - background.green())
                    + std::abs(c.blue() - background.blue());
        }
    return mass;
}

// The whole ink of the caption, drawn with the label's font and colour with room on every side.
qint64 FreeInkMass(const QLabel* label, QColor background)
{
    const QFontMetrics metrics(label->font());
    QImage image(metrics.height() * 4, metrics.height() * 3, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setFont(label->font());
    painter.setPen(TextColor(label));
    painter.drawText(metrics.height(), metrics.height() + metrics.ascent(), label->text());
    painter.end();
    return InkMass(image, background);
}

// The label grows to the right and down from its corner to take what the character needs: a
// character that does not fit keeps less ink in the label than when drawn freely.
TEST_F(MainWindow, ReceivedCharacterIsNeverCutOff)
{
    Show();
    QLabel* label = form->LblResult();
    const QColor background = form->palette().color(QPalette::Window);
    QStringList cut;
    for (int code = 0x20; code <= 0xFF; ++code) {
        if (code == 0x7F || code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D)
            continue; // not printable in the code page
        const QString character = cp1252::Decode(QByteArray(1, char(code)));
        form->EdTransA()->setText(character);
        ASSERT_EQ(label->text(), character);
        EXPECT_EQ(label->pos(), QPoint(64, 624));
        if (InkMass(label->grab().toImage(), background) != FreeInkMass(label, background))
            cut << character;
    }
    EXPECT_TRUE(cut.isEmpty()) << cut.join(' ').toStdString();
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindow, EditingTheReceiverKeyRetunesTheReceiver)
{
    Show();
    form->NIOKeyD()->selectAll();
    Type(form->NIOKeyD(), "44");
    EXPECT_EQ(form->NIOKeyD()->text(), "44");
    EXPECT_EQ(form->RCD()->ChartColor(), ChannelB);
    EXPECT_EQ(form->LblResult()->text(), "W");

    form->NIOKeyD()->selectAll();
    Type(form->NIOKeyD(), "7");
    EXPECT_EQ(form->RCD()->ChartColor(), White);
    EXPECT_TRUE(form->LblTransErr()->isVisible());

    // A letter is no part of a number: the field restores its text and the picture stays.
    Type(form->NIOKeyD(), "x");
    EXPECT_EQ(form->NIOKeyD()->text(), "7");
    EXPECT_EQ(form->RCD()->ChartColor(), White);

    // Empty fields read as 0.
    form->NIOKeyA()->clear();
    form->NIOKeyD()->clear();
    EXPECT_EQ(form->RCD()->ChartColor(), ChannelA);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindow, ScrollBarStopsAtTwentyChipsPerBit)
{
    Show();
    form->SBarSpread()->setValue(20);
    EXPECT_EQ(form->NLabPG()->Value(), 20);
    EXPECT_EQ(form->RCD()->Count(), 982);
    form->SBarSpread()->setValue(24);
    EXPECT_EQ(form->SBarSpread()->value(), 20);
    form->SBarSpread()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    form->SBarSpread()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(form->SBarSpread()->value(), 20);
    form->SBarSpread()->setValue(0);
    EXPECT_EQ(form->SBarSpread()->value(), 2);
    EXPECT_EQ(form->NLabPG()->Value(), 2);
    EXPECT_EQ(form->RCA()->Count(), 3 + 6 * 16);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindow, TabVisitsEveryControlInTheLayoutsOrder)
{
    ShowActive();
    ASSERT_EQ(QApplication::focusWidget(), form->NIOKeyA());
    QStringList visited;
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, (QStringList{"NIOKeyB", "NIOKeyD", "EdTransA", "EdTransB", "SBarSpread", "SBLabelsOnOff",
                                    "BButAbout", "BButExit", "NIOKeyA"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), form->BButExit());
}

// A whole session by keyboard alone: every key goes to whatever has the focus.
TEST_F(MainWindow, TheWholeSimulationRunsWithoutAMouse)
{
    ShowActive();
    const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    const auto type = [](const char* text) { QTest::keyClicks(QApplication::focusWidget(), text); };
    press(Qt::Key_Tab);
    press(Qt::Key_Tab); // receiver key, its text selected by Tab
    type("44");
    EXPECT_EQ(form->LblResult()->text(), "W");
    press(Qt::Key_Tab);
    press(Qt::Key_Tab); // character on channel B
    type("k");
    EXPECT_EQ(form->LblResult()->text(), "k");
    press(Qt::Key_Tab); // spreading factor
    press(Qt::Key_End);
    EXPECT_EQ(form->NLabPG()->Value(), 20);
    press(Qt::Key_Tab); // explanations on and off
    press(Qt::Key_Space);
    EXPECT_TRUE(explain->isVisible());
    press(Qt::Key_Space);
    EXPECT_FALSE(explain->isVisible());
    press(Qt::Key_Tab); // About
    press(Qt::Key_Return);
    EXPECT_EQ(modalRuns, (QStringList{"FrmAbout", "FrmAbout"}));
    press(Qt::Key_Tab); // Exit
    press(Qt::Key_Return);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindow, ScrollBarKeysMoveTheSpreadingFactorAsTheArrowsPoint)
{
    ShowActive();
    TScrollBar* bar = form->SBarSpread();
    bar->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(bar->hasFocus());
    struct Row { Qt::Key key; int from; int to; };
    const Row rows[] = {
        {Qt::Key_Right, 8, 9},     {Qt::Key_Down, 8, 9},   {Qt::Key_Left, 8, 7},    {Qt::Key_Up, 8, 7},
        {Qt::Key_PageDown, 8, 9},  {Qt::Key_PageUp, 8, 7}, {Qt::Key_Home, 8, 2},    {Qt::Key_End, 8, 20},
        {Qt::Key_Right, 20, 20},   {Qt::Key_Left, 2, 2},   {Qt::Key_PageUp, 2, 2},  {Qt::Key_PageDown, 20, 20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QKeySequence(row.key).toString().toStdString());
        bar->setValue(row.from);
        const int runs = form->SimulationRuns();
        QTest::keyClick(bar, row.key);
        EXPECT_EQ(bar->value(), row.to);
        EXPECT_EQ(form->NLabPG()->Value(), row.to);
        EXPECT_EQ(form->SimulationRuns(), runs + (row.from != row.to ? 1 : 0));
    }
    EXPECT_TRUE(errors.isEmpty());
}

// The thumb of a bar whose page size is 0 leaves a trough on either side at most positions.
TEST_F(MainWindow, ATroughClickMovesTheSpreadingFactorOneTowardsTheClick)
{
    Show();
    TScrollBar* bar = form->SBarSpread();
    struct Row { QStyle::SubControl part; int to; };
    const Row rows[] = {
        {QStyle::SC_ScrollBarAddPage, 9},  {QStyle::SC_ScrollBarAddPage, 10}, {QStyle::SC_ScrollBarSubPage, 9},
        {QStyle::SC_ScrollBarAddLine, 10}, {QStyle::SC_ScrollBarSubLine, 9},
    };
    for (const Row& row : rows) {
        const QRect part = bar->SubControlRect(row.part);
        ASSERT_FALSE(part.isEmpty()) << row.part;
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, part.center());
        EXPECT_EQ(bar->value(), row.to) << row.part;
        EXPECT_EQ(form->NLabPG()->Value(), row.to);
        EXPECT_FALSE(bar->IsRepeating());
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindow, ExplanationsButtonTogglesWindowAndTraceLabels)
{
    Show();
    QTest::mouseClick(form->SBLabelsOnOff(), Qt::LeftButton);
    EXPECT_TRUE(form->SBLabelsOnOff()->isChecked());
    EXPECT_TRUE(explain->isVisible());
    EXPECT_EQ(VisibleLabels(*form->RCA()) + VisibleLabels(*form->RCB()) + VisibleLabels(*form->RCC())
                  + VisibleLabels(*form->RCD()),
              11);
    QTest::mouseClick(form->SBLabelsOnOff(), Qt::LeftButton);
    EXPECT_FALSE(form->SBLabelsOnOff()->isChecked());
    EXPECT_FALSE(explain->isVisible());
    EXPECT_EQ(VisibleLabels(*form->RCA()) + VisibleLabels(*form->RCD()), 0);
}

TEST_F(MainWindow, UnroundableReceiverKeyIsReportedAndThePictureStays)
{
    Show();
    const int items = form->RCD()->Count();
    const TColor colour = form->RCD()->ChartColor();
    const int runs = form->SimulationRuns();
    form->NIOKeyD()->setText("1e300");
    EXPECT_EQ(errors, QStringList{"Invalid floating point operation"});
    EXPECT_EQ(form->SimulationRuns(), runs);
    EXPECT_EQ(form->RCD()->Count(), items);
    EXPECT_EQ(form->RCD()->ChartColor(), colour);
    // The window goes on: the next edit recomputes.
    form->NIOKeyD()->setText("44");
    EXPECT_EQ(form->SimulationRuns(), runs + 1);
    EXPECT_EQ(form->LblResult()->text(), "W");
}

TEST_F(MainWindow, AboutButtonShowsTheBoxAndExitClosesTheWindow)
{
    Show();
    QTest::mouseClick(form->BButAbout(), Qt::LeftButton);
    EXPECT_EQ(modalRuns, (QStringList{"FrmAbout", "FrmAbout"}));
    QTest::mouseClick(form->SBLabelsOnOff(), Qt::LeftButton);
    ASSERT_TRUE(explain->isVisible());
    QTest::mouseClick(form->BButExit(), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(explain->isVisible());
}

// Renders the window at the default inputs and with explanations on, for people to look at,
// and checks the pixels that tell the run apart.
TEST_F(MainWindow, PictureShowsTheReceiverInTheColourOfChannelOne)
{
    Show();
    QImage plain = form->grab().toImage();
    QTest::mouseClick(form->SBLabelsOnOff(), Qt::LeftButton);
    QImage explained = form->grab().toImage();
    const QString folder = QDir::current().filePath("pictures");
    QDir().mkpath(folder);
    EXPECT_TRUE(plain.save(folder + "/mainwindow.png"));
    EXPECT_TRUE(explained.save(folder + "/mainwindow-explained.png"));
    EXPECT_TRUE(explain->grab().save(folder + "/explanations.png"));
    EXPECT_TRUE(about->grab().save(folder + "/about.png"));

    // Inside RCD's plot, away from traces: the light blue of channel 1.
    const QPoint rcdPlot = form->RCD()->geometry().topLeft() + QPoint(10 + 3, 20 + 3);
    EXPECT_EQ(plain.pixelColor(rcdPlot), ToQColor(ChannelA));
    EXPECT_NE(plain, explained);
}

// The window with the keyboard on the spreading factor, for people to look at: the thumb shows
// the focus, which the bar without focus does not.
TEST_F(MainWindow, PictureShowsWhichControlHasTheFocus)
{
    ShowActive();
    TScrollBar* bar = form->SBarSpread();
    const QImage unfocused = bar->grab().toImage();
    form->EdTransB()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form->EdTransB(), Qt::Key_Tab);
    ASSERT_TRUE(bar->hasFocus());
    const QImage window = form->grab().toImage();
    const QString folder = QDir::current().filePath("pictures");
    QDir().mkpath(folder);
    EXPECT_TRUE(window.save(folder + "/mainwindow-focus-spread.png"));
    EXPECT_TRUE(window.copy(QRect(0, 0, 360, 40)).scaled(1080, 120).save(folder + "/mainwindow-focus-spread-zoom.png"));
    EXPECT_NE(bar->grab().toImage(), unfocused);
}
