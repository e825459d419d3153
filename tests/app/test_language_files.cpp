#include "app/AboutBox.h"
#include "app/mainfrm.h"
#include "app/uexplain.h"
#include "i18n/Babelfish2000.h"
#include "i18n/cp1252.h"
#include "widgets/numio.h"
#include "widgets/numlab.h"
#include "widgets/rchart.h"

#include <QAccessible>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMetaProperty>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QString Prefix = QStringLiteral("BF_");

// Where the values the translator treats as keys still stand: string properties and
// string-list lines that begin with the prefix, and the chart scales it reaches through object
// properties. Once a window is translated there are none.
void NoteKeys(QObject* obj, const QString& path, QStringList& places)
{
    const QMetaObject* meta = obj->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty prop = meta->property(i);
        const QString place = path + u'.' + QString::fromLatin1(prop.name());
        const int type = prop.metaType().id();
        if (type == QMetaType::QString && prop.isWritable() && qstrcmp(prop.name(), "objectName") != 0) {
            const QString value = prop.read(obj).toString();
            if (value.startsWith(Prefix))
                places << place + " = " + value;
        } else if (type == QMetaType::QStringList && prop.isWritable()) {
            for (const QString& line : prop.read(obj).toStringList()) {
                if (line.startsWith(Prefix))
                    places << place + " = " + line;
            }
        } else if (prop.metaType().flags().testFlag(QMetaType::PointerToQObject)) {
            QObject* value = prop.read(obj).value<QObject*>();
            if (value && value->inherits("TScaleProps"))
                NoteKeys(value, place, places);
        }
    }
    for (QObject* child : obj->children())
        NoteKeys(child, path + u'/' + child->objectName(), places);
}

// Settings rather than texts; the icon may stay unset, the windows then keep their own.
const QStringList Settings = {"$dlglanguage$", "HomePageURL", "AppIconName"};
const QStringList OptionalSettings = {"AppIconName"};
// Captions that read the same in German.
const QStringList SameInGerman = {"OK"};

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The heading under which the files end with the lab page's entries, which the web page's
// tests check (tests/web); the program uses none of them.
const QByteArray LabHeading = "\r\nLab page (lab.html)";

struct LanguageFile
{
    QString Path;
    QByteArray Bytes;
    std::unique_ptr<TBabelfish2000> Engine;
    QStringList LabKeys; // the entries under LabHeading, lower case as the engine keeps keys

    // The text of a key; none when the file has no entry for it.
    std::optional<QString> Text(const QString& key) const
    {
        const qsizetype at = Engine->Keys().indexOf(key.toLower());
        return at < 0 ? std::nullopt : std::optional<QString>(Engine->Texts()[at]);
    }
};

// The shipped files, loaded as the program loads one from disk.
const std::map<QString, LanguageFile>& Files()
{
    static const std::map<QString, LanguageFile> files = [] {
        std::map<QString, LanguageFile> loaded;
        for (const QString& path : QStringLiteral(DSCDMA_LANGUAGE_FILES).split(u'|')) {
            const QString language = path.section(u'.', -2, -2);
            LanguageFile& file = loaded[language];
            file.Path = path;
            file.Bytes = ReadFile(path);
            file.Engine = std::make_unique<TBabelfish2000>(QString{});
            QFile stream(path);
            if (stream.open(QIODevice::ReadOnly))
                file.Engine->LoadFromStream(stream);
            const qsizetype lab = file.Bytes.indexOf(LabHeading);
            if (lab >= 0) {
                TBabelfish2000 labPart{QString{}};
                QBuffer part;
                part.setData(file.Bytes.mid(lab));
                if (part.open(QIODevice::ReadOnly))
                    labPart.LoadFromStream(part);
                file.LabKeys = labPart.Keys();
            }
        }
        return loaded;
    }();
    return files;
}

const LanguageFile& English() { return Files().at("en"); }
const LanguageFile& German() { return Files().at("de"); }

// The three windows as the program runs them, shown, with the explanations on and every kind
// of received character. The program file lies in a folder of its own, where the given
// language file is its "dscdma.itl", so the link reads it at start-up as it does beside the
// real program.
struct Program
{
    QTemporaryDir Folder;
    std::unique_ptr<TForm1> Form1;
    TFrmExplain FrmExplain;
    TFrmAbout FrmAbout;

