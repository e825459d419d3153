#include "widgets/numio.h"

#include <QLabel>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// A field whose window exists, so that every change is checked, with a record of what the
// owner was told.
struct Field
{
    std::unique_ptr<TNumIO> io = std::make_unique<TNumIO>();
    QStringList reported; // texts at each OnChange

    explicit Field(double low = -1000000, double high = 1000000, TInFormat format = itDynamic)
    {
        io->winId();
        io->SetRangeHigh(high);
        io->SetRangeLow(low);
        io->SetInputFormat(format);
        QObject::connect(io.get(), &TNumIO::OnChange, io.get(), [this](TNumIO* sender) {
            EXPECT_EQ(sender, io.get());
            reported << sender->text();
        });
    }
    void type(const QString& keys) { QTest::keyClicks(io.get(), keys); }
    void key(Qt::Key k) { QTest::keyClick(io.get(), k); }
    void caretAt(int c) { io->setCursorPosition(c); }
};

TEST(NumIOTyping, AcceptsDigitsAndRestoresOnABadCharacter)
{
    Field f;
    f.type("23");
    EXPECT_EQ(f.io->text(), "23");
    EXPECT_EQ(f.reported, QStringList({"2", "23"}));
    EXPECT_EQ(f.io->LastValidText(), "23");

    f.caretAt(1);
    f.type("x"); // "2x3"
    EXPECT_EQ(f.io->text(), "23");
    EXPECT_EQ(f.io->cursorPosition(), 1); // one left of where the caret stood after the x
    EXPECT_EQ(f.reported.last(), "23");    // the restored text passes again
    EXPECT_FALSE(f.reported.contains("2x3"));
    EXPECT_EQ(f.io->Value(), 23);
}

TEST(NumIOTyping, OnlyAcceptedTextsReachTheOwnerWhileTextChangedSeesAll)
{
    Field f;
    QSignalSpy changed(f.io.get(), &QLineEdit::textChanged);
    f.type("$f");
    f.type("g"); // "$fg" is rejected
    f.type(" ");
    QStringList seen;
    for (const auto& args : changed)
        seen << args.at(0).toString();
    // The restores are emitted from inside the rejected edit's own notification.
    EXPECT_EQ(seen, QStringList({"$", "$f", "$f", "$fg", "$f", "$f "}));
    EXPECT_EQ(f.reported, QStringList({"$", "$f", "$f", "$f"}));
    EXPECT_EQ(f.io->Value(), 15);
}

TEST(NumIOTyping, RejectsAnEditOutsideTheRange)
{
    Field f(-1000000, 1000000);
    f.type("100000");
    f.type("0");
    EXPECT_EQ(f.io->text(), "1000000"); // the bound itself passes
    f.type("0");
    EXPECT_EQ(f.io->text(), "1000000");
    EXPECT_EQ(f.io->cursorPosition(), 7);
    f.key(Qt::Key_Home);
    f.type("-");
    EXPECT_EQ(f.io->text(), "-1000000");
    f.caretAt(2);
    f.type("5"); // -51000000
    EXPECT_EQ(f.io->text(), "-1000000");
    EXPECT_EQ(f.io->cursorPosition(), 2);
    EXPECT_EQ(f.io->Value(), -1000000);
}

TEST(NumIOTyping, CaretNeverGoesBelowZero)
{
    Field f(0, 10);
    f.type("x");
    EXPECT_EQ(f.io->text(), "");
    EXPECT_EQ(f.io->cursorPosition(), 0);
}

TEST(NumIOTyping, TextSetBeforeTheWindowExistsIsNotChecked)
{
    TNumIO io;
    QSignalSpy spy(&io, &TNumIO::OnChange);
    io.SetRangeLow(-1000000);
    io.SetRangeHigh(1000000);
    io.setText("23");
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(io.LastValidText(), "");
    EXPECT_EQ(io.Value(), 23);

    io.winId();
    QTest::keyClicks(&io, "x"); // "23x": back to the empty last valid text
    EXPECT_EQ(io.text(), "");
    EXPECT_EQ(io.Value(), 0);
    EXPECT_EQ(spy.count(), 1);
}

TEST(NumIOTyping, SetTextIsCheckedLikeTyping)
{
    Field f(0, 100);
    f.io->setText("42");
    EXPECT_EQ(f.io->LastValidText(), "42");
    f.io->setText("420");
    EXPECT_EQ(f.io->text(), "42");
    f.io->setText("42"); // no change, no report
    EXPECT_EQ(f.reported, QStringList({"42", "42"}));
}

