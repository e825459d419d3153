#include "i18n/Babelfish2000.h"

#include "i18n/cp1252.h"

#include <QCoreApplication>
#include <QFile>
#include <QIODevice>
#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QSaveFile>

namespace {

QStringList toQStringList(const std::vector<std::string>& texts)
{
    QStringList out;
    out.reserve(qsizetype(texts.size()));
    for (const std::string& text : texts)
        out.append(cp1252::ToQString(text));
    return out;
}

QString ProgramFilePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

} // namespace

TBabelfish2000::TBabelfish2000(const QString& AppName)
    : m_appName(AppName)
    , m_dictionary(cp1252::FromQString(AppName))
{
}

TBabelfish2000::~TBabelfish2000()
{
    if (!m_dictionary.AutoCreateItlFile())
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
    m_dictionary.Clear();
    if (!Stream.isReadable())
        return;
    if (!Stream.isSequential())
        Stream.seek(0);
    // In blocks, so that only the entry being assembled is held, however large the file. A
    // file ends with a short read; a pipe may also deliver one in between, so only a read that
    // returns nothing ends the stream.
    char block[256];
    for (;;) {
        const qint64 got = Stream.read(block, sizeof block);
        if (got <= 0)
            break;
        m_dictionary.Feed(std::string_view(block, std::size_t(got)));
    }
    m_dictionary.Finish();
}

void TBabelfish2000::Translate(const QString& Key, const QStringList& Params, QString& Text)
{
    std::vector<std::string> params;
    params.reserve(std::size_t(Params.size()));
    for (const QString& p : Params)
        params.push_back(cp1252::FromQString(p));
    const std::string key = cp1252::FromQString(Key); // Key and Text may be one string
    Text = cp1252::ToQString(m_dictionary.Translate(key, params));
}

QString TBabelfish2000::Translate(const QString& Key, const QStringList& Params)
{
    QString text;
    Translate(Key, Params, text);
    return text;
}

void TBabelfish2000::SetOnTextFound(TextFoundEvent handler)
{
    if (!handler) {
        m_dictionary.SetOnTextFound({});
        return;
    }
    m_dictionary.SetOnTextFound([this, handler = std::move(handler)](std::string_view key, std::string& text) {
        QString shown = cp1252::ToQString(text);
        handler(*this, cp1252::ToQString(key), shown);
        text = cp1252::FromQString(shown);
    });
}

QStringList TBabelfish2000::Keys() const
{
    return toQStringList(m_dictionary.Keys());
}

QStringList TBabelfish2000::Texts() const
{
    return toQStringList(m_dictionary.Texts());
}

QStringList TBabelfish2000::ItlOutput() const
{
    return toQStringList(m_dictionary.ItlOutput());
}

QString TBabelfish2000::KeyPrefix() const
{
    return cp1252::ToQString(m_dictionary.KeyPrefix());
}

void TBabelfish2000::SetKeyPrefix(const QString& prefix)
{
    m_dictionary.SetKeyPrefix(cp1252::FromQString(prefix));
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
    if (m_onTranslateObject)
        m_onTranslateObject(*this, obj, translate);
    if (!translate)
        return;

    QPointer<QObject> guard(obj);
    const QString keyPrefix = KeyPrefix();
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
    const std::string content = m_dictionary.ItlFileContent();
    return QByteArray(content.data(), qsizetype(content.size()));
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
    // A file name is bytes to the core; the program's own name may hold any character.
    const QByteArray name = programFile.toUtf8();
    return QString::fromUtf8(Dictionary::ItlFileName(std::string_view(name.constData(), std::size_t(name.size()))));
}
