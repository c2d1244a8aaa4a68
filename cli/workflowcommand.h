#pragma once

#include "exitstatus.h"

#include <QMetaObject>
#include <QString>

class RenameEngine;

// Saves and deletes the user's workflows from a terminal, by the window's rules: a name is
// taken as typed, an empty one is refused, and a saved one is replaced only when asked.
// Both go to the store the window reads at its next start.
class WorkflowCommand {
public:
    enum class Existing { refused, replaced };

    // `engine` holds the stack to save and reads the application's settings.
    explicit WorkflowCommand(RenameEngine &engine);
    ~WorkflowCommand();
    WorkflowCommand(const WorkflowCommand &) = delete;
    WorkflowCommand &operator=(const WorkflowCommand &) = delete;

    ExitStatus save(const QString &name, Existing existing);
    ExitStatus remove(const QString &name);

private:
    // Ends the command: the store's reason when it could not be written, else `done`.
    ExitStatus finish(const QString &done);

    RenameEngine &m_engine;
    QString m_storeFailure;
    QMetaObject::Connection m_notSaved;
};
