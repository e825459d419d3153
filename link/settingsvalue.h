#pragma once

#include <QByteArray>

// The machine-wide settings value the teaching server may leave for the program: the server
// handle ("ViewerHandle" of the "Varlo" "marvola" "demon" settings). It is only ever read.
class TSettingsValue
{
public:
    enum class Kind {
        Missing, // no such value, or no settings at all
        Text,
        OtherType, // present, but not a text
    };
    struct Value
    {
        Kind kind = Kind::Missing;
        QByteArray text;
    };

    virtual ~TSettingsValue();

    // The process's implementation for this platform.
    static TSettingsValue& Default();

    virtual Value ReadViewerHandle() = 0;
};
