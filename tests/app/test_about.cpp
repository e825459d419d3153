#include "app/AboutBox.h"
#include "widgets/qtconvert.h"

#include <recordingcanvas.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const QColor Maroon(128, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);

template <typename T = QWidget>
T* child(const TFrmAbout& box, const char* name)
{
    T* widget = box.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QColor textColor(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

// Remembers where the last mouse move that reached a widget happened, in global coordinates.
class MoveWatcher : public QObject
{
public:
    QPoint lastMove{-1, -1};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove && watched->isWidgetType())
            lastMove = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        return false;
    }
};

// A mouse move without a button, through the window system as a real one arrives: the window
// hands it to the widget under the mouse, and widgets without mouse tracking pass it on. On a
// real display the move comes back from the server later, so wait until it has been delivered.
void hover(TFrmAbout& box, QPoint posInBox)
{
    MoveWatcher watcher;
    qApp->installEventFilter(&watcher);
    const QPoint global = box.mapToGlobal(posInBox);
    QTest::mouseMove(&box, posInBox);
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.lastMove == global; }, 2000));
    qApp->removeEventFilter(&watcher);
}

QPoint centreIn(const TFrmAbout& box, const QWidget* widget)
{
    return widget->mapTo(&box, widget->rect().center());
}

struct Recorded
{
    QStringList addresses;
    QList<Qt::CursorShape> cursors; // override cursor while the address was handed over
};

void recordInto(TFrmAbout& box, Recorded& recorded)
{
    box.setUrlOpener([&recorded](const QString& address) {
        recorded.addresses << address;
        const QCursor* cursor = QGuiApplication::overrideCursor();
        recorded.cursors << (cursor ? cursor->shape() : Qt::ArrowCursor);
    });
}

} // namespace

// Font, text colour and, for labels, alignment and wrapping, as one line.
QString look(const QWidget* widget)
{
    const QFont font = widget->font();
    QStringList parts{font.family(), QString::number(font.pixelSize())};
    if (font.bold())
        parts << "bold";
    if (font.italic())
        parts << "italic";
    if (font.underline())
        parts << "underlined";
    parts << textColor(widget).name();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        const Qt::Alignment h = label->alignment() & Qt::AlignHorizontal_Mask;
        parts << (h == Qt::AlignHCenter ? "centred" : h == Qt::AlignRight ? "right" : "left");
        if (label->wordWrap())
            parts << "wrapped";
    }
    return parts.join(' ');
}

