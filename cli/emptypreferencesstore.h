#pragma once

#include "workflows/preferencesstore.h"

// The preferences of a run whose stack comes from a file or a built-in workflow: nothing is
// read from the application's settings, and nothing is kept.
class EmptyPreferencesStore : public PreferencesStore {
public:
    std::optional<QVariant> readValue(const QString &key) const override
    {
        Q_UNUSED(key);
        return std::nullopt;
    }
    std::optional<QString> storeValue(const QString &key, const QVariant &value) override
    {
        Q_UNUSED(key);
        Q_UNUSED(value);
        return QStringLiteral("The command line keeps no settings.");
    }
};
