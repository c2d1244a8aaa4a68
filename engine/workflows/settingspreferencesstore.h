#pragma once

// Internal to the engine: not part of its interface.

#include "workflows/preferencesstore.h"

#include <QSettings>

#include <functional>
#include <memory>

// The user's settings file (~/.config/Brisklet/Brisklet.conf), or a given file in tests.
class SettingsPreferencesStore : public PreferencesStore {
public:
    SettingsPreferencesStore();
    explicit SettingsPreferencesStore(const QString &fileName);
    ~SettingsPreferencesStore() override;

    std::optional<QVariant> readValue(const QString &key) const override;
    std::optional<QString> storeValue(const QString &key, const QVariant &value) override;

private:
    explicit SettingsPreferencesStore(std::function<std::unique_ptr<QSettings>()> open);

    // Whether the file on disk now holds the value, read afresh from the disk.
    std::optional<QString> checkOnDisk(const QString &key, const QVariant &value) const;
    // Why a file of this size could not be written now, for the user to read; nothing when
    // it could.
    std::optional<QString> writeProblem(qint64 bytesNeeded) const;

    std::function<std::unique_ptr<QSettings>()> m_open;
    std::unique_ptr<QSettings> m_settings;
    QString m_fileName;
};