TEST(AboutBox, ControlsHaveTheirStoredPlaceAndLook)
{
    struct Row
    {
        const char* name;
        const char* parent;
        QRect geometry;
        const char* look;
    };
    const Row rows[] = {
        {"Panel1", "FrmAbout", QRect(8, 10, 529, 127), "Arial 13 #000000"},
        {"LblName", "Panel1", QRect(8, 12, 513, 34), "Arial 30 bold italic #800000 centred"},
        {"LblVersion", "Panel1", QRect(8, 50, 513, 16), "Arial 13 #000000 centred"},
        {"LblAuthor", "Panel1", QRect(8, 74, 513, 16), "Arial 13 #000000 centred"},
        {"LblCopyright", "Panel1", QRect(8, 100, 513, 16), "Arial 13 #000000 centred"},
        {"LblDescription", "FrmAbout", QRect(8, 152, 529, 65), "Arial 13 #800000 centred wrapped"},
        {"Panel2", "FrmAbout", QRect(8, 224, 529, 65), "Arial 13 #000000"},
        {"LblWebSite", "Panel2", QRect(8, 8, 137, 49), "Arial 13 #000000 right wrapped"},
        {"LblHomePage", "Panel2", QRect(152, 12, 369, 16), "Courier New 13 bold underlined #0000ff left"},
        {"LblSimus", "Panel2", QRect(152, 36, 369, 16), "Courier New 13 bold underlined #0000ff left"},
        {"BButOK", "FrmAbout", QRect(424, 296, 113, 33), "Arial 13 #000000"},
    };
    TFrmAbout box;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget* widget = child(box, row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(row.parent));
        EXPECT_EQ(widget->geometry(), row.geometry);
        EXPECT_EQ(look(widget), QString::fromLatin1(row.look));
    }
    EXPECT_EQ(box.LblHomePage()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(box.LblSimus()->cursor().shape(), Qt::PointingHandCursor);
    for (const QLabel* label : box.findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << "translations are shown as they are";
}

TEST(AboutBox, WindowIsAFixedDialogThatDoesNotEndTheProgram)
{
    TFrmAbout box;
    EXPECT_EQ(box.windowTitle(), "BF_About");
    EXPECT_EQ(box.size(), QSize(543, 332));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_FALSE(box.windowIcon().isNull());
    EXPECT_FALSE(box.testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(box.LblName()->text(), "App. name");
    EXPECT_EQ(box.LblVersion()->text(), "App. version");
    EXPECT_TRUE(box.LblAuthor()->text().isEmpty());
    EXPECT_TRUE(box.LblCopyright()->text().contains("DS-CDMA team"));
    EXPECT_EQ(box.LblHomePage()->text(), "BF_HomePage");
    EXPECT_EQ(box.LblSimus()->text(), TFrmAbout::simulationsAddress());
    EXPECT_EQ(box.BButOK()->text(), "BF_OK");
    EXPECT_FALSE(box.BButOK()->icon().isNull());

    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    // Without a window manager the frame is only guessed.
    if (!box.windowHandle()->frameMargins().isNull()) {
        const QPoint offCentre = box.frameGeometry().center() - box.screen()->availableGeometry().center();
        EXPECT_LE(offCentre.manhattanLength(), 2) << "centred on the screen";
    }
}

TEST(AboutBox, HomePageLinkBecomesVisibleOnEveryShow)
{
    TFrmAbout box;
    EXPECT_FALSE(box.LblHomePage()->isVisibleTo(&box));
    box.show();
    EXPECT_TRUE(box.LblHomePage()->isVisible());
    box.hide();
    box.LblHomePage()->hide();
    box.show();
    EXPECT_TRUE(box.LblHomePage()->isVisible());
}

TEST(AboutBox, LinksTurnRedUnderTheMouseAndBlueOnlyOverTheBarePanel)
{
    TFrmAbout box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QLabel* home = box.LblHomePage();
    QLabel* simus = box.LblSimus();

    hover(box, centreIn(box, simus));
    EXPECT_EQ(textColor(simus), Red);
    EXPECT_EQ(textColor(home), Blue);

    hover(box, centreIn(box, home));
    EXPECT_EQ(textColor(home), Red);
    EXPECT_EQ(textColor(simus), Red) << "a link stays red until the mouse crosses the bare panel";

    hover(box, centreIn(box, box.LblWebSite()));
    EXPECT_EQ(textColor(home), Red) << "the lead-in text is not bare panel";

    hover(box, box.LblDescription()->geometry().center());
    EXPECT_EQ(textColor(home), Red) << "leaving the panel changes nothing";

    const QPoint barePanel = box.Panel2()->mapTo(&box, QPoint(148, 32));
    ASSERT_EQ(box.childAt(barePanel), box.Panel2());
    hover(box, barePanel);
    EXPECT_EQ(textColor(home), Blue);
    EXPECT_EQ(textColor(simus), Blue);
}

TEST(AboutBox, ClickingALinkHandsItsAddressOverUnderABusyCursor)
{
    TFrmAbout box;
    Recorded recorded;
    recordInto(box, recorded);
    box.setHomePageAddress("HomePageURL");
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));

    QTest::mouseClick(box.LblHomePage(), Qt::LeftButton);
    QTest::mouseClick(box.LblSimus(), Qt::LeftButton);
    QTest::mouseClick(box.LblWebSite(), Qt::LeftButton);
    QTest::mouseClick(box.LblSimus(), Qt::RightButton);

    EXPECT_EQ(recorded.addresses, QStringList({"HomePageURL", TFrmAbout::simulationsAddress()}));
    EXPECT_EQ(recorded.cursors, QList<Qt::CursorShape>({Qt::BusyCursor, Qt::BusyCursor}));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(AboutBox, ReleasingOutsideTheLinkIsNoClick)
{
    TFrmAbout box;
    Recorded recorded;
    recordInto(box, recorded);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));

    QTest::mousePress(box.LblSimus(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(box.LblSimus(), Qt::LeftButton, {}, QPoint(5, 40));
    EXPECT_TRUE(recorded.addresses.isEmpty());
}

TEST(AboutBox, CursorIsRestoredWhenOpeningFails)
{
    TFrmAbout box;
    box.setUrlOpener([](const QString&) { throw std::runtime_error("no handler"); });
    EXPECT_THROW(box.LblSimusClick(), std::runtime_error);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(AboutBox, LanguageSettingChoosesGermanOnlyForLgGerman)
{
    struct Row
    {
        const char* setting;
        TFrmAbout::Language expected;
    };
    const Row rows[] = {
        {"lggerman", TFrmAbout::Language::German},
        {"LGGerman", TFrmAbout::Language::German},
        {"LGGERMAN", TFrmAbout::Language::German},
        {"$dlglanguage$", TFrmAbout::Language::English},
        {"lgenglish", TFrmAbout::Language::English},
        {"german", TFrmAbout::Language::English},
        {"lggerman ", TFrmAbout::Language::English},
        {"", TFrmAbout::Language::English},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TFrmAbout::languageFromSetting(QString::fromLatin1(row.setting)), row.expected) << row.setting;
}

TEST(AboutBox, SetLanguageFillsLeadInAndDescription)
{
    TFrmAbout box;
    box.setLanguage(TFrmAbout::Language::German);
    EXPECT_EQ(box.LblWebSite()->text(), "Mehr Informationen finden Sie auf folgenden Webseiten:");
    const QString german = box.LblDescription()->text();
    EXPECT_TRUE(german.startsWith("Dieses Programm zeigt die Funktion von DS-CDMA"));
    EXPECT_TRUE(german.endsWith("und wird in verschiedenen interaktiven elektronischen Lehrbüchern eingesetzt."));
    EXPECT_TRUE(german.contains("DS-CDMA-Team"));

    box.setLanguage(TFrmAbout::Language::English);
    EXPECT_EQ(box.LblWebSite()->text(), "More information can be found at the following Web sites:");
    const QString english = box.LblDescription()->text();
    EXPECT_TRUE(english.startsWith("This program shows the principles of DS-CDMA. "));
    EXPECT_TRUE(english.endsWith(" It is used in various electronic textbooks."));
    EXPECT_TRUE(english.contains("DS-CDMA team"));
}

void expectNoLabelCutOff(const TFrmAbout& box)
{
    for (const QLabel* label : box.findChildren<QLabel*>()) {
        SCOPED_TRACE(label->objectName().toStdString());
        const int flags = (label->wordWrap() ? Qt::TextWordWrap : 0) | int(label->alignment());
        const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000), flags, label->text());
        EXPECT_LE(needed.width(), label->width());
        EXPECT_LE(needed.height(), label->height());
        EXPECT_LE(label->geometry().bottom(), label->parentWidget()->height() - 1);
    }
}

