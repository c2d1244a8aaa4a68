#pragma once

#include "clioptions.h"
#include "exitstatus.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

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

    bool loadStack(QString *error);
    bool loadSavedWorkflow(const QString &name, QString *error);
    std::optional<QByteArray> readInput(const QByteArray &path, QString *error) const;
    // A folder a planned move would write to that refuses it; empty when none does.
    QString unwritableFolder() const;
    void recoverInterruptedBatches();

    ExitStatus fail(ExitStatus status, const QString &message) const;
    static void write(const QByteArray &bytes);

    CliOptions m_options;
    QByteArray m_workingDirectory;
    std::unique_ptr<RenameEngine> m_engine;
};
