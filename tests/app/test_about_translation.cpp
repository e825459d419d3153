#include "app/AboutBox.h"

#include <Babelfish2000.h>

#include <QBuffer>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(AboutBoxTranslation, KeysWithoutEntriesShowWithoutTheirPrefix)
{
    TFrmAbout box;
    box.setHomePageAddress("BF_NotAKeyHere");
    TBabelfish2000 translator(QString{});
    translator.TranslateComponent(&box);
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.LblHomePage()->text(), "HomePage");
    EXPECT_EQ(box.BButOK()->text(), "OK");
    EXPECT_EQ(box.LblSimus()->text(), TFrmAbout::simulationsAddress());
    EXPECT_EQ(box.LblCopyright()->text(), TFrmAbout::copyrightText());
    EXPECT_EQ(box.objectName(), "FrmAbout");
    EXPECT_EQ(box.homePageAddress(), "BF_NotAKeyHere") << "the address is no caption";
    EXPECT_EQ(box.LblSimus()->accessibleDescription(), "Web link; Return opens it in the browser");
}

TEST(AboutBoxTranslation, LanguageFileTextsReplaceTheKeys)
{
    QByteArray file("[About]=\xdc" "ber|$$[HomePage]=Startseite|$$[OK]=Schlie\xdf" "en|$$");
    QBuffer stream(&file);
    ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
    TBabelfish2000 translator(QString{});
    translator.LoadFromStream(stream);
    TFrmAbout box;
    translator.TranslateComponent(&box);
    EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Über"));
    EXPECT_EQ(box.LblHomePage()->text(), "Startseite");
    EXPECT_EQ(box.BButOK()->text(), QString::fromUtf8("Schließen"));
}
