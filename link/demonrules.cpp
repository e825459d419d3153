#include "link/demonrules.h"

namespace demonrules {

namespace {

const QByteArray kServerHandleSwitch = QByteArrayLiteral("/serverhandle=");

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

QByteArray AsciiLower(QByteArray text)
{
    for (char& c : text)
        c = LowerAscii(c);
    return text;
}

bool EqualsIgnoringAsciiCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

QByteArray ServerHandleText(const QByteArray& settingsValue, const QList<QByteArray>& commandLine)
{
    if (!settingsValue.isEmpty() && settingsValue != "00000000")
        return settingsValue;
    QByteArray handle;
    for (qsizetype i = 1; i < commandLine.size(); ++i) {
        const QByteArray lower = AsciiLower(commandLine[i]);
        if (lower.startsWith(kServerHandleSwitch))
            handle = lower.sliced(kServerHandleSwitch.size());
    }
    return handle;
}

QList<QByteArray> ParamsFromCommandLine(const QList<QByteArray>& commandLine)
{
    QList<QByteArray> params;
    for (const QByteArray& argument : commandLine) {
        if (!argument.startsWith(kServerHandleSwitch))
            params.append(argument);
    }
    return params;
}

QByteArray FilePart(const QByteArray& path)
{
    return path.sliced(path.lastIndexOf('/') + 1);
}

QByteArray DirectoryPart(const QByteArray& path)
{
    return path.first(path.lastIndexOf('/') + 1);
}

QByteArray Stem(const QByteArray& path)
{
    const qsizetype fileStart = path.lastIndexOf('/') + 1;
    const qsizetype dot = path.lastIndexOf('.');
    // A dot that begins the file part marks a hidden file, not an extension.
    if (dot > fileStart)
        return path.first(dot);
    return path;
}

QByteArray LanguageFileName(const QByteArray& programFile)
{
    return Stem(programFile) + ".itl";
}

QByteArray DesktopLanguage(const QByteArray& lcAll, const QByteArray& lcMessages, const QByteArray& lang)
{
    QByteArray locale;
    for (const QByteArray* setting : {&lcAll, &lcMessages, &lang}) {
        if (!setting->isEmpty()) {
            locale = *setting;
            break;
        }
    }
    qsizetype end = 0;
    while (end < locale.size() && locale[end] != '_' && locale[end] != '.' && locale[end] != '@')
        ++end;
    const QByteArray language = AsciiLower(locale.first(end));
    // Letters only: the language becomes part of a file name.
    if (language.isEmpty() || language.size() > 8 || language == "c" || language == "posix")
        return {};
    for (const char c : language) {
        if (c < 'a' || c > 'z')
            return {};
    }
    return language;
}

QList<QByteArray> LocalLanguageFiles(const QByteArray& programFile, const QByteArray& language)
{
    const QByteArray stem = Stem(programFile);
    QList<QByteArray> files{stem + ".itl"};
    if (!language.isEmpty())
        files.append(stem + '.' + language + ".itl");
    const QByteArray folder = DirectoryPart(programFile);
    const QByteArray name = FilePart(stem);
    if (folder.isEmpty() || name.isEmpty()) {
        if (language != "en")
            files.append(stem + ".en.itl");
        return files;
    }
    const QByteArray shared = folder + "../share/" + name + '/' + name;
    files.append(shared + ".itl");
    if (!language.isEmpty())
        files.append(shared + '.' + language + ".itl");
    // A language without a file of its own, or none at all, reads English rather than the keys.
    if (language != "en") {
        files.append(stem + ".en.itl");
        files.append(shared + ".en.itl");
    }
    return files;
}

QByteArray ApplicationTitle(const QByteArray& programFile)
{
    QByteArray title = FilePart(programFile);
    const qsizetype dot = title.indexOf('.');
    if (dot >= 0)
        title.truncate(dot);
    for (qsizetype i = 1; i < title.size(); ++i)
        title[i] = LowerAscii(title[i]);
    return title;
}

QByteArray LocalVariable(const QByteArray& name, const QByteArray& programFile)
{
    if (name != "MarvolaWorkArea" && name != "MarvolaHomeDir")
        return {};
    QByteArray folder = DirectoryPart(programFile);
    if (!folder.isEmpty() && !folder.endsWith('/'))
        folder += '/';
    return folder;
}

} // namespace demonrules