// Fixed-point fields keep exactly FixPointDecPlaces decimals and a single point.
TEST(NumIOFixPoint, KeepsTheDecimalsAndThePoint)
{
    Field f(-100, 100, itFixPoint);
    f.io->setText("3.14");
    ASSERT_EQ(f.io->text(), "3.14");
    f.reported.clear();

    f.key(Qt::Key_End);
    f.type("5"); // "3.145" is cut back
    EXPECT_EQ(f.io->text(), "3.14");
    EXPECT_EQ(f.reported, QStringList({"3.14"})); // reported once

    f.caretAt(2);
    f.key(Qt::Key_Backspace); // "314": the point is gone
    EXPECT_EQ(f.io->text(), "3.14");
    EXPECT_EQ(f.io->cursorPosition(), 1); // before the point

    f.key(Qt::Key_End);
    f.type("."); // "3.14."
    EXPECT_EQ(f.io->text(), "3.14");
    EXPECT_EQ(f.io->cursorPosition(), 2); // just after the point

    f.key(Qt::Key_End);
    f.key(Qt::Key_Backspace); // "3.1" is reformatted
    EXPECT_EQ(f.io->text(), "3.10");

    f.key(Qt::Key_Home);
    f.type("-");
    EXPECT_EQ(f.io->text(), "-3.10");
    EXPECT_EQ(f.io->Value(), -3.1);

    f.io->selectAll();
    f.type("."); // "." reads 0
    EXPECT_EQ(f.io->text(), "0.00");
    EXPECT_EQ(f.io->cursorPosition(), 1);
    f.type("7"); // "07.00"
    EXPECT_EQ(f.io->text(), "7.00");
}

TEST(NumIOFixPoint, RejectsOutOfRangeAndRestoresTheFormattedText)
{
    Field f(0, 10, itFixPoint);
    f.io->SetFixPointDecPlaces(1);
    f.io->setText("9.5");
    ASSERT_EQ(f.io->text(), "9.5");
    f.caretAt(0);
    f.type("1"); // 19.5
    EXPECT_EQ(f.io->text(), "9.5");
    EXPECT_EQ(f.io->cursorPosition(), 0);
}

// Restoring an empty last valid text gives "0.00"; when 0 is out of range that text is rejected,
// and restoring again would reformat and reject it without end.
TEST(NumIOFixPoint, RestoringATextThatFailsAgainEnds)
{
    Field f(0, 0, itFixPoint);
    ASSERT_EQ(f.io->text(), "0.00");
    f.io->SetRangeLow(1); // range [0, 1]
    f.io->SetRangeLow(1); // range [1, 1]
    f.reported.clear();
    f.io->SetRangeHigh(10);
    EXPECT_EQ(f.io->RangeLow(), 1);
    EXPECT_EQ(f.io->RangeHigh(), 10);
    EXPECT_TRUE(f.reported.isEmpty());
    EXPECT_EQ(f.io->text(), "0.00");
    f.io->setText("5.5");
    EXPECT_EQ(f.io->text(), "5.50");
    EXPECT_EQ(f.reported, QStringList({"5.50"}));
}

// A last valid text with more decimals than now allowed is cut on restore, and the cut text
// may fail the range: the restore stops there instead of going round again.
TEST(NumIOFixPoint, RestoreOfATextThatIsCutAndFailsEnds)
{
    Field f(0.01, 1, itFixPoint);
    f.io->setText("0.05");
    ASSERT_EQ(f.io->LastValidText(), "0.05");
    f.io->SetFixPointDecPlaces(1);
    f.reported.clear();
    f.io->setText("5"); // no point: restore "0.05", cut to "0.0", which is below the range
    EXPECT_EQ(f.io->text(), "0.0");
    EXPECT_TRUE(f.reported.isEmpty());
}

// Fixed-point texts are written with '.', which a ',' field rejects; switching such a field to
// ',' must still come to rest.
TEST(NumIOFixPoint, CommaSeparatorComesToRest)
{
    Field f(-10, 10, itFixPoint);
    ASSERT_EQ(f.io->text(), "0.00");
    f.io->SetDecPlaceSep(dsComma);
    EXPECT_EQ(f.io->text(), "0.00");
    f.reported.clear();
    f.io->setText("1.50");
    EXPECT_EQ(f.io->text(), "0.00");
    EXPECT_TRUE(f.reported.isEmpty());
}

