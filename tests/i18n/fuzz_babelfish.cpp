// libFuzzer target: a language file of arbitrary bytes is loaded, looked up and written back
// as a template. Besides the sanitizers it checks what must hold for every file.
#include "core/i18n/itlfile.h"
#include "i18n/Babelfish2000.h"
#include "i18n/cp1252.h"
#include "tests/i18n/load_support.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "violated: %s\n", what);
        std::abort();
    }
}

// The entries as a reader that sees the whole file at once finds them.
QList<QByteArray> WholeFileEntries(const QByteArray& file)
{
    QList<QByteArray> entries;
    qsizetype from = 0;
    for (qsizetype pos; (pos = file.indexOf("|$$", from)) >= 0; from = pos + 3)
        entries << file.mid(from, pos + 3 - from);
    return entries;
}

bool WellFormedKey(const QString& key)
{
    if (key.startsWith(u' ') || key.contains(u"  "))
        return false;
    for (const QChar c : key) {
        if ((c >= u'A' && c <= u'Z') || c == u'\t' || c == u'\r' || c == u'\n')
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TBabelfish2000 engine(u"Prog"_s);
    Load(engine, file);

    const QStringList keys = engine.Keys();
    const QStringList texts = engine.Texts();
    const QList<QByteArray> entries = WholeFileEntries(file);
    Check(keys.size() == entries.size() && texts.size() == entries.size(), "one pair per entry");
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const itl::TRawEntry raw = itl::SplitEntry(std::string_view(entries[i].constData(), std::size_t(entries[i].size())));
        Check(keys[i] == cp1252::ToQString(itl::NormalizeKey(raw.Key)), "key as in the whole file");
        Check(texts[i] == cp1252::ToQString(itl::PrepareText(std::string(raw.Text), "Prog")), "text as in the whole file");
        Check(WellFormedKey(keys[i]), "normalised key");
        Check(!texts[i].contains(u'\r') && !texts[i].contains(u"|$$"), "prepared text");
        Check(engine.Translate(keys[i]) == texts[keys.indexOf(keys[i])], "first entry wins");
        Check(engine.Translate(keys[i].toUpper()).size() >= 0, "lookup of an upper-cased key");
    }

    // The template of a loaded file loads back to the same dictionary.
    TBabelfish2000 reloaded(u"Prog"_s);
    Load(reloaded, engine.ItlFileContent());
    Check(reloaded.Keys() == keys && reloaded.Texts() == texts, "template round trip");

    // Pieces of the input as keys, with parameters that hold placeholders themselves.
    engine.SetAutoCreateItlFile(true);
    const QString asText = cp1252::Decode(file);
    const QStringList params{u"<%2%>"_s, u"<%1%><%1%>"_s, asText.left(8)};
    for (qsizetype from = 0; from < asText.size(); from += 61) {
        const QString key = asText.mid(from, 40);
        QString text = key;
        engine.Translate(text, params, text);
        const QString plain = engine.Translate(key);
        if (!plain.contains(u"<%"))
            Check(text == plain, "placeholder-free text ignores the parameters");
    }
    std::vector<std::string> byteParams;
    for (const QString& p : params)
        byteParams.push_back(cp1252::FromQString(p));
    for (const std::string& text : engine.Core().Texts())
        Check(itl::FillPlaceholders(text, byteParams).size() < text.size() + 1000000, "placeholders");
    const QByteArray itl = engine.ItlFileContent();
    Check(itl.endsWith("\r\n") || itl.isEmpty(), "template lines end with CR LF");
    engine.SetAutoCreateItlFile(false); // nothing is written at destruction
    return 0;
}
