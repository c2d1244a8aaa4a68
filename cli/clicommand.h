#pragma once

#include "clioptions.h"
#include "exitstatus.h"
#include "inputfiles.h"

#include <QByteArray>
#include <QString>

#include <memory>

class RenameEngine;

// One run of brisklet-cli: builds the stack, lists the files, prints the plan, and renames
// or reverts when asked. Nothing moves unless every check before the batch has passed.
class CliCommand {
public:
    CliCommand(CliOptions options, QByteArray workingDirectory);
    ~CliCommand();

    ExitStatus run();

private:
    ExitStatus rename();
    ExitStatus revert();
    ExitStatus exportWorkflow();
    ExitStatus listWorkflows();
    ExitStatus printStack();
    // --save-workflow and --delete-workflow.
    ExitStatus changeWorkflows();
    InputFiles::FolderArguments folderArguments() const;

    // A folder a planned move would write to that refuses it; empty when none does.
    QString unwritableFolder() const;
    void recoverInterruptedBatches();

    CliOptions m_options;
    QByteArray m_workingDirectory;
    std::unique_ptr<RenameEngine> m_engine;
};
