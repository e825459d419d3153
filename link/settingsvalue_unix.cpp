#include "settingsvalue.h"

#include <QSettings>

namespace {

// The value lives in the INI file "Varlo/marvola.ini" of the system configuration folders
// (/etc/xdg unless XDG_CONFIG_DIRS says otherwise), group "demon".
class TIniSettingsValue final : public TSettingsValue
{
public:
    Value ReadViewerHandle() override
    {
        QSettings settings(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Varlo"),
                           QStringLiteral("marvola"));
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
