#pragma once

#include "workflows/preferencesstore.h"

#include <QHash>

// Preferences that live only as long as the object: for tests and tools.
class MemoryPreferencesStore : public PreferencesStore {
public:
    std::optional<QVariant> readValue(const QString &key) const override
    {
        const auto found = m_values.constFind(key);
        if (found == m_values.cend())
            return std::nullopt;
        return *found;
    }

    std::optional<QString> storeValue(const QString &key, const QVariant &value) override
    {
        m_values.insert(key, value);
        return std::nullopt;
    }

private:
    QHash<QString, QVariant> m_values;
};
