#include "Babelfish2000.h"

#include "cp1252.h"
#include "itlfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QIODevice>
#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QSaveFile>

namespace {

const QByteArray kEntryEnd = QByteArrayLiteral("|$$");

QString ProgramFilePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

QString EntryLine(const QString& key, const QString& text)
{
    return QStringLiteral("[") + key + QStringLiteral("]=") + text + QStringLiteral("|$$");
}

} // namespace

TBabelfish2000::TBabelfish2000(const QString& AppName)
    : appName(AppName)
{
}

TBabelfish2000::~TBabelfish2000()
{
    if (!autoCreateItlFile)
        return;
    // Runs at program end: whatever goes wrong here must not take the program down with it.
    try {
        const QString name = ItlFileName(ProgramFilePath());
        if (!SaveItlFile(name))
            qWarning("Could not write the template language file %s", qUtf8Printable(name));
    } catch (...) {
        qWarning("Could not write the template language file");
    }
}

void TBabelfish2000::LoadFromStream(QIODevice& Stream)
{
    keys.clear();
    texts.clear();
    firstIndex.clear();
    if (!Stream.isReadable())
        return;
    if (!Stream.isSequential())
        Stream.seek(0);

    itl::TDelimiterReader reader(Stream, kEntryEnd);
    while (const auto entry = reader.Next()) {
        const itl::TRawEntry raw = itl::SplitEntry(*entry);
        QString key = itl::NormalizeKey(cp1252::Decode(raw.Key));
        QString text = itl::PrepareText(cp1252::Decode(raw.Text), appName);
        if (!firstIndex.contains(key))
            firstIndex.insert(key, keys.size());
        keys.append(std::move(key));
        texts.append(std::move(text));
    }
}

void TBabelfish2000::Translate(const QString& Key, const QStringList& Params, QString& Text)
{
    const QString key = Key; // Key and Text may be one string
    const auto found = firstIndex.constFind(itl::AsciiLower(key));
    if (found != firstIndex.cend()) {
        Text = itl::FillPlaceholders(texts[*found], Params);
        if (onTextFound)
            onTextFound(*this, key, Text);
        return;
    }
    Text = itl::FillPlaceholders(key, Params);
    if (autoCreateItlFile)
        RecordMissedKey(key);
}

QString TBabelfish2000::Translate(const QString& Key, const QStringList& Params)
{
    QString text;
    Translate(Key, Params, text);
    return text;
}

void TBabelfish2000::RecordMissedKey(const QString& key)
{
    const QString line = EntryLine(key, key);
    for (const QString& existing : std::as_const(itlOutput)) {
        if (itl::EqualsIgnoringAsciiCase(existing, line))
            return;
    }
    itlOutput.append(line);
}

void TBabelfish2000::TranslateComponent(QObject* Component)
{
    QSet<const QObject*> done;
    TranslateTree(Component, done);
}

void TBabelfish2000::TranslateObject(QObject* Obj)
{
    QSet<const QObject*> done;
    TranslateProperties(Obj, done);
}

void TBabelfish2000::TranslateTree(QObject* component, QSet<const QObject*>& done)
{
    if (!component)
        return;
    TranslateProperties(component, done);
    // Translating may create or delete objects (a label that switches to rich text grows a
    // child, a handler may delete one): walk the owned objects as they are now, skipping
    // those that are gone by the time they are reached.
    QList<QPointer<QObject>> owned;
    for (QObject* child : component->children())
        owned.append(child);
    for (const QPointer<QObject>& child : std::as_const(owned)) {
        if (child)
            TranslateTree(child, done);
    }
}

void TBabelfish2000::TranslateProperties(QObject* obj, QSet<const QObject*>& done)
{
    // Each object once per walk: a scale reached through its chart's property may also be one
    // of the chart's children, and object properties may point back up the tree.
    if (!obj || done.contains(obj))
        return;
    done.insert(obj);

    bool translate = true;
    if (onTranslateObject)
        onTranslateObject(*this, obj, translate);
    if (!translate)
        return;

    QPointer<QObject> guard(obj);
    const QMetaObject* meta = obj->metaObject();
    for (int i = 0; i < meta->propertyCount() && guard; ++i) {
        const QMetaProperty prop = meta->property(i);
        if (!prop.isReadable())
            continue;
        const QMetaType type = prop.metaType();

        if (type.id() == QMetaType::QString) {
            if (!prop.isWritable() || qstrcmp(prop.name(), "objectName") == 0)
                continue;
            const QString value = prop.read(obj).toString();
            if (!value.startsWith(keyPrefix, Qt::CaseSensitive))
                continue;
            QString text;
            Translate(value.sliced(keyPrefix.size()), {}, text);
            if (guard)
                prop.write(obj, text);
        } else if (type.id() == QMetaType::QStringList) {
            if (!prop.isWritable())
                continue;
            QStringList lines = prop.read(obj).toStringList();
            bool changed = false;
            for (qsizetype line = lines.size() - 1; line >= 0; --line) {
                if (!lines[line].startsWith(keyPrefix, Qt::CaseSensitive))
                    continue;
                Translate(lines[line].sliced(keyPrefix.size()), {}, lines[line]);
                changed = true;
            }
            if (changed && guard)
                prop.write(obj, lines);
        } else if (type.flags().testFlag(QMetaType::PointerToQObject)) {
            QObject* value = prop.read(obj).value<QObject*>();
            if (value && value->inherits("TScaleProps"))
                TranslateProperties(value, done);
        }
    }
}

QByteArray TBabelfish2000::ItlFileContent() const
{
    QByteArray content;
    const auto appendLine = [&content](const QString& line) {
        content += cp1252::Encode(line);
        content += "\r\n";
    };
    for (const QString& line : itlOutput)
        appendLine(line);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        // A line break inside a text is written the way the file writes one, so that the
        // template stays one entry per line and loads back with the break in place.
        QString text = texts[i];
        text.replace(u'\n', QStringLiteral("\\n"));
        appendLine(EntryLine(keys[i], text));
    }
    return content;
}

bool TBabelfish2000::SaveItlFile(const QString& fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray content = ItlFileContent();
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString TBabelfish2000::ItlFileName(const QString& programFile)
{
    QString name = programFile.sliced(programFile.lastIndexOf(u'/') + 1);
    // A leading dot marks a hidden file, not an extension.
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return name + QStringLiteral(".itl");
}
