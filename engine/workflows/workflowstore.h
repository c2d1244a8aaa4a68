#pragma once

// Internal to the engine: not part of its interface.

#include "names/renameoperationwrapper.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class PreferencesStore;

// The saved workflows, in memory and in the preferences store. Names are compared under
// canonical equivalence, letter case distinguished. The stored value is read strictly:
// what cannot be read in full is never replaced before a copy of it is on disk, under a key
// of its own. Changes are made in memory; `persist` writes them all in one value.
class WorkflowStore {
public:
    using Workflows = QMap<QString, QList<RenameOperationWrapper>>;

    // The key the workflows are stored under.
    static const QString storeKey;

    // Without a preferences store, the workflows live in memory only.
    explicit WorkflowStore(std::unique_ptr<PreferencesStore> preferences);
    ~WorkflowStore();
    WorkflowStore(const WorkflowStore &) = delete;
    WorkflowStore &operator=(const WorkflowStore &) = delete;

    // The name a workflow is kept under: canonically equivalent spellings are one name.
    static QString canonicalName(const QString &name);
    // Compact UTF-8 JSON: an object of names, each with the array of its step records.
    static QByteArray encode(const Workflows &workflows);
    // Reads the stored bytes strictly: any record that cannot be read, or a NUL byte
    // anywhere, makes the whole value unreadable. `merged` tells whether two stored names were the
    // same name under canonical equivalence, so that one of their lists had to be dropped.
    static std::optional<Workflows> decode(const QByteArray &bytes, bool *merged);

    const Workflows &workflows() const { return m_workflows; }
    const QList<RenameOperationWrapper> *find(const QString &name) const;
    bool contains(const QString &name) const;
    // In ascending order of their Unicode scalar values, so upper case sorts before lower.
    QStringList names() const;

    // Reads the store; true when that changed the workflows.
    bool load();
    // Writes every workflow in one value. Nothing when it got there; otherwise a sentence
    // for the user. The workflows stay in memory either way.
    std::optional<QString> persist();

    void insert(const QString &name, const QList<RenameOperationWrapper> &operations);
    // True when a workflow of that name was there.
    bool remove(const QString &name);
    // True when the workflow now has the new name; it replaces one saved under that name.
    bool rename(const QString &oldName, const QString &newName);

private:
    std::optional<QString> keepUnreadableValueAside();

    std::unique_ptr<PreferencesStore> m_preferences;
    Workflows m_workflows;
    // A stored value that could not be read, until it has been kept aside.
    std::optional<QVariant> m_unreadableValue;
    // Where it goes, once a first attempt to keep it aside has chosen.
    QString m_unreadableValueKey;
};