TEST(AboutBox, ShownTextsAreNeverCutOff)
{
    TFrmAbout box;
    box.LblName()->setText("DS-CDMA");
    box.LblVersion()->setText("Version 1.0");
    for (auto language : {TFrmAbout::Language::English, TFrmAbout::Language::German}) {
        box.setLanguage(language);
        box.show();
        expectNoLabelCutOff(box);
        box.hide();
    }
    // Heights may grow; places and widths stay.
    EXPECT_EQ(box.LblWebSite()->pos(), QPoint(8, 8));
    EXPECT_EQ(box.LblWebSite()->width(), 137);
    EXPECT_EQ(box.LblDescription()->geometry().topLeft(), QPoint(8, 152));
}

TEST(AboutBox, TextTooLongForItsLabelIsSetSmallerUntilTheNextShow)
{
    TFrmAbout box;
    const int designed = box.LblWebSite()->font().pixelSize();
    box.LblWebSite()->setText("Weitere Informationen, Unterrichtsmaterialien und Simulationen finden Sie auf "
                              "folgenden Webseiten:");
    box.LblSimus()->setText("https://dscdma-team.example.org/simulations/direct-sequence");
    box.show();
    expectNoLabelCutOff(box);
    EXPECT_LT(box.LblWebSite()->font().pixelSize(), designed);

    box.hide();
    box.setLanguage(TFrmAbout::Language::English);
    box.LblSimus()->setText(TFrmAbout::simulationsAddress());
    box.show();
    EXPECT_EQ(box.LblWebSite()->font().pixelSize(), designed) << "a fitting text gets the designed font back";
    expectNoLabelCutOff(box);
}

