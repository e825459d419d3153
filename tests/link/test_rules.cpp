#include "link/demonrules.h"

#include <gtest/gtest.h>

using namespace demonrules;

TEST(ServerHandle, SettingsValueWinsUnlessEmptyOrEightZeros)
{
    const QList<QByteArray> line{"/opt/x", "/serverhandle=1A2B"};
    const struct
    {
        QByteArray settings;
        QByteArray expected;
    } cases[] = {
        {"", "1a2b"},
        {"00000000", "1a2b"},
        {"0000", "0000"},
        {"Viewer7", "Viewer7"}, // taken as stored, not lower-cased
    };
    for (const auto& c : cases)
        EXPECT_EQ(ServerHandleText(c.settings, line), c.expected) << c.settings.constData();
}

TEST(ServerHandle, LastSwitchWinsWhateverItsCase)
{
    const struct
    {
        QList<QByteArray> line;
        QByteArray expected;
    } cases[] = {
        {{"/opt/x", "/serverhandle=1A2B", "/SERVERHANDLE=ff00"}, "ff00"},
        {{"/opt/x", "/SerVerHandle=AbC", "other"}, "abc"},
        {{"/opt/x", "/serverhandle="}, ""},
        {{"/opt/x", "serverhandle=12", "/serverhandle", "-serverhandle=1"}, ""},
        {{"/serverhandle=fromprogrampath"}, ""},
        {{"/opt/x"}, ""},
        {{"/opt/x", "/serverhandle=a b=c"}, "a b=c"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ServerHandleText({}, c.line), c.expected) << c.line.join(' ').constData();
}

TEST(Params, DropOnlyTheExactLowerCaseSwitch)
{
    EXPECT_EQ(ParamsFromCommandLine({"/opt/x", "/serverhandle=1", "a", "/SERVERHANDLE=ab", "/serverhandle", "b"}),
              (QList<QByteArray>{"/opt/x", "a", "/SERVERHANDLE=ab", "/serverhandle", "b"}));
    EXPECT_EQ(ParamsFromCommandLine({}), QList<QByteArray>{});
}

TEST(Stem, RemovesTheExtensionOfTheFilePartOnly)
{
    const struct
    {
        QByteArray path;
        QByteArray stem;
    } cases[] = {
        {"/opt/dscdma/dscdma", "/opt/dscdma/dscdma"},
        {"/opt/dscdma/dscdma.bin", "/opt/dscdma/dscdma"},
        {"/opt/my.app/prog", "/opt/my.app/prog"},
        {"/opt/x.tar.gz", "/opt/x.tar"},
        {"/home/u/.hidden", "/home/u/.hidden"},
        {"prog.exe", "prog"},
        {"abc", "abc"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Stem(c.path), c.stem) << c.path.constData();
        EXPECT_EQ(LanguageFileName(c.path), c.stem + ".itl") << c.path.constData();
    }
}

TEST(ApplicationTitle, IsTheFileNameCutAtItsFirstDotWithTheRestLowerCased)
{
    const struct
    {
        QByteArray path;
        QByteArray title;
    } cases[] = {
        {"/opt/dscdma/dscdma", "dscdma"},
        {"/opt/DSCDMA.Bin", "Dscdma"},
        {"C:X.EXE", "C:x"},
        {"/a.b/Prog.x.y", "Prog"},
        {"/opt/.x", ""},
        {"/opt/\xC4rger", "\xC4rger"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplicationTitle(c.path), c.title) << c.path.constData();
}

TEST(LocalVariable, WorkAreaAndHomeDirAreTheProgramsFolder)
{
    const struct
    {
        QByteArray name;
        QByteArray program;
        QByteArray value;
    } cases[] = {
        {"MarvolaWorkArea", "/opt/sim/x", "/opt/sim/"},
        {"MarvolaHomeDir", "/opt/sim/x", "/opt/sim/"},
        {"MarvolaHomeDir", "/x", "/"},
        {"MarvolaHomeDir", "x", ""},
        {"marvolahomedir", "/opt/sim/x", ""},
        {"MarvolaWorkarea", "/opt/sim/x", ""},
        {"Other", "/opt/sim/x", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocalVariable(c.name, c.program), c.value) << c.name.constData() << " " << c.program.constData();
}

TEST(CaseFolding, AffectsAsciiLettersOnly)
{
    EXPECT_EQ(AsciiLower("AbZ\xC4\xE4-"), QByteArray("abz\xC4\xE4-"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase("ThisIsX", "thisisx"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC4", "\xE4"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("ab", "abc"));
}

TEST(DesktopLanguage, IsTheLanguageOfTheFirstLocaleSettingThatIsSet)
{
    const struct
    {
        QByteArray lcAll, lcMessages, lang;
        QByteArray language;
    } cases[] = {
        {"", "", "de_DE.UTF-8", "de"},
        {"", "", "DE_at", "de"},
        {"", "", "sr@latin", "sr"},
        {"", "", "pt", "pt"},
        {"", "fr_FR", "de_DE.UTF-8", "fr"},
        {"en_GB.UTF-8", "fr_FR", "de_DE", "en"},
        {"C", "", "de_DE.UTF-8", ""}, // LC_ALL set to C rules, LANG is not consulted
        {"", "POSIX", "de_DE", ""},
        {"", "", "C.UTF-8", ""},
        {"", "", "", ""},
        {"", "", "../x_Y", ""},
        {"", "", "de/../x", ""},
        {"", "", "_DE", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopLanguage(c.lcAll, c.lcMessages, c.lang), c.language)
            << c.lcAll.constData() << "|" << c.lcMessages.constData() << "|" << c.lang.constData();
}

TEST(LocalLanguageFiles, BesideTheProgramThenInTheSharedDataFolderThenEnglish)
{
    const struct
    {
        QByteArray program;
        QByteArray language;
        QList<QByteArray> files;
    } cases[] = {
        {"/opt/build/app/dscdma", "de",
         {"/opt/build/app/dscdma.itl", "/opt/build/app/dscdma.de.itl", "/opt/build/app/../share/dscdma/dscdma.itl",
          "/opt/build/app/../share/dscdma/dscdma.de.itl", "/opt/build/app/dscdma.en.itl",
          "/opt/build/app/../share/dscdma/dscdma.en.itl"}},
        // C or POSIX: no language of the desktop's, English all the same.
        {"/usr/bin/dscdma", "",
         {"/usr/bin/dscdma.itl", "/usr/bin/../share/dscdma/dscdma.itl", "/usr/bin/dscdma.en.itl",
          "/usr/bin/../share/dscdma/dscdma.en.itl"}},
        // English asked for: the English files once, in their place.
        {"/usr/bin/dscdma", "en",
         {"/usr/bin/dscdma.itl", "/usr/bin/dscdma.en.itl", "/usr/bin/../share/dscdma/dscdma.itl",
          "/usr/bin/../share/dscdma/dscdma.en.itl"}},
        {"/sims/Prog.bin", "fr",
         {"/sims/Prog.itl", "/sims/Prog.fr.itl", "/sims/../share/Prog/Prog.itl", "/sims/../share/Prog/Prog.fr.itl",
          "/sims/Prog.en.itl", "/sims/../share/Prog/Prog.en.itl"}},
        {"prog", "de", {"prog.itl", "prog.de.itl", "prog.en.itl"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocalLanguageFiles(c.program, c.language), c.files) << c.program.constData();
}
