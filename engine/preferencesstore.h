#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The application's own preferences: byte values under text keys, kept across launches.
class PreferencesStore {
public:
    virtual ~PreferencesStore() = default;

    // Nothing when the key is absent or holds something that is not a byte value.
    virtual std::optional<QByteArray> readBytes(const QString &key) const = 0;
    virtual void storeBytes(const QString &key, const QByteArray &value) = 0;
};
