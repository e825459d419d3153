#include "app/uexplain.h"

#include <Babelfish2000.h>

#include <QBuffer>

#include <gtest/gtest.h>

TEST(ExplainWindowTranslation, KeysWithoutEntriesShowWithoutTheirPrefix)
{
    TFrmExplain window;
    TBabelfish2000 translator(QString{});
    translator.TranslateComponent(&window);
    EXPECT_EQ(window.windowTitle(), "Explanations");
    EXPECT_EQ(window.MMExplain()->lines(), QStringList({"MMExplain1", "", "MMExplain2"}));
    window.show();
    EXPECT_EQ(window.MMExplain()->toPlainText(), "MMExplain1\n\nMMExplain2");
}

TEST(ExplainWindowTranslation, LanguageFileTextsReplaceEachLine)
{
    QByteArray file("[MMExplain1]=Trace A shows the data of channel 1.|$$\r\n"
                    "[MMExplain2]=Trace K shows the recovered bits.\\nGreen means correct.|$$\r\n");
    QBuffer stream(&file);
    ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
    TBabelfish2000 translator(QString{});
    translator.LoadFromStream(stream);
    TFrmExplain window;
    translator.TranslateComponent(&window);
    window.show();
    EXPECT_EQ(window.MMExplain()->toPlainText(),
              "Trace A shows the data of channel 1.\n\nTrace K shows the recovered bits.\nGreen means correct.");
}

// The window is translated while hidden, at start-up; only the line keys are missed.
TEST(ExplainWindowTranslation, TemplateFileListsEachLineKeyOnce)
{
    TBabelfish2000 translator(QString{});
    translator.SetAutoCreateItlFile(true);
    TFrmExplain window;
    translator.TranslateComponent(&window);
    EXPECT_EQ(translator.ItlOutput(), QStringList({"[MMExplain2]=MMExplain2|$$", "[MMExplain1]=MMExplain1|$$"}));
}
