#include "app/AboutBox.h"
#include "app/errorreport.h"
#include "app/formtools.h"
#include "app/mainfrm.h"
#include "app/uexplain.h"
#include "core/chart/chart.h"
#include "core/sim/receivedcharacter.h"
#include "core/sim/signalcharts.h"
#include "i18n/cp1252.h"
#include "widgets/numio.h"
#include "widgets/numlab.h"
#include "widgets/qtconvert.h"
#include "widgets/rchart.h"

#include <QAccessible>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRawFont>
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

using namespace palette;

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
        errorreport::SetSink([this](const QString& message) { errors << message; });
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

    void TearDown() override { errorreport::SetSink(nullptr); }

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

// What the stored layout fixes and the program relies on before its first run: the title, the
// size of a window that cannot be resized, the field order (the translator walks the controls
// in it, so a language-file template lists their keys in it), the scroll bar's range and
// position with the gain label showing it, and the verdict hidden.
TEST_F(MainWindow, StoredLayoutBeforeTheFirstRun)
{
    EXPECT_EQ(form->windowTitle(), "Direct Sequence CDMA");
    EXPECT_EQ(form->size(), QSize(931, 709));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    QStringList order;
    for (QObject* child : form->children())
        if (child->isWidgetType())
            order << child->objectName();
    EXPECT_EQ(order, (QStringList{"RCA", "NIOKeyA", "RCB", "RCC", "NIOKeyB", "NIOKeyD", "EdTransA", "EdTransB",
                                  "SBarSpread", "RCD", "LblResult", "Label1", "Label2", "Label3", "Label4", "Label5",
                                  "LblTransErr", "NLabPG", "SBLabelsOnOff", "Label6", "BButAbout", "BButExit"}));
    EXPECT_EQ(form->SBarSpread()->minimum(), 2);
    EXPECT_EQ(form->SBarSpread()->maximum(), 20);
    EXPECT_EQ(form->SBarSpread()->value(), 8);
    EXPECT_EQ(form->NLabPG()->Value(), 8);
    EXPECT_FALSE(form->LblTransErr()->isVisibleTo(form.get()));
    // Applying the layout ran no simulation.
    EXPECT_EQ(form->SimulationRuns(), 0);
    EXPECT_EQ(form->RCA()->Count(), 0);
}

// The window's charts are the stored charts that the simulator's pictures and the web page draw
// too: the same place, margins, colours and layer ranges, and the one visible axis.
TEST_F(MainWindow, ChartsAreTheStoredCharts)
{
    const std::pair<SignalChart, TRChart*> charts[] = {
        {SignalChart::RCA, form->RCA()}, {SignalChart::RCB, form->RCB()},
        {SignalChart::RCC, form->RCC()}, {SignalChart::RCD, form->RCD()}};
    for (const auto& [which, widget] : charts) {
        SCOPED_TRACE(SignalChartName(which));
        const std::unique_ptr<Chart> stored = NewSignalChart(which);
        Chart& shown = widget->Core();
        EXPECT_EQ(widget->objectName(), SignalChartName(which));
        EXPECT_EQ(widget->geometry(), ToQRect(SignalChartGeometry(which)));
        EXPECT_EQ(shown.GetSize(), stored->GetSize());
        EXPECT_EQ(shown.MarginLeft(), stored->MarginLeft());
        EXPECT_EQ(shown.MarginRight(), stored->MarginRight());
        EXPECT_EQ(shown.MarginTop(), stored->MarginTop());
        EXPECT_EQ(shown.MarginBottom(), stored->MarginBottom());
        EXPECT_EQ(shown.ChartColor(), stored->ChartColor());
        EXPECT_EQ(shown.DataColor(), stored->DataColor());
        for (int layer = 1; layer <= 4; ++layer) {
            EXPECT_EQ(shown.ScaleX(layer).RangeLow(), stored->ScaleX(layer).RangeLow()) << layer;
            EXPECT_EQ(shown.ScaleX(layer).RangeHigh(), stored->ScaleX(layer).RangeHigh()) << layer;
            EXPECT_EQ(shown.ScaleY(layer).RangeLow(), stored->ScaleY(layer).RangeLow()) << layer;
            EXPECT_EQ(shown.ScaleY(layer).RangeHigh(), stored->ScaleY(layer).RangeHigh()) << layer;
            EXPECT_EQ(shown.ScaleX(layer).Visible(), stored->ScaleX(layer).Visible()) << layer;
            EXPECT_EQ(shown.ScaleY(layer).Visible(), stored->ScaleY(layer).Visible()) << layer;
        }
    }
    EXPECT_TRUE(form->RCD()->ScaleX(1)->Visible());
    EXPECT_EQ(form->RCD()->ScaleX(1)->Caption(), QString::fromUtf8("µs"));
}

