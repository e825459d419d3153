#pragma once

#include "core/i18n/dictionary.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;
class QObject;

// Translates the user interface from a language file of entries "[key]=text|$$".
//
// Text properties and string-list lines that begin with KeyPrefix ("BF_") are translation
// keys; the rest is looked up in the core's Dictionary, and a key without an entry stands for
// itself. This is the shell around it: it reads the file, walks the Qt properties of a window
// and converts texts at its edge (Windows-1252 inside, QString outside). With
// AutoCreateItlFile set, the keys that were missed are collected and written, together with
// the dictionary, as a template language file when the engine is destroyed.
class TBabelfish2000
{
public:
    // Called after a key was found; may change the text.
    using TextFoundEvent = std::function<void(TBabelfish2000& sender, const QString& key, QString& text)>;
    // Called before an object's properties are walked; clearing translate skips the object.
    using TranslateObjectEvent = std::function<void(TBabelfish2000& sender, QObject* obj, bool& translate)>;

    explicit TBabelfish2000(const QString& AppName);
    ~TBabelfish2000();
    TBabelfish2000(const TBabelfish2000&) = delete;
    TBabelfish2000& operator=(const TBabelfish2000&) = delete;

    // Replaces the dictionary by the entries of the stream, read from its start (from its
    // current position if it cannot seek). ItlOutput is kept.
    void LoadFromStream(QIODevice& Stream);

    void Translate(const QString& Key, const QStringList& Params, QString& Text);
    QString Translate(const QString& Key, const QStringList& Params = {});

    // The component, then recursively every object it owns (its children, in creation order).
    void TranslateComponent(QObject* Component);
    // The writable Q_PROPERTYs of one object, inherited ones first.
    void TranslateObject(QObject* Obj);

    // The template language file: ItlOutput, then one line per dictionary entry, each line
    // ended by CR LF, in Windows-1252.
    QByteArray ItlFileContent() const;
    // Writes ItlFileContent() to fileName; false when it could not be written.
    bool SaveItlFile(const QString& fileName) const;
    // The template's name for a program file: the file part of its stem, plus ".itl".
    static QString ItlFileName(const QString& programFile);

    QStringList Keys() const;
    QStringList Texts() const;
    QStringList ItlOutput() const;
    QString KeyPrefix() const;
    void SetKeyPrefix(const QString& prefix);
    bool AutoCreateItlFile() const { return m_dictionary.AutoCreateItlFile(); }
    void SetAutoCreateItlFile(bool on) { m_dictionary.SetAutoCreateItlFile(on); }
    const QString& AppName() const { return m_appName; }

    void SetOnTextFound(TextFoundEvent handler);
    void SetOnTranslateObject(TranslateObjectEvent handler) { m_onTranslateObject = std::move(handler); }

    // The dictionary itself, for the core's users (charts without a window, pictures).
    Dictionary& Core() { return m_dictionary; }

private:
    void TranslateTree(QObject* component, QSet<const QObject*>& done);
    void TranslateProperties(QObject* obj, QSet<const QObject*>& done);

    TranslateObjectEvent m_onTranslateObject;
    QString m_appName;
    Dictionary m_dictionary;
};