    explicit Program(const QByteArray& language = {})
    {
        if (!language.isEmpty()) {
            QFile file(Folder.filePath("dscdma.itl"));
            if (file.open(QIODevice::WriteOnly))
                file.write(language);
        }
        TDemonSetup setup = TDemonSetup::FromApplication();
        setup.ProgramFile = QFile::encodeName(Folder.filePath("dscdma"));
        setup.Language.clear();
        Form1 = std::make_unique<TForm1>(setup);
        Form1->SetDialogs(&FrmExplain, &FrmAbout);
        Form1->SetModalRunner([](QDialog&) {});
        Form1->show();
        Form1->SBLabelsOnOff()->click();
        // A received character without a printable form is spoken by its code.
        Form1->EdTransA()->setText(QString(QChar(1)));
    }
};

// One run of the program with the translator's template on (as a translator asks for it) and no
// language file: the template lists every key the run looked up, each as its own text.
struct ProgramRun
{
    QStringList Keys;          // as the program passes them, each once
    QStringList Untranslated;  // keys still standing in the windows at the end of the run
    QByteArray Template;       // the file as written
};

const ProgramRun& RunOfTheProgram()
{
    static const ProgramRun run = [] {
        ProgramRun result;
        QTemporaryDir work;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(work.path());
        qputenv(TForm1::ItlTemplateVariable, "1");
        {
            Program program;
            NoteKeys(program.Form1.get(), "Form1", result.Untranslated);
            NoteKeys(&program.FrmAbout, "FrmAbout", result.Untranslated);
            NoteKeys(&program.FrmExplain, "FrmExplain", result.Untranslated);
        }
        qunsetenv(TForm1::ItlTemplateVariable);
        QDir::setCurrent(previous);
        result.Template = ReadFile(work.filePath(TBabelfish2000::ItlFileName(QCoreApplication::applicationFilePath())));
        for (const QString& line : cp1252::Decode(result.Template).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            const qsizetype close = line.indexOf(QStringLiteral("]="));
            if (line.startsWith(u'[') && close > 0)
                result.Keys << line.sliced(1, close - 1);
        }
        return result;
    }();
    return run;
}

// The keys that are lines of a text list rather than captions: their texts are explanations.
QStringList LineKeys()
{
    TFrmExplain window;
    QStringList keys;
    for (const QString& line : window.MMExplain()->lines()) {
        if (line.startsWith(Prefix))
            keys << line.sliced(Prefix.size());
    }
    return keys;
}

} // namespace

// The files' format is checked by the core's tests (tests/core/i18n); these check them against
// the program that reads them.

// The template of one run: an entry per key, each the key as its own text, one a line, and
// the keys that only some runs look up among them. Without the variable no file is written.
TEST(LanguageFiles, TemplateOfOneRunListsEveryKeyOnceAsItsOwnText)
{
    const ProgramRun& run = RunOfTheProgram();
    ASSERT_FALSE(run.Template.isEmpty()) << "no template written";
    EXPECT_TRUE(run.Template.endsWith("|$$\r\n"));
    const QStringList lines = cp1252::Decode(run.Template).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), run.Keys.size());
    for (const QString& key : run.Keys) {
        EXPECT_TRUE(lines.contains("[" + key + "]=" + key + "|$$")) << key.toStdString();
        EXPECT_EQ(run.Keys.count(key), 1) << key.toStdString();
    }
    for (const char* key : {"Exit", "OK", "MMExplain1", "AppIconName", "HomePageURL", "$dlglanguage$",
                            "Trace D: Channel 2 Data", "character code <%1%>",
                            "Traces A to C: data bits, chip sequence and spread signal of channel 1"})
        EXPECT_TRUE(run.Keys.contains(QString::fromUtf8(key))) << key;

    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    for (const char* value : {"", "0"}) {
        qputenv(TForm1::ItlTemplateVariable, value);
        { Program program; }
    }
    qunsetenv(TForm1::ItlTemplateVariable);
    QDir::setCurrent(previous);
    EXPECT_TRUE(QDir(work.path()).isEmpty()) << "written although not asked for";
}

