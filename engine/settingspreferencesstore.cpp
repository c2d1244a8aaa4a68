#include "settingspreferencesstore.h"

SettingsPreferencesStore::SettingsPreferencesStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brisklet"),
                 QStringLiteral("Brisklet"))
{
}

SettingsPreferencesStore::SettingsPreferencesStore(const QString &fileName)
    : m_settings(fileName, QSettings::NativeFormat)
{
}

std::optional<QByteArray> SettingsPreferencesStore::readBytes(const QString &key) const
{
    const QVariant value = m_settings.value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

void SettingsPreferencesStore::storeBytes(const QString &key, const QByteArray &value)
{
    m_settings.setValue(key, value);
    m_settings.sync();
}