// What a control covers: a label paints nothing but its text, so it covers where its text lies
// within it (a caption's box may reach a pixel into a chart's border); any other control its
// rectangle.
QRect Covered(const QWidget* control)
{
    const auto* label = qobject_cast<const QLabel*>(control);
    if (!label)
        return control->geometry();
    const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect text = label->fontMetrics().boundingRect(label->contentsRect(), flags, label->text());
    return text.translated(label->pos()).intersected(label->geometry());
}

// Every control lies inside the window and none covers another, the verdict that shows only
// after a failed run included, and so does the received character whatever its size.
TEST_F(MainWindow, ControlsLieInsideTheWindowAndApart)
{
    Show();
    const QRect client = form->rect();
    ASSERT_EQ(client.size(), QSize(931, 709));
    QList<QWidget*> controls;
    for (QObject* child : form->children())
        if (child->isWidgetType())
            controls << static_cast<QWidget*>(child);
    ASSERT_GE(controls.size(), 22);
    const auto overlaps = [&] {
        QStringList found;
        for (qsizetype i = 0; i < controls.size(); ++i) {
            // An empty rectangle counts as inside where its corner is: a received line feed has
            // no width.
            const QRect g = controls[i]->geometry();
            if (g.left() < 0 || g.top() < 0 || g.right() > client.right() || g.bottom() > client.bottom())
                found << controls[i]->objectName() + " outside";
            const QRect a = Covered(controls[i]);
            for (qsizetype j = i + 1; j < controls.size(); ++j)
                if (a.intersects(Covered(controls[j])))
                    found << controls[i]->objectName() + " on " + controls[j]->objectName();
        }
        return found;
    };
    EXPECT_TRUE(overlaps().isEmpty()) << overlaps().join("; ").toStdString();
    QStringList failed;
    for (int code = 0; code <= 0xFF; ++code) {
        form->EdTransA()->setText(cp1252::Decode(QByteArray(1, char(code))));
        const QStringList found = overlaps();
        if (!found.isEmpty())
            failed << QString::number(code) + ": " + found.join(", ");
    }
    EXPECT_TRUE(failed.isEmpty()) << failed.join("; ").toStdString();
    form->NIOKeyD()->setText("7"); // no channel: the verdict shows
    ASSERT_TRUE(form->LblTransErr()->isVisible());
    EXPECT_TRUE(overlaps().isEmpty()) << overlaps().join("; ").toStdString();
    EXPECT_TRUE(errors.isEmpty());
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

// Every control has a name for a screen reader, and each field is labelled by the caption
// beside it. That the names are translation keys with an entry in both language files is
// asserted with the files (test_language_files).
TEST_F(MainWindow, EveryControlTellsAScreenReaderWhatItIs)
{
    Show();
    QList<QLabel*> captions;
    for (QObject* child : form->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control)
            continue;
        EXPECT_FALSE(Spoken(control, QAccessible::Name).trimmed().isEmpty()) << control->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(control); label && label != form->LblResult())
            captions << label;
    }
    // The caption of a field is the one that ends left of it on the rows the field takes.
    for (QWidget* field : {static_cast<QWidget*>(form->NIOKeyA()), static_cast<QWidget*>(form->NIOKeyB()),
                           static_cast<QWidget*>(form->NIOKeyD()), static_cast<QWidget*>(form->EdTransA()),
                           static_cast<QWidget*>(form->EdTransB())}) {
        SCOPED_TRACE(field->objectName().toStdString());
        const QRect place = field->geometry();
        QLabel* beside = nullptr;
        for (QLabel* caption : captions) {
            const QRect c = caption->geometry();
            const bool left = c.right() < place.left();
            const bool sameRows = c.top() <= place.bottom() && c.bottom() >= place.top();
            if (left && sameRows && (!beside || c.right() > beside->geometry().right()))
                beside = caption;
        }
        ASSERT_NE(beside, nullptr);
        const auto labelled = QAccessible::queryAccessibleInterface(field)->relations(QAccessible::Label);
        ASSERT_EQ(labelled.size(), 1);
        EXPECT_EQ(labelled.first().first->object(), beside);
    }
    // The gain label speaks the number it shows; the scroll bar its position and its range,
    // which stops at the 20 chips per bit the arrays hold.
    EXPECT_EQ(Spoken(form->NLabPG(), QAccessible::Description), QString::number(form->NLabPG()->Value()));
    QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(form->SBarSpread())->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), form->SBarSpread()->value());
    EXPECT_EQ(value->minimumValue().toInt(), 2);
    EXPECT_EQ(value->maximumValue().toInt(), 20);
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
    formtools::SetAnnouncementObserver([&announced](QWidget* widget, QAccessible::Event change) {
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
    formtools::SetAnnouncementObserver(nullptr);
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
// character that does not fit keeps less ink in the label than when drawn freely. Every byte,
// whatever fonts the machine has.
TEST_F(MainWindow, ReceivedCharacterIsNeverCutOff)
{
    Show();
    QLabel* label = form->LblResult();
    const QColor background = form->palette().color(QPalette::Window);
    QStringList cut;
    for (int code = 0; code <= 0xFF; ++code) {
        form->EdTransA()->setText(cp1252::Decode(QByteArray(1, char(code))));
        ASSERT_EQ(label->text(), cp1252::ToQString(ShownReceivedCharacter(static_cast<unsigned char>(code)))) << code;
        EXPECT_EQ(label->pos(), QPoint(64, 624));
        if (InkMass(label->grab().toImage(), background) != FreeInkMass(label, background))
            cut << QString::number(code);
    }
    EXPECT_TRUE(cut.isEmpty()) << cut.join(' ').toStdString();
    EXPECT_TRUE(errors.isEmpty());
}

// A byte without a printable character is shown by its name, in glyphs of the label's own font
// and in the height of its line, never by a glyph some other font offers for the control
// character (a machine with math fonts draws the delete character as a tall symbol otherwise).
TEST_F(MainWindow, AByteWithoutACharacterIsShownByItsNameInTheLabelsOwnFont)
{
    Show();
    QLabel* label = form->LblResult();
    const QRawFont own = QRawFont::fromFont(label->font());
    ASSERT_TRUE(own.isValid());
    const int lineHeight = QFontMetrics(label->font()).height();
    const QString shownBy[][2] = {{"0", "NUL"}, {"8", "BS"}, {"27", "ESC"}, {"31", "US"}, {"127", "DEL"}, {"129", "#129"},
                                  {"157", "#157"}};
    for (const auto& [code, name] : shownBy) {
        form->EdTransA()->setText(cp1252::Decode(QByteArray(1, char(code.toInt()))));
        EXPECT_EQ(label->text(), name) << code.toStdString();
    }
    QStringList wrong;
    for (int code = 0; code <= 0xFF; ++code) {
        form->EdTransA()->setText(cp1252::Decode(QByteArray(1, char(code))));
        bool ownGlyphs = true;
        for (const QChar c : label->text())
            ownGlyphs = ownGlyphs && own.supportsCharacter(c);
        if (!ownGlyphs)
            wrong << QString::number(code) + " drawn in another font";
        if (!HasPrintableCharacter(static_cast<unsigned char>(code)) && label->height() != lineHeight)
            wrong << QString::number(code) + QString(" %1 high").arg(label->height());
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join("; ").toStdString();
}

// The label tests run twice (tests/app/CMakeLists.txt): with the default font configuration, in
// which the math fonts that claim the control characters are installed as the test dependencies
// install them, and with a configuration that rejects their folder. Each run checks that it
// sees the fonts it means to test.
TEST(LabelFonts, EachRunSeesTheFontsItMeansToTest)
{
    const QString hidden = qEnvironmentVariable("DSCDMA_HIDDEN_FONT_FOLDER");
    const QString folder = hidden.isEmpty() ? QStringLiteral("/usr/share/fonts/truetype/lyx") : hidden;
    if (hidden.isEmpty() && !QFileInfo::exists(folder + "/esint10.ttf"))
        GTEST_SKIP() << "the math fonts are not installed here: scripts/deps.sh installs them";
    ASSERT_TRUE(QFileInfo::exists(folder + "/esint10.ttf"));
    EXPECT_EQ(QFontDatabase::families().contains("esint10"), hidden.isEmpty());
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

// The layout's tab order (key fields, character fields, spreading factor, About, Exit) with the
// explanations button where it sits on the top row, as the README tells users: Tab goes round it
// and back to the start, Backtab the other way, and no other control takes the focus on the way.
TEST_F(MainWindow, TabVisitsEveryControlInTheLayoutsOrder)
{
    const QStringList documented{"NIOKeyA", "NIOKeyB", "NIOKeyD", "EdTransA", "EdTransB",
                                 "SBarSpread", "SBLabelsOnOff", "BButAbout", "BButExit"};
    ShowActive();
    ASSERT_EQ(QApplication::focusWidget(), form->NIOKeyA());
    const auto walk = [](Qt::Key key) {
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 20; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            if (QApplication::focusWidget()->objectName() == visited.first())
                break;
            visited << QApplication::focusWidget()->objectName();
        }
        return visited;
    };
    EXPECT_EQ(walk(Qt::Key_Tab), documented);
    QStringList backwards{documented.first()};
    for (qsizetype i = documented.size() - 1; i > 0; --i)
        backwards << documented[i];
    EXPECT_EQ(walk(Qt::Key_Backtab), backwards);
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
