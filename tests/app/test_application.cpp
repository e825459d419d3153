#include "app/AboutBox.h"
#include "app/errorreport.h"
#include "app/mainfrm.h"
#include "app/uexplain.h"
#include "tests/support/isolated_runtime.h"
#include "tests/support/test_timing.h"
#include "widgets/numio.h"
#include "widgets/numlab.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Answers every modal message box the way a user would who reads it for a while: it stays open
// for `hold` milliseconds of event processing, then OK closes it. `onOpen` runs once per box, when it first shows.
class BoxReader : public QObject
{
public:
    BoxReader(int holdMs, std::function<void(QMessageBox&)> onOpen)
        : hold(holdMs)
        , m_onOpen(std::move(onOpen))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { Look(); });
        m_timer.start(5);
    }

    int hold;
    QStringList texts;
    QStringList titles;

private:
    void Look()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (box != m_open) {
            m_open = box;
            m_opened.start();
            texts << box->text();
            titles << box->windowTitle();
            if (m_onOpen)
                m_onOpen(*box);
        }
        if (m_opened.elapsed() >= hold)
            box->done(QMessageBox::Ok);
    }

    std::function<void(QMessageBox&)> m_onOpen;
    QTimer m_timer;
    QPointer<QMessageBox> m_open;
    QElapsedTimer m_opened;
};

// Lets the event loop run for a while: time in which a scroll bar that was not told that its
// button went up would step on.
void LetTimePass(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QTest::qWait(10);
}

constexpr int RepeatStartsAfter = 500; // ms, the scroll bar's first repeat after a press
// How long past that first repeat the box stays open: 300 ms at scale 1, widened on a loaded
// machine with DSCDMA_TEST_TIME_SCALE (test_timing.h).
const int HeldPastTheRepeat = Scaled(300);

} // namespace

TEST(Application, WindowTitlesShowTheCaptionsAsTheyStand)
{
    // The desktop appends a display name that was set to every window title.
    EXPECT_EQ(QApplication::applicationName(), "dscdma");
    EXPECT_EQ(QApplication::applicationDisplayName(), QApplication::applicationName());
    TForm1 form;
    EXPECT_EQ(form.windowTitle(), "Direct Sequence CDMA");
    TFrmAbout about;
    form.cliDemon()->Translator()->TranslateComponent(&about);
    EXPECT_EQ(about.windowTitle(), "About");
}

// With a receiver key too large to round every update fails. One click on the scroll bar's
// right arrow, held while the error box is open and let go before the box is closed (the
// release goes to the box, not to the bar), is one step and one box.
TEST(Application, OneClickOnAScrollBarArrowIsOneStepAndAtMostOneErrorBox)
{
    errorreport::SetSink(nullptr);
    TForm1 form;
    form.SetModalRunner([](QDialog&) {});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    TScrollBar* bar = form.SBarSpread();
    const QPoint arrow = bar->SubControlRect(QStyle::SC_ScrollBarAddLine).center();

    bool repeatingWhileOpen = true;
    bool holding = false;
    BoxReader reader(0, [&](QMessageBox&) {
        repeatingWhileOpen = bar->IsRepeating();
        if (holding)
            QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, arrow);
    });
    form.NIOKeyD()->setText("1e40");
    ASSERT_EQ(reader.texts, QStringList{"Invalid floating point operation"});
    ASSERT_EQ(bar->value(), 8);
    const int runs = form.SimulationRuns();

    // Open long after a held arrow would start repeating.
    reader.hold = RepeatStartsAfter + HeldPastTheRepeat;
    holding = true;
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, arrow);
    EXPECT_FALSE(repeatingWhileOpen);
    LetTimePass(RepeatStartsAfter + HeldPastTheRepeat);
    EXPECT_EQ(reader.texts.size(), 2);
    EXPECT_EQ(bar->value(), 9);
    EXPECT_EQ(form.NLabPG()->Value(), 9);
    EXPECT_EQ(reader.titles.value(1), "DS-CDMA");

    // The next click, let go only after the box is closed, fails again and says so once.
    holding = false;
    repeatingWhileOpen = true;
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, arrow);
    EXPECT_FALSE(repeatingWhileOpen);
    EXPECT_EQ(reader.texts.size(), 3);
    EXPECT_EQ(bar->value(), 10);
    EXPECT_EQ(form.SimulationRuns(), runs) << "every run failed";
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const TIsolatedRuntime runtime;
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