TEST(AboutBox, AddressesBecomeUrlsOnlyWhenTheyNameSomething)
{
    struct Row
    {
        const char* address;
        const char* url; // empty: nothing is opened
    };
    const Row rows[] = {
        {"HomePageURL", ""},
        {"", ""},
        {"   ", ""},
        {"https://dscdma-team.example.org/simulations", "https://dscdma-team.example.org/simulations"},
        {"www.example.org/dscdma", "http://www.example.org/dscdma"},
        {" www.example.org ", "http://www.example.org"},
        {"localhost:8080/book", "http://localhost:8080/book"},
        {"mailto:team@example.org", "mailto:team@example.org"},
        {"/usr/share/doc/dscdma/index.html", "file:///usr/share/doc/dscdma/index.html"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TFrmAbout::urlForAddress(QString::fromLatin1(row.address)).toString(), QString::fromLatin1(row.url))
            << row.address;
}

TEST(AboutBox, OkButtonEndsTheModalShowing)
{
    TFrmAbout box;
    QTimer::singleShot(0, &box, [&box] { QTest::mouseClick(box.BButOK(), Qt::LeftButton); });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());

    QTimer::singleShot(0, &box, [&box] { QTest::keyClick(&box, Qt::Key_Return); });
    EXPECT_EQ(box.exec(), QDialog::Accepted) << "OK is the default button";
}

// OK has the focus on every show; Tab reaches the two links, which Return or Space opens, and
// Escape closes the box.
TEST(AboutBox, KeyboardReachesOkAndBothLinks)
{
    TFrmAbout box;
    box.setHomePageAddress("https://home.example.org");
    Recorded recorded;
    recordInto(box, recorded);
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    ASSERT_EQ(QApplication::focusWidget(), box.BButOK());
    const QImage unfocused = box.LblSimus()->grab().toImage();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), box.LblHomePage());
    QTest::keyClick(box.LblHomePage(), Qt::Key_Return);
    QTest::keyClick(box.LblHomePage(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), box.LblSimus());
    EXPECT_NE(box.LblSimus()->grab().toImage(), unfocused) << "the focus shows";
    QTest::keyClick(box.LblSimus(), Qt::Key_Space);
    QTest::keyClick(box.LblSimus(), Qt::Key_A);
    EXPECT_EQ(recorded.addresses, (QStringList{"https://home.example.org", TFrmAbout::simulationsAddress()}));
    QTest::keyClick(box.LblSimus(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), box.BButOK());

    QTest::keyClick(box.LblSimus(), Qt::Key_Tab);
    box.hide();
    box.show();
    EXPECT_EQ(box.focusWidget(), box.BButOK()) << "a new show starts at OK";

    QTimer::singleShot(0, &box, [&box] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); });
    EXPECT_EQ(box.exec(), QDialog::Rejected);
    EXPECT_FALSE(box.isVisible());
}

