#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The link's text rules, kept apart from any window or socket. 8-bit strings are bytes; letter
// case is folded for 'A'..'Z' only. Paths use '/' as their separator.
namespace demonrules {

QByteArray AsciiLower(QByteArray text);
bool EqualsIgnoringAsciiCase(QByteArrayView a, QByteArrayView b);

// The server-handle text: the settings value unless it is empty or "00000000"; otherwise the
// rest of the last argument (after the program path) whose lower-cased text begins with
// "/serverhandle=", lower-cased.
QByteArray ServerHandleText(const QByteArray& settingsValue, const QList<QByteArray>& commandLine);

// The parameters: every argument, the program path first, except those that begin exactly
// (letter case counts) with "/serverhandle=".
QList<QByteArray> ParamsFromCommandLine(const QList<QByteArray>& commandLine);

// What follows the last '/'.
QByteArray FilePart(const QByteArray& path);
// Up to and including the last '/'; empty without one.
QByteArray DirectoryPart(const QByteArray& path);
// The name with its extension removed when its file part has one ("/a/x.bin" gives "/a/x",
// "/a.b/x" and "/a/.x" stay).
QByteArray Stem(const QByteArray& path);
// The language file for a program file, or for the server's mapping of it: the stem plus ".itl".
QByteArray LanguageFileName(const QByteArray& programFile);

// The language of the desktop's locale, from the values of LC_ALL, LC_MESSAGES and LANG: the
// first one set and not empty decides, as the C library has it. Its language is the lower-cased
// letters before '_', '.' or '@' ("de_DE.UTF-8" gives "de"); "C", "POSIX" and anything that
// names no language give the empty text.
QByteArray DesktopLanguage(const QByteArray& lcAll, const QByteArray& lcMessages, const QByteArray& lang);
// Where a program looks for its language file without a server, in this order: the stem plus
// ".itl", then the stem plus "." language ".itl" (with a language); then the same two names in
// "../share/<name>/" beside the program's folder, <name> being the file part of the stem, which
// is where an installed program keeps them; last, for any other language or none, the English
// file: the stem plus ".en.itl", beside the program and then in "../share/<name>/".
QList<QByteArray> LocalLanguageFiles(const QByteArray& programFile, const QByteArray& language);

// The application's default title: the program file's name without folder, cut at its first
// dot, every character after the first in lower case.
QByteArray ApplicationTitle(const QByteArray& programFile);

// The local answer to "MarvolaWorkArea" and "MarvolaHomeDir": the program's folder, ending with
// a separator; empty for any other name.
QByteArray LocalVariable(const QByteArray& name, const QByteArray& programFile);

} // namespace demonrules