// The decision is taken on Windows-1252 bytes; the texts the field shows on the way keep the
// characters the user typed, whatever code page they are outside of.
TEST(NumIOFixPoint, ACutKeepsCharactersOutsideTheCodePage)
{
    Field f(-10, 10, itFixPoint);
    f.io->setText("1.25");
    ASSERT_EQ(f.io->text(), "1.25");
    QSignalSpy changed(f.io.get(), &QLineEdit::textChanged);
    f.io->setText(QStringLiteral("1.2ā3")); // a third decimal place: cut, then refused
    QStringList seen;
    for (const auto& args : changed)
        seen << args.at(0).toString();
    EXPECT_TRUE(seen.contains(QStringLiteral("1.2ā"))) << seen.join(u'|').toStdString();
    EXPECT_EQ(f.io->text(), "1.25");
    EXPECT_EQ(f.io->LastValidText(), "1.25");
}

// Random typing in every format: after each keystroke the field shows a text it accepted, whose
// value lies in the range.
TEST(NumIOTyping, RandomKeystrokesLeaveAnAcceptedText)
{
    const QString chars = QStringLiteral("0123456789.,-+e$%&af ");
    const Qt::Key keys[] = {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Home, Qt::Key_End, Qt::Key_Left, Qt::Key_Right};
    std::mt19937 rng(4);
    for (int format = itExp; format <= itDynamic; ++format) {
        for (const TDecPSep sep : {dsDot, dsBoth}) {
            Field f(-5000, 70000, TInFormat(format));
            f.io->SetDecPlaceSep(sep);
            QSet<QString> shownTexts;
            for (int i = 0; i < 1500; ++i) {
                const int pick = int(rng() % 40);
                if (pick < 6)
                    f.key(keys[pick]);
                else if (pick == 6)
                    f.io->selectAll();
                else
                    f.type(QString(chars[int(rng() % chars.size())]));
                ASSERT_EQ(f.io->text(), f.io->LastValidText()) << format << " step " << i;
                const double v = f.io->Value();
                ASSERT_TRUE(v >= -5000 && v <= 70000) << format << " step " << i;
                shownTexts.insert(f.io->text());
            }
            EXPECT_GT(shownTexts.size(), 20) << format; // the typing really got somewhere
        }
    }
}

struct RangeRow
{
    double low0, high0;
    bool setLow;
    double x;
    double low, high;
};

class NumIORange : public ::testing::TestWithParam<RangeRow> {};

TEST_P(NumIORange, CrossingBoundsSwap)
{
    const RangeRow& r = GetParam();
    TNumIO io;
    io.SetRangeHigh(r.high0);
    io.SetRangeLow(r.low0);
    ASSERT_EQ(io.RangeLow(), r.low0);
    ASSERT_EQ(io.RangeHigh(), r.high0);
    if (r.setLow)
        io.SetRangeLow(r.x);
    else
        io.SetRangeHigh(r.x);
    EXPECT_EQ(io.RangeLow(), r.low);
    EXPECT_EQ(io.RangeHigh(), r.high);
}

INSTANTIATE_TEST_SUITE_P(Setters, NumIORange, ::testing::Values(
    RangeRow{0, 10, true, 20, 10, 20},
    RangeRow{0, 10, true, 5, 5, 10},
    RangeRow{0, 10, true, 10, 10, 10},
    RangeRow{0, 10, true, std::nan(""), 0, 10},
    RangeRow{0, 10, false, -5, -5, 0},
    RangeRow{0, 10, false, 5, 0, 5},
    RangeRow{0, 10, false, 0, 0, 0},
    RangeRow{-1.7e308, 1.7e308, false, 3, -1.7e308, 3}));

TEST(NumIOSettings, ChangesForgetTheLastValidTextAndCheckAgain)
{
    Field f(0, 1000, itHex);
    f.io->setText("ff");
    ASSERT_EQ(f.io->LastValidText(), "ff");
    f.io->SetInputFormat(itDynamic); // "ff" no longer parses: back to the empty text
    EXPECT_EQ(f.io->text(), "");
    EXPECT_EQ(f.io->LastValidText(), "");

    f.io->setText("500");
    f.io->SetRangeHigh(100); // 500 is now out of range
    EXPECT_EQ(f.io->text(), "");

    f.io->setText("1,5");
    EXPECT_EQ(f.io->text(), "");
    f.io->SetDecPlaceSep(dsBoth);
    f.io->setText("1,5");
    EXPECT_EQ(f.io->text(), "1,5");
    f.io->SetDecPlaceSep(dsDot); // checked again, rejected, emptied
    EXPECT_EQ(f.io->text(), "");
}

