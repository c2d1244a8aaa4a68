#pragma once

// Internal to the engine: not part of its interface.

#include "names/renameoperationwrapper.h"
#include "workflows/workflowstore.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class PreferencesStore;

// The saved workflows as the user works with them: every change is written to the store
// before it returns, and tells whoever shows the list. A store that cannot be written is
// reported with a sentence for the user; the workflows stay in memory either way.
class WorkflowLibrary : public QObject {
    Q_OBJECT

public:
    explicit WorkflowLibrary(std::unique_ptr<PreferencesStore> preferences,
                             QObject *parent = nullptr);
    ~WorkflowLibrary() override;

    const WorkflowStore::Workflows &workflows() const { return m_store.workflows(); }
    const QList<RenameOperationWrapper> *find(const QString &name) const
    {
        return m_store.find(name);
    }
    bool contains(const QString &name) const { return m_store.contains(name); }
    QStringList names() const { return m_store.names(); }
    // Whether renaming `oldName` to `newName` would replace another saved workflow.
    bool renameReplaces(const QString &oldName, const QString &newName) const;

    // Each false, after notSaved(), when the store could not be written.
    bool save(const QString &name, const QList<RenameOperationWrapper> &operations);
    bool remove(const QString &name);
    bool rename(const QString &oldName, const QString &newName);
    bool persist();
    void load();

Q_SIGNALS:
    void changed();
    void notSaved(const QString &reason);

private:
    WorkflowStore m_store;
};
