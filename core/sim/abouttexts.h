#pragma once

#include <string_view>

// The About box's own texts, which no language file carries: the window's box and the page's
// show the same. UTF-8.
namespace about {

enum class Language { English, German };

// The language setting of a language file ("$dlglanguage$"): "lggerman" with any of its letters
// in upper case is German, everything else English. Only 'A' to 'Z' fold, as everywhere in
// language files.
Language LanguageOfSetting(std::string_view setting);

std::string_view ProgramName();
std::string_view VersionText();
std::string_view CopyrightText();
// The lead-in of the two links.
std::string_view WebSiteText(Language language);
std::string_view DescriptionText(Language language);
// The team's collection of simulations, the box's second link.
std::string_view SimulationsAddress();

} // namespace about
