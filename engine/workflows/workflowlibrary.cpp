#include "workflows/workflowlibrary.h"

#include "workflows/preferencesstore.h"

#include <optional>

WorkflowLibrary::WorkflowLibrary(std::unique_ptr<PreferencesStore> preferences, QObject *parent)
    : QObject(parent), m_store(std::move(preferences))
{
}

WorkflowLibrary::~WorkflowLibrary() = default;

bool WorkflowLibrary::renameReplaces(const QString &oldName, const QString &newName) const
{
    return m_store.contains(oldName) && m_store.contains(newName) &&
           WorkflowStore::canonicalName(oldName) != WorkflowStore::canonicalName(newName);
}

bool WorkflowLibrary::save(const QString &name, const QList<RenameOperationWrapper> &operations)
{
    m_store.insert(name, operations);
    Q_EMIT changed();
    return persist();
}

bool WorkflowLibrary::remove(const QString &name)
{
    if (m_store.remove(name))
        Q_EMIT changed();
    return persist();
}

bool WorkflowLibrary::rename(const QString &oldName, const QString &newName)
{
    // One write with the result, so that no moment on disk lacks the workflow.
    if (!m_store.rename(oldName, newName))
        return true;
    Q_EMIT changed();
    return persist();
}

bool WorkflowLibrary::persist()
{
    if (const std::optional<QString> failure = m_store.persist()) {
        Q_EMIT notSaved(*failure);
        return false;
    }
    return true;
}

void WorkflowLibrary::load()
{
    if (m_store.load())
        Q_EMIT changed();
}
