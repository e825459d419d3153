#include "Babelfish2000.h"
#include "load_support.h"

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
const QString kTemplateName = u"i18n_template_test.itl"_s;

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

TEST(TemplateContent, LoadsBackToTheSameDictionary)
{
    TBabelfish2000 original(u"DS"_s);
    Load(original, kFile);
    TBabelfish2000 reloaded(u"other"_s);
    Load(reloaded, original.ItlFileContent());
    EXPECT_EQ(reloaded.Keys(), original.Keys());
    EXPECT_EQ(reloaded.Texts(), original.Texts());
    EXPECT_TRUE(original.Texts()[0].contains(u'\n'));
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

TEST(TemplateName, IsTheFilePartOfTheProgramStemWithItl)
{
    const struct
    {
        QString program;
        QString expected;
    } rows[] = {
        {u"/opt/dscdma/dscdma"_s, u"dscdma.itl"_s},
        {u"/opt/sim/X.EXE"_s, u"X.itl"_s},
        {u"/opt/sim/dscdma.bin"_s, u"dscdma.itl"_s},
        {u"/opt/sim/archive.tar.gz"_s, u"archive.tar.itl"_s},
        {u"/opt/sim.d/prog"_s, u"prog.itl"_s},
        {u"/opt/sim/.hidden"_s, u".hidden.itl"_s},
        {u"ab"_s, u"ab.itl"_s},
        {u"/opt/sim/p."_s, u"p.itl"_s},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TBabelfish2000::ItlFileName(row.program), row.expected) << row.program.toStdString();
}

} // namespace
