#include "link/settingsvalue.h"

#include <QIODevice>
#include <QSettings>

namespace {

// A value as the original store holds it: one string, commas and all. Only a value in double
// quotes loses its quotes (and its backslash escapes); one that QSettings would have read as a
// typed value ("@Variant(...)", "@ByteArray(...)" and the like) is no string.
QVariant ValueOf(const QByteArray& text)
{
    if (text.size() >= 2 && text.startsWith('"') && text.endsWith('"')) {
        QByteArray inner;
        for (qsizetype i = 1; i + 1 < text.size(); ++i) {
            if (text[i] == '\\' && i + 2 < text.size())
                ++i;
            inner += text[i];
        }
        return QString::fromUtf8(inner);
    }
    if (text.startsWith("@@"))
        return QString::fromUtf8(text.sliced(1));
    if (text.startsWith('@') && text.contains('(') && text.endsWith(')'))
        return QVariant(text); // a byte array: not a string
    return QString::fromUtf8(text);
}

// The INI syntax of the settings file, "[group]" and "key=value" lines, with every value read
// as text. QSettings' own INI reader would make a list of a value with a comma in it.
bool ReadValuesAsText(QIODevice& device, QSettings::SettingsMap& map)
{
    QByteArray group;
    const QList<QByteArray> lines = device.readAll().split('\n');
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            const qsizetype end = line.indexOf(']');
            if (end > 0) {
                group = line.sliced(1, end - 1).trimmed();
                if (group.compare("General", Qt::CaseInsensitive) == 0)
                    group.clear();
            }
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray key = line.first(equals).trimmed();
        const QByteArray name = group.isEmpty() ? key : group + '/' + key;
        map.insert(QString::fromUtf8(name), ValueOf(line.sliced(equals + 1).trimmed()));
    }
    return true;
}

bool WriteNothing(QIODevice&, const QSettings::SettingsMap&)
{
    return false; // the program only reads
}

// The value lives in the INI file "Varlo/marvola.ini" of the system configuration folders
// (/etc/xdg unless XDG_CONFIG_DIRS says otherwise), group "demon". QSettings finds the file;
// the format registered here reads it.
class TIniSettingsValue final : public TSettingsValue
{
public:
    Value ReadViewerHandle() override
    {
        static const QSettings::Format format =
            QSettings::registerFormat(QStringLiteral("ini"), ReadValuesAsText, WriteNothing);
        QSettings settings(format, QSettings::SystemScope, QStringLiteral("Varlo"), QStringLiteral("marvola"));
        const QVariant value = settings.value(QStringLiteral("demon/ViewerHandle"));
        if (!value.isValid())
            return {};
        if (value.typeId() != QMetaType::QString)
            return {Kind::OtherType, {}};
        return {Kind::Text, value.toString().toUtf8()};
    }
};

} // namespace

TSettingsValue::~TSettingsValue() = default;

TSettingsValue& TSettingsValue::Default()
{
    static TIniSettingsValue instance;
    return instance;
}
