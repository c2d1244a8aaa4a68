#pragma once

#include "workflows/preferencesstore.h"

#include <QHash>

#include <memory>

// Preferences whose values outlive the store, so that a second store on the same values
// reads what a later launch would, and whose writes can be made to fail.
class SharedPreferencesStore : public PreferencesStore {
public:
    struct Values {
        QHash<QString, QVariant> values;
        int writes = 0;
        // Every write fails with this reason while it is set, and changes nothing.
        std::optional<QString> failure;
    };

    explicit SharedPreferencesStore(std::shared_ptr<Values> stored) : m_stored(std::move(stored)) {}

    std::optional<QVariant> readValue(const QString &key) const override
    {
        return m_stored->values.contains(key) ? std::optional(m_stored->values.value(key))
                                              : std::nullopt;
    }
    std::optional<QString> storeValue(const QString &key, const QVariant &value) override
    {
        ++m_stored->writes;
        if (m_stored->failure)
            return m_stored->failure;
        m_stored->values.insert(key, value);
        return std::nullopt;
    }

    // The keys under which unreadable workflows were kept aside, sorted.
    static QStringList keptKeys(const Values &stored)
    {
        QStringList keys = stored.values.keys();
        keys.removeIf(
            [](const QString &key) { return !key.startsWith(u"SavedWorkflows.unreadable-"); });
        keys.sort();
        return keys;
    }

private:
    std::shared_ptr<Values> m_stored;
};
