#include "AboutBox.h"
#include "Babelfish2000.h"
#include "cp1252.h"
#include "mainfrm.h"
#include "numio.h"
#include "numlab.h"
#include "rchart.h"
#include "uexplain.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMetaProperty>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

// The main window translates itself while it is built, so its keys exist only at that moment.
// This test is linked with the engine's entry points wrapped (see CMakeLists.txt): the wrappers
// below note every key the program hands its translator, and can load a language file into the
// program's own engine first, as start-up does. A member function is called like a free function
// whose first parameter is the object, as the C++ ABI of Linux has it on x86 and ARM.
void RealTranslateComponent(TBabelfish2000* engine, QObject* component) __asm__(
    "__real__ZN14TBabelfish200018TranslateComponentEP7QObject");
QString RealTranslate(TBabelfish2000* engine, const QString& key, const QStringList& params) __asm__(
    "__real__ZN14TBabelfish20009TranslateERK7QStringRK5QListIS0_E");
void RealTranslateInto(TBabelfish2000* engine, const QString& key, const QStringList& params, QString& text) __asm__(
    "__real__ZN14TBabelfish20009TranslateERK7QStringRK5QListIS0_ERS0_");

namespace {

enum class Use { Caption, Line, Lookup };

struct UsedKey
{
    QString Key;
    QString Place;
    Use How;
};

struct Recorder
{
    std::vector<UsedKey> Keys;
    QStringList Windows;
    QByteArray Language; // loaded into the program's engine before it translates, if set
};

Recorder* g_recorder = nullptr;

const QString Prefix = QStringLiteral("BF_");

// The values the engine treats as keys: string properties and string-list lines that begin
// with the prefix, and the chart scales it reaches through object properties.
void NoteKeys(QObject* obj, const QString& path, std::vector<UsedKey>& keys)
{
    const QMetaObject* meta = obj->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty prop = meta->property(i);
        const QString place = path + u'.' + QString::fromLatin1(prop.name());
        const int type = prop.metaType().id();
        if (type == QMetaType::QString && prop.isWritable() && qstrcmp(prop.name(), "objectName") != 0) {
            const QString value = prop.read(obj).toString();
            if (value.startsWith(Prefix))
                keys.push_back({value.sliced(Prefix.size()), place, Use::Caption});
        } else if (type == QMetaType::QStringList && prop.isWritable()) {
            for (const QString& line : prop.read(obj).toStringList()) {
                if (line.startsWith(Prefix))
                    keys.push_back({line.sliced(Prefix.size()), place, Use::Line});
            }
        } else if (prop.metaType().flags().testFlag(QMetaType::PointerToQObject)) {
            QObject* value = prop.read(obj).value<QObject*>();
            if (value && value->inherits("TScaleProps"))
                NoteKeys(value, place, keys);
        }
    }
    for (QObject* child : obj->children())
        NoteKeys(child, path + u'/' + child->objectName(), keys);
}

void LoadBytes(TBabelfish2000& engine, const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    engine.LoadFromStream(buffer);
}

// Notes the keys and windows of one run of the program for as long as it lives.
class Recording
{
public:
    explicit Recording(QByteArray language = {})
    {
        recorder.Language = std::move(language);
        g_recorder = &recorder;
    }
    ~Recording() { g_recorder = nullptr; }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
    const Recorder* operator->() const { return &recorder; }

private:
    Recorder recorder;
};

} // namespace

void WrapTranslateComponent(TBabelfish2000* engine, QObject* component) __asm__(
    "__wrap__ZN14TBabelfish200018TranslateComponentEP7QObject");
void WrapTranslateComponent(TBabelfish2000* engine, QObject* component)
{
    if (g_recorder && component) {
        g_recorder->Windows << component->objectName();
        NoteKeys(component, component->objectName(), g_recorder->Keys);
        if (!g_recorder->Language.isEmpty())
            LoadBytes(*engine, g_recorder->Language);
    }
    RealTranslateComponent(engine, component);
}

QString WrapTranslate(TBabelfish2000* engine, const QString& key, const QStringList& params) __asm__(
    "__wrap__ZN14TBabelfish20009TranslateERK7QStringRK5QListIS0_E");
QString WrapTranslate(TBabelfish2000* engine, const QString& key, const QStringList& params)
{
    if (g_recorder)
        g_recorder->Keys.push_back({key, QStringLiteral("looked up by name"), Use::Lookup});
    return RealTranslate(engine, key, params);
}

void WrapTranslateInto(TBabelfish2000* engine, const QString& key, const QStringList& params, QString& text) __asm__(
    "__wrap__ZN14TBabelfish20009TranslateERK7QStringRK5QListIS0_ERS0_");