TEST(NumIOSettings, FixPointDecPlacesStayWithinOneToEight)
{
    TNumIO io;
    io.SetFixPointDecPlaces(0);
    EXPECT_EQ(io.FixPointDecPlaces(), 1);
    io.SetFixPointDecPlaces(9);
    EXPECT_EQ(io.FixPointDecPlaces(), 8);
    io.SetFixPointDecPlaces(4);
    EXPECT_EQ(io.FixPointDecPlaces(), 4);
}

TEST(NumIOSettings, PropertiesAreReachableByName)
{
    TNumIO io;
    EXPECT_TRUE(io.setProperty("RangeHigh", 50.0));
    EXPECT_TRUE(io.setProperty("Beep", true));
    EXPECT_TRUE(io.setProperty("InputFormat", QVariant::fromValue(itHex)));
    EXPECT_EQ(io.RangeHigh(), 50);
    EXPECT_TRUE(io.Beep());
    EXPECT_EQ(io.InputFormat(), itHex);
    io.setText("$ff");
    EXPECT_EQ(io.property("Value").toDouble(), 255);
}

struct ValueRow
{
    TDecPSep sep;
    QString text;
    double value;
};

class NumIOValue : public ::testing::TestWithParam<ValueRow> {};

// Texts set before the window exists are not checked, so Value must cope with any text.
TEST_P(NumIOValue, ReadsTheText)
{
    TNumIO io;
    io.SetDecPlaceSep(GetParam().sep);
    io.setText(GetParam().text);
    EXPECT_EQ(io.Value(), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, NumIOValue, ::testing::Values(
    ValueRow{dsDot, "23", 23},
    ValueRow{dsDot, "1,5", 1.5},
    ValueRow{dsDot, "12.", 12},
    ValueRow{dsDot, "12,", 12},
    ValueRow{dsDot, "abc", 0},
    ValueRow{dsDot, "1,5,5", 0},
    ValueRow{dsDot, "$10", 16},
    ValueRow{dsComma, "1,5", 1.5}, // the number a comma field accepted
    ValueRow{dsBoth, "2,25", 2.25},
    ValueRow{dsDot, QString::fromUtf8("1\u00A02"), 0}));

TEST(NumIOAssign, CopiesSettingsButNotTextOrDecimals)
{
    TNumIO source;
    source.SetRangeHigh(50);
    source.SetRangeLow(-50);
    source.SetInputFormat(itHex);
    source.SetDecPlaceSep(dsBoth);
    source.SetBeep(true);
    source.SetFixPointDecPlaces(5);
    source.setText("ff");

    Field f(0, 1000);
    f.io->setText("999");
    f.reported.clear();
    EXPECT_TRUE(f.io->Assign(&source));
    EXPECT_EQ(f.io->InputFormat(), itHex);
    EXPECT_EQ(f.io->RangeLow(), -50);
    EXPECT_EQ(f.io->RangeHigh(), 50);
    EXPECT_EQ(f.io->DecPlaceSep(), dsBoth);
    EXPECT_TRUE(f.io->Beep());
    EXPECT_EQ(f.io->FixPointDecPlaces(), 2);
    EXPECT_EQ(f.io->text(), "999"); // not checked again
    EXPECT_TRUE(f.reported.isEmpty());

    QLabel other;
    EXPECT_FALSE(f.io->Assign(&other));
    EXPECT_EQ(f.io->InputFormat(), itHex);
}

// NIOKeyA of the main window: 33 x 24, light blue, showing 23.
TEST(NumIOLook, KeyFieldShowsItsNumberOnItsColour)
{
    TNumIO io;
    io.resize(33, 24);
    io.SetRangeLow(-1000000);
    io.SetRangeHigh(1000000);
    io.SetColor(QColor(0xDD, 0xDD, 0xFF));
    QFont font = io.font();
    font.setPixelSize(13);
    io.setFont(font);
    io.setText("23");
    io.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&io));
    const QImage img = io.grab().toImage();
    ASSERT_EQ(img.size(), QSize(33, 24));
    int blue = 0, ink = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            blue += c == QColor(0xDD, 0xDD, 0xFF);
            ink += c.blue() < 0x80;
        }
    EXPECT_GT(blue, 33 * 24 / 2);
    EXPECT_GT(ink, 5);
    if (const QByteArray dir = qgetenv("NUMERIC_PNG_DIR"); !dir.isEmpty())
        img.save(QString::fromLocal8Bit(dir) + "/niokeya.png");
}

} // namespace
