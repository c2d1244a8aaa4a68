#pragma once

#include "batches/undooperation.h"
#include "clioptions.h"
#include "exitstatus.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class FileMover;
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
    // Completes the undo file whose plan `descriptor` holds, once the batch made the moves
    // of `done`. Should that fail, the plan stays, which takes back what moved all the same.
    void finishUndoFile(int descriptor, const QByteArray &path, const UndoOperation &planned,
                        qsizetype flagOffset, const UndoOperation &done) const;
    // The renames of a plan that were made before its batch stopped, where they are.
    static UndoOperation madeRenames(const UndoOperation &planned, FileMover &mover);

    ExitStatus fail(ExitStatus status, const QString &message) const;
    static void write(const QByteArray &bytes);

    CliOptions m_options;
    QByteArray m_workingDirectory;
    std::unique_ptr<RenameEngine> m_engine;
};
