#pragma once

#include <QString>

// Texts that the simulator's messages quote, kept to one line each: a message is one line on
// standard error, whatever a user typed into a value.

// The message with line breaks and other control characters escaped, so that it prints as one
// line.
QString OneLine(const QString& message);
// A value from the command line as a message shows it: in double quotes, with quotes,
// backslashes, line breaks and other control characters escaped as OneLine does.
QString QuotedValue(const QString& value);