TEST(BevelPanel, LoweredOuterAndRaisedInnerBevelsAreDrawnAsFrameLines)
{
    RecordingCanvas canvas(10, 6);
    const QColor light(255, 255, 255);
    const QColor dark(160, 160, 160);
    TBevelPanel::paintBevels(canvas, QSize(10, 6), TBevelPanel::Bevel::Lowered, TBevelPanel::Bevel::Raised, light, dark);

    const auto lines = canvas.ops(RecordingCanvas::OpKind::Polyline);
    ASSERT_EQ(lines.size(), 4u);
    using Points = std::vector<Point>;
    EXPECT_EQ(lines[0].points, Points({{0, 5}, {0, 0}, {9, 0}}));
    EXPECT_EQ(lines[0].pen.color, ToTColor(dark));
    EXPECT_EQ(lines[1].points, Points({{9, 0}, {9, 5}, {-1, 5}}));
    EXPECT_EQ(lines[1].pen.color, ToTColor(light));
    EXPECT_EQ(lines[2].points, Points({{1, 4}, {1, 1}, {8, 1}}));
    EXPECT_EQ(lines[2].pen.color, ToTColor(light));
    EXPECT_EQ(lines[3].points, Points({{8, 1}, {8, 4}, {0, 4}}));
    EXPECT_EQ(lines[3].pen.color, ToTColor(dark));
}

TEST(BevelPanel, NoBevelDrawsNothingAndTinyPanelsStayInside)
{
    RecordingCanvas none(10, 6);
    TBevelPanel::paintBevels(none, QSize(10, 6), TBevelPanel::Bevel::None, TBevelPanel::Bevel::None, Qt::white, Qt::gray);
    EXPECT_TRUE(none.ops().empty());

    RecordingCanvas tiny(1, 1);
    TBevelPanel::paintBevels(tiny, QSize(1, 1), TBevelPanel::Bevel::Raised, TBevelPanel::Bevel::Raised, Qt::white, Qt::gray);
    EXPECT_EQ(tiny.ops(RecordingCanvas::OpKind::Polyline).size(), 2u) << "the inner bevel has no room left";
}

TEST(AboutBox, PaintedBoxShowsBevelsAndMaroonName)
{
    TFrmAbout box;
    box.LblName()->setText("DS-CDMA");
    box.LblVersion()->setText("Version 1.0");
    box.setLanguage(TFrmAbout::Language::English);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const QImage image = box.grab().toImage();
    if (const QString dir = qEnvironmentVariable("DSCDMA_GRAB_DIR"); !dir.isEmpty())
        image.save(QDir(dir).filePath("about.png"));

    ASSERT_EQ(image.size(), QSize(543, 332));
    const QColor light = box.Panel1()->palette().color(QPalette::Light);
    const QColor dark = box.Panel1()->palette().color(QPalette::Dark);
    // Panel1 at (8, 10), 529 x 127: outer bevel lowered, inner raised.
    EXPECT_EQ(image.pixel(20, 10), dark.rgb());
    EXPECT_EQ(image.pixel(8, 40), dark.rgb());
    EXPECT_EQ(image.pixel(20, 136), light.rgb());
    EXPECT_EQ(image.pixel(536, 40), light.rgb());
    EXPECT_EQ(image.pixel(20, 11), light.rgb());
    EXPECT_EQ(image.pixel(535, 40), dark.rgb());

    int maroonPixels = 0;
    const QRect nameArea = box.LblName()->geometry().translated(box.Panel1()->pos());
    for (int y = nameArea.top(); y <= nameArea.bottom(); ++y)
        for (int x = nameArea.left(); x <= nameArea.right(); ++x)
            maroonPixels += image.pixel(x, y) == Maroon.rgb();
    EXPECT_GT(maroonPixels, 50);

    box.setLanguage(TFrmAbout::Language::German);
    box.hide();
    box.show();
    const QImage german = box.grab().toImage();
    if (const QString dir = qEnvironmentVariable("DSCDMA_GRAB_DIR"); !dir.isEmpty())
        german.save(QDir(dir).filePath("about-de.png"));
    EXPECT_NE(german, image);
}
