#pragma once

#include "preferencesstore.h"

#include <QHash>

// Preferences that live only as long as the object: for tests and tools.
class MemoryPreferencesStore : public PreferencesStore {
public:
    std::optional<QByteArray> readBytes(const QString &key) const override
    {
        const auto found = m_values.constFind(key);
        if (found == m_values.cend())
            return std::nullopt;
        return *found;
    }

    void storeBytes(const QString &key, const QByteArray &value) override
    {
        m_values.insert(key, value);
    }

    const QHash<QString, QByteArray> &values() const { return m_values; }

private:
    QHash<QString, QByteArray> m_values;
};