void WrapTranslateInto(TBabelfish2000* engine, const QString& key, const QStringList& params, QString& text)
{
    if (g_recorder)
        g_recorder->Keys.push_back({key, QStringLiteral("looked up by name"), Use::Lookup});
    RealTranslateInto(engine, key, params, text);
}

namespace {

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

struct LanguageFile
{
    QString Path;
    QByteArray Bytes;
    std::unique_ptr<TBabelfish2000> Engine;

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
        }
        return loaded;
    }();
    return files;
}

const LanguageFile& English() { return Files().at("en"); }
const LanguageFile& German() { return Files().at("de"); }

// The three windows as the program runs them, shown, with the explanations on and every
// kind of received character.
struct Program
{
    TForm1 Form1;
    TFrmExplain FrmExplain;
    TFrmAbout FrmAbout;

    Program()
    {
        Form1.SetDialogs(&FrmExplain, &FrmAbout);
        Form1.SetModalRunner([](QDialog&) {});
        Form1.show();
        Form1.SBLabelsOnOff()->click();
        // A received character without a printable form is spoken by its code.
        Form1.EdTransA()->setText(QString(QChar(1)));
    }
};

// The windows and keys one run of the program hands its translator, each key once.
struct ProgramRun
{
    QStringList Windows;
    std::vector<UsedKey> Keys;
};

const ProgramRun& RunOfTheProgram()
{
    static const ProgramRun run = [] {
        Recording recording;
        { Program program; }
        ProgramRun result{recording->Windows, {}};
        QStringList seen;
        for (const UsedKey& used : recording->Keys) {
            if (!seen.contains(used.Key, Qt::CaseInsensitive)) {
                seen << used.Key;
                result.Keys.push_back(used);
            }
        }
        return result;
    }();
    return run;
}

} // namespace

TEST(LanguageFiles, AreWindows1252TextWithCrLfLineEnds)
{
    ASSERT_EQ(Files().size(), 2u);
    for (const auto& [language, file] : Files()) {
        SCOPED_TRACE(file.Path.toStdString());
        ASSERT_FALSE(file.Bytes.isEmpty());
        for (qsizetype i = 0; i < file.Bytes.size(); ++i) {
            const auto byte = static_cast<unsigned char>(file.Bytes[i]);
            // Bytes the code page leaves undefined, and control characters, have no place here.
            const bool undefined = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
            const bool control = byte < 0x20 && byte != '\r' && byte != '\n';
            EXPECT_FALSE(undefined || control) << "byte " << int(byte) << " at offset " << i;
            if (byte == '\n') {
                EXPECT_TRUE(i > 0 && file.Bytes[i - 1] == '\r') << "bare line feed at offset " << i;
            }
        }
        EXPECT_TRUE(file.Bytes.endsWith("|$$\r\n"));
        EXPECT_EQ(cp1252::Encode(cp1252::Decode(file.Bytes)), file.Bytes) << "a character the code page lacks";
    }
    // Umlauts as single bytes: a file saved as UTF-8 would decode to "Ã¤" and the like.
    const QString german = cp1252::Decode(German().Bytes);
    for (const QChar letter : QStringLiteral("äöüßÜ"))
        EXPECT_TRUE(german.contains(letter)) << QString(letter).toStdString();
    EXPECT_FALSE(german.contains(u'Ã'));
}

// One entry per line: a line break inside a text would reach the window as two spaces.
TEST(LanguageFiles, HoldOneNonEmptyEntryPerLine)
{
    for (const auto& [language, file] : Files()) {
        SCOPED_TRACE(file.Path.toStdString());
        for (const QByteArray& line : file.Bytes.split('\n')) {
            if (line.contains('[') || line.contains("|$$")) {
                EXPECT_TRUE(line.startsWith('[') && line.endsWith("|$$\r") && line.count("|$$") == 1)
                    << line.toStdString();
            }
        }
        const QStringList keys = file.Engine->Keys();
        EXPECT_EQ(keys.size(), file.Bytes.count("|$$"));
        for (qsizetype i = 0; i < keys.size(); ++i) {
            EXPECT_FALSE(keys[i].trimmed().isEmpty()) << "entry " << i;
            EXPECT_FALSE(file.Engine->Texts()[i].trimmed().isEmpty()) << keys[i].toStdString();
            EXPECT_EQ(keys.indexOf(keys[i]), i) << "second entry for " << keys[i].toStdString();
        }
    }
}

