#pragma once

#include "core/numeric/numparse.h"

#include <string>
#include <string_view>
#include <vector>

// The rules of a numeric key field: every change of its text is checked at once; a text that
// does not parse, or whose value lies outside [RangeLow, RangeHigh], is replaced by the last text
// that passed. A front end (a desktop edit, a web input) hands the field's text and caret after
// each change to CheckKeyField and carries out the steps it returns, in order.

struct KeyFieldRules
{
    TInFormat InputFormat = itDynamic;
    TDecPSep DecPlaceSep = dsDot;
    char SystemSeparator = '.'; // what dsSystem means on this machine
    double RangeLow = 0.0;
    double RangeHigh = 0.0;
    int FixPointDecPlaces = 2; // taken within 1..8
    bool Beep = false;
};

// The field as checking sees and leaves it. Texts are Windows-1252; the caret counts the
// characters before it.
struct KeyField
{
    std::string Text;
    int Caret = 0;
    std::string LastValidText;
};

// One thing the front end does. A text the field sets itself is a change like any other: when
// it differs from the text before, checking it again yields `Nested`, which the front end
// carries out while it announces that text change, before anyone else hears of it. Setting a
// text puts the caret at its end, as an edit control does.
struct KeyFieldStep
{
    enum Kind {
        SetText, // `Text` becomes the field's text
        SetCaret, // the caret goes to `Caret` (already within the text)
        Accept,  // `Text` passed: tell the owner (the field's change event)
        Repaint, // show the restored text at once
        Beep,    // sound the default beep
    };
    Kind kind;
    std::string Text;
    int Caret = 0;
    std::vector<KeyFieldStep> Nested;

    friend bool operator==(const KeyFieldStep&, const KeyFieldStep&) = default;
};

// Checks the field after a change of its text (or of its rules) and returns the steps that
// accept it, cut and reformat it (fixed point) or undo it; `field` is left as they leave it.
std::vector<KeyFieldStep> CheckKeyField(const KeyFieldRules& rules, KeyField& field);

// Validity and value of a text under the rules' format and separator.
ParsedNumber ParseKeyFieldText(const KeyFieldRules& rules, std::string_view text);

// The number a field's text shows: as checking read it, else with a decimal comma read as a
// point and a trailing point completed ("1." as "1.0"); 0 when it does not parse.
double KeyFieldValue(const KeyFieldRules& rules, std::string_view text);
