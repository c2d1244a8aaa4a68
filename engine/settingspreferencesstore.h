#pragma once

#include "preferencesstore.h"

#include <QSettings>

// The user's settings file (~/.config/Brisklet/Brisklet.conf), or a given file in tests.
class SettingsPreferencesStore : public PreferencesStore {
public:
    SettingsPreferencesStore();
    explicit SettingsPreferencesStore(const QString &fileName);

    std::optional<QByteArray> readBytes(const QString &key) const override;
    void storeBytes(const QString &key, const QByteArray &value) override;

private:
    mutable QSettings m_settings;
};