// A caption added to a window, or a key the code starts to look up, fails here until both
// files have it; an entry that nothing uses any more fails too.
TEST(LanguageFiles, HoldExactlyTheKeysTheProgramUses)
{
    for (const char* window : {"Form1", "FrmAbout", "FrmExplain"})
        ASSERT_TRUE(RunOfTheProgram().Windows.contains(window)) << window << " was not translated";
    for (const auto& [language, file] : Files()) {
        SCOPED_TRACE(file.Path.toStdString());
        QStringList used;
        for (const UsedKey& key : RunOfTheProgram().Keys) {
            used << key.Key.toLower();
            if (!OptionalSettings.contains(key.Key, Qt::CaseInsensitive)) {
                EXPECT_TRUE(file.Text(key.Key)) << "no entry for \"" << key.Key.toStdString() << "\" ("
                                                << key.Place.toStdString() << ")";
            }
        }
        for (const QString& key : file.Engine->Keys())
            EXPECT_TRUE(used.contains(key)) << "the program does not use \"" << key.toStdString() << "\"";
    }
}

// With the English file the program looks as with none: every caption reads as its key.
TEST(LanguageFiles, EnglishCaptionsAreTheBuiltInTextsAndGermanOnesDiffer)
{
    for (const UsedKey& key : RunOfTheProgram().Keys) {
        if (Settings.contains(key.Key, Qt::CaseInsensitive))
            continue;
        SCOPED_TRACE(key.Key.toStdString());
        const QString english = English().Text(key.Key).value_or(QString());
        if (key.How != Use::Line) {
            EXPECT_EQ(english, key.Key);
        }
        if (!SameInGerman.contains(key.Key)) {
            EXPECT_NE(German().Text(key.Key).value_or(english), english);
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
        Recording recording(file.Bytes);
        Program program;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.Form1));
        program.FrmAbout.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.FrmAbout));
        EXPECT_TRUE(program.Form1.grab().save(folder + "/mainwindow-" + language + ".png"));
        EXPECT_TRUE(program.FrmAbout.grab().save(folder + "/about-" + language + ".png"));
        EXPECT_TRUE(program.FrmExplain.grab().save(folder + "/explanations-" + language + ".png"));
        program.Form1.NIOKeyD()->setText("7");
        EXPECT_TRUE(program.Form1.grab().save(folder + "/mainwindow-" + language + "-error.png"));

        const QStringList explanation = program.FrmExplain.MMExplain()->lines();
        ASSERT_EQ(explanation.size(), 3);
        EXPECT_EQ(explanation[0], file.Text("MMExplain1"));
        EXPECT_EQ(explanation[2], file.Text("MMExplain2"));
        EXPECT_EQ(program.FrmAbout.homePageAddress(), "https://dscdma.example.org/");
        if (language != "de")
            continue;
        EXPECT_EQ(program.Form1.RCA()->Caption(), "Kanal 1");
        EXPECT_EQ(program.Form1.findChild<QLabel*>("Label5")->text(), QString::fromUtf8("Kanal-Nr. des Empfängers"));
        EXPECT_EQ(program.Form1.BButExit()->text(), "Beenden");
        EXPECT_EQ(program.Form1.RCB()->TextLabel(1)->Caption(), "Kurve D: Daten von Kanal 2");
        EXPECT_EQ(program.FrmAbout.windowTitle(), "Info");
        EXPECT_EQ(program.FrmAbout.LblWebSite()->text(), TFrmAbout::webSiteText(TFrmAbout::Language::German));
        EXPECT_TRUE(explanation[0].startsWith("A und D: die 8 Bits"));
    }
}

// The main window keeps its layout in every language, so a caption must fit its control's fixed
// size: a word wider than a label is cut off, and so are lines below its height.
TEST(LanguageFiles, CaptionsFitTheMainWindow)
{
    for (const auto& [language, file] : Files()) {
        SCOPED_TRACE(file.Path.toStdString());
        Recording recording(file.Bytes);
        Program program;
        for (const QLabel* label : program.Form1.findChildren<QLabel*>()) {
            // The received character sizes itself to its caption.
            if (label->inherits("TAutoSizeLabel"))
                continue;
            const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000), flags,
                                                                    label->text());
            EXPECT_LE(needed.width(), label->width()) << label->objectName().toStdString();
            EXPECT_LE(needed.height(), label->height()) << label->objectName().toStdString();
        }
        for (const QAbstractButton* button : program.Form1.findChildren<QAbstractButton*>())
            EXPECT_LE(button->sizeHint().width(), button->width()) << button->objectName().toStdString();
        const TNumLab* gain = program.Form1.NLabPG();
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
