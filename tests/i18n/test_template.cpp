// The template language file as the shell writes it: bytes in the code page, and the file
// written when the engine goes. What the template holds is the core's and tested there.
#include "i18n/Babelfish2000.h"
#include "tests/i18n/load_support.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray ReadFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// This test program has no extension, so its whole name is the stem.
const QString kTemplateName = u"i18n_template.itl"_s;

// Runs the test inside a fresh current folder and goes back afterwards.
class TemplateFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
    }
    void TearDown() override { QDir::setCurrent(previous); }

    QTemporaryDir folder;
    QString previous;
};

const QByteArray kFile = "[Gr\xFC\xDF" "e]=Sch\xF6ne Gr\xFC\xDF" "e: \x80 \xB5s\\nZeile 2 <%APPNAME%>|$$\r\n"
                         "[Exit]=Ende|$$\r\n"
                         "[EXIT]=Quit|$$\r\n";

TEST(TemplateContent, IsTheMissedKeysThenTheDictionaryInWindows1252WithCrLf)
{
    TBabelfish2000 engine(u"DS"_s);
    Load(engine, kFile);
    engine.SetAutoCreateItlFile(true);
    engine.Translate(u"Missing"_s);
    engine.Translate(u"exit"_s);
    engine.Translate(u"\u0100 \u00FC"_s);
    const QByteArray expected = "[Missing]=Missing|$$\r\n"
                                "[? \xFC]=? \xFC|$$\r\n"
                                "[gr\xFC\xDF" "e]=Sch\xF6ne Gr\xFC\xDF" "e: \x80 \xB5s\\nZeile 2 DS|$$\r\n"
                                "[exit]=Ende|$$\r\n"
                                "[exit]=Quit|$$\r\n";
    EXPECT_EQ(engine.ItlFileContent(), expected);
    engine.SetAutoCreateItlFile(false);
}

TEST_F(TemplateFile, IsWrittenIntoTheCurrentFolderWhenTheEngineIsDestroyed)
{
    auto engine = std::make_unique<TBabelfish2000>(u"DS"_s);
    Load(*engine, kFile);
    engine->SetAutoCreateItlFile(true);
    engine->Translate(u"Missing"_s);
    const QByteArray expected = engine->ItlFileContent();
    ASSERT_FALSE(QFile::exists(kTemplateName));
    engine.reset();
    EXPECT_EQ(ReadFile(kTemplateName), expected);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{kTemplateName});
}

TEST_F(TemplateFile, IsWrittenEvenWhenEmptyAndReplacesAnOldOne)
{
    {
        QFile old(kTemplateName);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content that must go");
    }
    {
        TBabelfish2000 engine(QString{});
        engine.SetAutoCreateItlFile(true);
    }
    ASSERT_TRUE(QFile::exists(kTemplateName));
    EXPECT_EQ(ReadFile(kTemplateName), QByteArray());
}

TEST_F(TemplateFile, IsNotWrittenWithoutTheFlag)
{
    {
        TBabelfish2000 engine(QString{});
        Load(engine, kFile);
        engine.Translate(u"Missing"_s);
    }
    EXPECT_FALSE(QFile::exists(kTemplateName));
}

TEST_F(TemplateFile, AFolderThatCannotBeWrittenIsNoFailureAtExit)
{
    ASSERT_TRUE(QDir(folder.path()).mkdir(u"gone"_s));
    ASSERT_TRUE(QDir::setCurrent(folder.path() + u"/gone"_s));
    ASSERT_TRUE(QDir(folder.path()).rmdir(u"gone"_s));
    {
        TBabelfish2000 engine(QString{});
        engine.SetAutoCreateItlFile(true);
        engine.Translate(u"Missing"_s);
        EXPECT_FALSE(engine.SaveItlFile(kTemplateName));
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), QStringList{});
}

// The program's own name may hold any character: it reaches the core as UTF-8 and comes back so.
// The rule for the name is the core's and tested there.
TEST(TemplateName, KeepsEveryCharacterOfTheProgramsName)
{
    EXPECT_EQ(TBabelfish2000::ItlFileName(u"/opt/\u03A3im.d/\u00DCbung\u2192.bin"_s), u"\u00DCbung\u2192.itl"_s);
}

} // namespace