// A caption added to a window, or a key the code starts to look up, fails here until both
// files have it; an entry that nothing uses any more fails too.
TEST(LanguageFiles, HoldExactlyTheKeysTheProgramUses)
{
    EXPECT_EQ(RunOfTheProgram().Untranslated, QStringList()) << "a window was not translated";
    ASSERT_FALSE(RunOfTheProgram().Keys.isEmpty());
    for (const auto& [language, file] : Files()) {
        SCOPED_TRACE(file.Path.toStdString());
        QStringList used;
        for (const QString& key : RunOfTheProgram().Keys) {
            used << key.toLower();
            if (!OptionalSettings.contains(key, Qt::CaseInsensitive)) {
                EXPECT_TRUE(file.Text(key)) << "no entry for \"" << key.toStdString() << "\"";
            }
        }
        for (const QString& key : file.Engine->Keys()) {
            if (!file.LabKeys.contains(key)) {
                EXPECT_TRUE(used.contains(key)) << "the program does not use \"" << key.toStdString() << "\"";
            }
        }
    }
}

// The lab page's entries come last in both files, the same keys in the same order, and none of
// them is one of the program's.
TEST(LanguageFiles, EndWithTheLabPagesEntriesInBoth)
{
    ASSERT_FALSE(English().LabKeys.isEmpty()) << "no lab page entries";
    EXPECT_EQ(English().LabKeys, German().LabKeys);
    for (const auto& [language, file] : Files()) {
        const QStringList keys = file.Engine->Keys();
        EXPECT_EQ(keys.mid(keys.size() - file.LabKeys.size()), file.LabKeys) << language.toStdString();
        for (const QString& key : RunOfTheProgram().Keys)
            EXPECT_FALSE(file.LabKeys.contains(key.toLower())) << key.toStdString();
    }
}

// With the English file the program looks as with none: every caption reads as its key.
TEST(LanguageFiles, EnglishCaptionsAreTheBuiltInTextsAndGermanOnesDiffer)
{
    const QStringList lineKeys = LineKeys();
    ASSERT_FALSE(lineKeys.isEmpty());
    for (const QString& key : RunOfTheProgram().Keys) {
        if (Settings.contains(key, Qt::CaseInsensitive))
            continue;
        SCOPED_TRACE(key.toStdString());
        const QString english = English().Text(key).value_or(QString());
        if (!lineKeys.contains(key)) {
            EXPECT_EQ(english, key);
        }
        if (!SameInGerman.contains(key)) {
            EXPECT_NE(German().Text(key).value_or(english), english);
        }
    }
}

TEST(LanguageFiles, SettingsChooseTheLanguageAndTheHomePage)
{
    EXPECT_EQ(English().Text("$dlglanguage$"), "lgenglish");
    EXPECT_EQ(TFrmAbout::languageFromSetting(*English().Text("$dlglanguage$")), TFrmAbout::Language::English);
    EXPECT_EQ(TFrmAbout::languageFromSetting(*German().Text("$dlglanguage$")), TFrmAbout::Language::German);
    for (const auto& [language, file] : Files()) {
        const QUrl home = TFrmAbout::urlForAddress(file.Text("HomePageURL").value_or(QString()));
        EXPECT_EQ(home.scheme(), "https") << language.toStdString();
        EXPECT_EQ(home.host(), "dscdma.example.org") << language.toStdString();
    }
}

// Each file loaded into the program's own translator at start-up, as the teaching environment
// does. The pictures are for people to look at.
TEST(LanguageFiles, TranslateTheRealWindows)
{
    const QString folder = QDir::current().filePath("pictures");
    QDir().mkpath(folder);
    for (const auto& [language, file] : Files()) {
        SCOPED_TRACE(file.Path.toStdString());
        Program program(file.Bytes);
        TForm1& form = *program.Form1;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        program.FrmAbout.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.FrmAbout));
        EXPECT_TRUE(form.grab().save(folder + "/mainwindow-" + language + ".png"));
        EXPECT_TRUE(program.FrmAbout.grab().save(folder + "/about-" + language + ".png"));
        EXPECT_TRUE(program.FrmExplain.grab().save(folder + "/explanations-" + language + ".png"));
        form.NIOKeyD()->setText("7");
        EXPECT_TRUE(form.grab().save(folder + "/mainwindow-" + language + "-error.png"));

        const QStringList explanation = program.FrmExplain.MMExplain()->lines();
        ASSERT_EQ(explanation.size(), 3);
        EXPECT_EQ(explanation[0], file.Text("MMExplain1"));
        EXPECT_EQ(explanation[2], file.Text("MMExplain2"));
        EXPECT_EQ(program.FrmAbout.homePageAddress(), "https://dscdma.example.org/");
        if (language != "de")
            continue;
        EXPECT_EQ(form.RCA()->Caption(), "Kanal 1");
        EXPECT_EQ(form.findChild<QLabel*>("Label5")->text(), QString::fromUtf8("Kanal-Nr. des Empfängers"));
        EXPECT_EQ(form.BButExit()->text(), "Beenden");
        EXPECT_EQ(form.RCB()->TextLabel(1)->Caption(), "Kurve D: Daten von Kanal 2");
        EXPECT_EQ(form.NIOKeyA()->accessibleName(), "Kanalnummer von Kanal A");
        EXPECT_EQ(program.FrmAbout.windowTitle(), "Info");
        EXPECT_EQ(program.FrmAbout.LblWebSite()->text(), TFrmAbout::webSiteText(TFrmAbout::Language::German));
        EXPECT_EQ(program.FrmAbout.LblDescription()->text(), TFrmAbout::descriptionText(TFrmAbout::Language::German));
        EXPECT_TRUE(explanation[0].startsWith("A und D: die 8 Bits"));
    }
}

