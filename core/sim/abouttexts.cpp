#include "core/sim/abouttexts.h"

namespace about {

Language LanguageOfSetting(std::string_view setting)
{
    constexpr std::string_view german = "lggerman";
    if (setting.size() != german.size())
        return Language::English;
    for (std::size_t i = 0; i < setting.size(); ++i) {
        char c = setting[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != german[i])
            return Language::English;
    }
    return Language::German;
}

std::string_view ProgramName()
{
    return "DS-CDMA";
}

std::string_view VersionText()
{
    return "Version 1.0";
}

std::string_view CopyrightText()
{
    return "Copyright \u00A9 2026 the DS-CDMA team. All rights reserved.";
}

std::string_view WebSiteText(Language language)
{
    return language == Language::German ? "Mehr Informationen finden Sie auf folgenden Webseiten:"
                                        : "More information can be found at the following Web sites:";
}

std::string_view DescriptionText(Language language)
{
    if (language == Language::German)
        return "Dieses Programm zeigt die Funktion von DS-CDMA, wurde vom DS-CDMA-Team als interaktives Beispiel "
               "entwickelt und wird in verschiedenen interaktiven elektronischen Lehrb\u00FCchern eingesetzt.";
    return "This program shows the principles of DS-CDMA. It is an interactive example developed by the DS-CDMA "
           "team. It is used in various electronic textbooks.";
}

std::string_view SimulationsAddress()
{
    return "https://dscdma-team.example.org/simulations";
}

} // namespace about
