#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// The application's own preferences: values under text keys, kept across launches.
class PreferencesStore {
public:
    virtual ~PreferencesStore() = default;

    // Nothing when the key is absent; otherwise the value as stored, whatever its type, so
    // that a value the application cannot use can still be kept.
    virtual std::optional<QVariant> readValue(const QString &key) const = 0;
    // Writes the value through to where it is kept. Nothing when it got there; otherwise a
    // sentence that tells the user why not.
    [[nodiscard]] virtual std::optional<QString> storeValue(const QString &key,
                                                            const QVariant &value) = 0;

    // Nothing when the key is absent or holds something that is not a byte value.
    std::optional<QByteArray> readBytes(const QString &key) const
    {
        const std::optional<QVariant> value = readValue(key);
        if (!value || value->typeId() != QMetaType::QByteArray)
            return std::nullopt;
        return value->toByteArray();
    }
    [[nodiscard]] std::optional<QString> storeBytes(const QString &key, const QByteArray &value)
    {
        return storeValue(key, QVariant(value));
    }
};
