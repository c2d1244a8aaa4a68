#include "workflowcommand.h"

#include "clioutput.h"
#include "renameengine.h"

using CliOutput::fail;
using CliOutput::write;

WorkflowCommand::WorkflowCommand(RenameEngine &engine)
    : m_engine(engine),
      m_notSaved(QObject::connect(&engine, &RenameEngine::workflowsNotSaved, &engine,
                                  [this](const QString &reason) { m_storeFailure = reason; }))
{
}

WorkflowCommand::~WorkflowCommand()
{
    QObject::disconnect(m_notSaved);
}

ExitStatus WorkflowCommand::save(const QString &name, Existing existing)
{
    if (name.isEmpty())
        return fail(ExitStatus::badUsage, QStringLiteral("a workflow name cannot be empty"));
    if (existing == Existing::refused && m_engine.hasSavedWorkflow(name))
        return fail(
            ExitStatus::badUsage,
            QStringLiteral("A workflow named '%1' already exists. (--overwrite replaces it)")
                .arg(name));
    m_engine.saveWorkflow(name);
    return finish(QStringLiteral("Workflow '%1' saved").arg(name));
}

ExitStatus WorkflowCommand::remove(const QString &name)
{
    m_engine.deleteWorkflow(name);
    return finish(QStringLiteral("Workflow '%1' deleted").arg(name));
}

ExitStatus WorkflowCommand::finish(const QString &done)
{
    // The change was made in this process only, which ends here: nothing else sees it.
    if (!m_storeFailure.isEmpty())
        return fail(ExitStatus::badUsage, m_storeFailure);
    write(done.toUtf8() + '\n');
    return ExitStatus::success;
}