// A copy of a language file in which every text is a mark of its entry, "{n}"; the settings
// keep their values, so that the program starts as with the file itself.
QByteArray Marked(const LanguageFile& file)
{
    QByteArray marked;
    const QStringList keys = file.Engine->Keys();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString text = Settings.contains(keys[i], Qt::CaseInsensitive) ? file.Engine->Texts()[i]
                                                                               : u'{' + QString::number(i) + u'}';
        marked += cp1252::Encode(u'[' + keys[i] + "]=" + text + "|$$\r\n");
    }
    return marked;
}

// Whatever a screen reader hears about a control of the main window (its name and what it
// does) is a translation key with an entry in each shipped file: with the file's texts marked,
// nothing but marks is left to hear. Numbers and punctuation between marks are no words, such
// as the value the gain label speaks or the ": " after "Received Character".
TEST(LanguageFiles, GiveEverythingAScreenReaderHearsInTheMainWindow)
{
    const QRegularExpression mark(QStringLiteral("\\{\\d+\\}"));
    const QRegularExpression word(QStringLiteral("\\p{L}"));
    for (const auto& [language, file] : Files()) {
        SCOPED_TRACE(file.Path.toStdString());
        Program program(Marked(file));
        int spoken = 0;
        for (QObject* child : program.Form1->children()) {
            auto* control = qobject_cast<QWidget*>(child);
            if (!control)
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            ASSERT_NE(accessible, nullptr) << control->objectName().toStdString();
            const QString name = accessible->text(QAccessible::Name);
            EXPECT_TRUE(name.contains(mark)) << control->objectName().toStdString() << ": " << name.toStdString();
            for (const QString& text : {name, accessible->text(QAccessible::Description)}) {
                EXPECT_FALSE(QString(text).remove(mark).contains(word))
                    << control->objectName().toStdString() << ": " << text.toStdString();
                spoken += text.isEmpty() ? 0 : 1;
            }
        }
        EXPECT_GE(spoken, 22 + 10); // every control's name, and what most of them do
    }
}

// The main window keeps its layout in every language, so a caption must fit its control's fixed
// size: a word wider than a label is cut off, and so are lines below its height.
TEST(LanguageFiles, CaptionsFitTheMainWindow)
{
    for (const auto& [language, file] : Files()) {
        SCOPED_TRACE(file.Path.toStdString());
        Program program(file.Bytes);
        for (const QLabel* label : program.Form1->findChildren<QLabel*>()) {
            // The received character sizes itself to its caption.
            if (label->inherits("TAutoSizeLabel"))
                continue;
            const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000), flags,
                                                                    label->text());
            EXPECT_LE(needed.width(), label->width()) << label->objectName().toStdString();
            EXPECT_LE(needed.height(), label->height()) << label->objectName().toStdString();
        }
        for (const QAbstractButton* button : program.Form1->findChildren<QAbstractButton*>())
            EXPECT_LE(button->sizeHint().width(), button->width()) << button->objectName().toStdString();
        const TNumLab* gain = program.Form1->NLabPG();
        EXPECT_LE(gain->fontMetrics().horizontalAdvance(gain->LeftText()) + 5, gain->LeftSpace());
    }
}

TEST(LanguageFiles, AreCopiedBesideTheProgram)
{
    for (const auto& [language, file] : Files()) {
        const QString copy = QStringLiteral(DSCDMA_PROGRAM_DIR "/") + QFileInfo(file.Path).fileName();
        EXPECT_EQ(ReadFile(copy), file.Bytes) << copy.toStdString();
    }
}
