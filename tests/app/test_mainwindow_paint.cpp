// What the main window shows after edits come faster than its paints, and what the edits leave
// behind in memory.
#include "app/mainfrm.h"
#include "widgets/numio.h"
#include "widgets/qtcanvas.h"
#include "widgets/rchart.h"

#include <QBackingStore>
#include <QFile>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// What the window's backing store holds where `widget` is: what the window shows.
QImage shownInWindow(QWidget& widget)
{
    QWidget* window = widget.window();
    QBackingStore* store = window->backingStore();
    if (!store || !store->paintDevice() || store->paintDevice()->devType() != QInternal::Image)
        return {};
    const auto* image = static_cast<const QImage*>(store->paintDevice());
    return image->copy(QRect(widget.mapTo(window, QPoint(0, 0)), widget.size())).convertToFormat(QImage::Format_RGB32);
}

QImage fromScratch(TRChart& chart)
{
    QtCanvas canvas(chart.width(), chart.height());
    chart.RenderTo(canvas);
    return canvas.image();
}

std::unique_ptr<TForm1> shownWindow()
{
    auto form = std::make_unique<TForm1>();
    form->SetModalRunner([](QDialog&) {});
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    return form;
}

struct Inputs
{
    QString textA, textB, keyA, keyB, keyRx;
    int spread;
    bool explained;
};

// The inputs as a user leaves them, without the change events; then one update.
void setInputs(TForm1& form, const Inputs& in)
{
    {
        const QSignalBlocker blockers[] = {QSignalBlocker(form.EdTransA()), QSignalBlocker(form.EdTransB()),
                                           QSignalBlocker(form.NIOKeyA()),  QSignalBlocker(form.NIOKeyB()),
                                           QSignalBlocker(form.NIOKeyD()),  QSignalBlocker(form.SBarSpread()),
                                           QSignalBlocker(form.SBLabelsOnOff())};
        form.EdTransA()->setText(in.textA);
        form.EdTransB()->setText(in.textB);
        form.NIOKeyA()->setText(in.keyA);
        form.NIOKeyB()->setText(in.keyB);
        form.NIOKeyD()->setText(in.keyRx);
        form.SBarSpread()->setValue(in.spread);
        form.SBLabelsOnOff()->setChecked(in.explained);
    }
    form.SBarSpreadChange(); // the processing gain's label, and the update
}

TEST(MainWindowOnScreen, ABurstOfEditsEndsAsAFreshWindowShowsItsLastState)
{
    std::unique_ptr<TForm1> form = shownWindow();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // Typed, scrolled and clicked without a paint in between but what the fields ask for.
    QTest::keyClick(form->EdTransA(), Qt::Key_Q);
    form->NIOKeyA()->setFocus();
    form->NIOKeyA()->setCursorPosition(2);
    QTest::keyClicks(form->NIOKeyA(), "7");
    for (int spread : {12, 3, 17, 9})
        form->SBarSpread()->setValue(spread);
    QTest::keyClick(form->EdTransB(), Qt::Key_R);
    form->NIOKeyD()->setFocus();
    form->NIOKeyD()->setCursorPosition(2);
    QTest::keyClick(form->NIOKeyD(), Qt::Key_Backspace); // the receiver on no channel: white
    QTest::keyClicks(form->NIOKeyD(), "4");
    QTest::mouseClick(form->SBLabelsOnOff(), Qt::LeftButton); // the explanation labels
    QTest::keyClick(form->EdTransA(), Qt::Key_M);
    // No caret where the fresh window has none.
    form->setFocus();
    QCoreApplication::processEvents();

    const Inputs last{"m", "r", "237", "44", "24", 9, true};
    EXPECT_EQ(form->EdTransA()->text(), last.textA);
    EXPECT_EQ(form->NIOKeyA()->text(), last.keyA);
    EXPECT_EQ(form->NIOKeyD()->text(), last.keyRx);
    EXPECT_EQ(form->SBarSpread()->value(), last.spread);
    EXPECT_TRUE(form->SBLabelsOnOff()->isChecked());
    for (TRChart* chart : {form->RCA(), form->RCB(), form->RCC(), form->RCD()}) {
        SCOPED_TRACE(chart->objectName().toStdString());
        EXPECT_EQ(shownInWindow(*chart), fromScratch(*chart));
    }

    // One window at a time: the link registers its message window once per process.
    const QImage edited = shownInWindow(*form);
    form->close();
    form.reset();
    const std::unique_ptr<TForm1> fresh = shownWindow();
    setInputs(*fresh, last);
    fresh->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(edited, shownInWindow(*fresh));
}

std::optional<long> residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return std::nullopt;
    long pages = 0, resident = 0;
    if (std::sscanf(statm.readAll().constData(), "%ld %ld", &pages, &resident) != 2)
        return std::nullopt;
    return resident * 4;
}

TEST(MainWindowOnScreen, TenThousandEditsLeaveTheMemoryAsTheFirstHundred)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer keeps freed memory in quarantine";
#endif
    if (!residentKiB())
        GTEST_SKIP() << "no /proc/self/statm here";
    const std::unique_ptr<TForm1> form = shownWindow();
    const Inputs runs[] = {{"Z", "W", "23", "44", "23", 20, false}, {"Y", "V", "2", "45", "44", 7, true}};
    auto edit = [&](int n) {
        Inputs in = runs[n % 2];
        in.spread = 2 + n % 19;
        setInputs(*form, in);
        QCoreApplication::processEvents();
    };
    for (int n = 0; n < 100; ++n)
        edit(n);
    const long before = *residentKiB();
    for (int n = 100; n < 10000; ++n)
        edit(n);
    const long after = *residentKiB();
    std::printf("resident after 100 edits: %ld KiB, after 10000: %ld KiB\n", before, after);
    RecordProperty("rss_kib_after_100", int(before));
    RecordProperty("rss_kib_after_10000", int(after));
    EXPECT_EQ(form->SimulationRuns(), 10000 + 1);
    EXPECT_LT(after - before, 2048);
}

} // namespace
