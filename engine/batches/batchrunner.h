#pragma once

// Internal to the engine: not part of its interface.

#include "batches/renamehistory.h"
#include "batches/renamejob.h"
#include "batches/undooperation.h"
#include "disk/batchmover.h"
#include "disk/recoveryreport.h"
#include "files/fileitem.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>

class FileMover;

// Runs the batches of the listed files, one at a time: renames and undos, either here and
// now or as jobs whose moves run on a worker thread. While a job runs the runner is busy;
// the engine then refuses to change the list. The runner takes each outcome into the list
// and says so; what follows from it (a new preview, the change signals) is the engine's.
class BatchRunner : public QObject {
    Q_OBJECT

public:
    using ProgressCallback = std::function<void(qsizetype done, qsizetype total)>;
    using BeforeMoves = std::function<bool(const UndoOperation &planned)>;

    // `files` is the list the batches are planned from and taken into; it outlives the
    // runner.
    BatchRunner(FileMover &mover, QList<FileItem> &files, QObject *parent = nullptr);
    // Waits for a job still moving files: the mover it uses goes away after the runner.
    ~BatchRunner() override;

    const QList<UndoOperation> &undoStack() const { return m_history.undoStack(); }
    bool canUndo() const { return m_history.canUndo(); }
    void clearHistory() { m_history.clear(); }
    RenameJob *currentJob() const { return m_job; }
    bool isBusy() const { return m_job != nullptr; }
    QString refusal() const { return m_refusal; }

    // Null while busy, or for an undo position that is not there.
    RenameJob *startRename();
    RenameJob *startUndo(qsizetype index);
    // A rename that first waits for `total` things outside the runner; proceedRename()
    // plans it from the list as it then is and starts its moves.
    RenameJob *startWaitingRename(qsizetype total);
    void proceedRename(RenameJob *job);
    // Runs a job made elsewhere (the rows of a large drop) under the same busy state.
    RenameJob *launch(RenameJob *job);

    std::pair<qsizetype, qsizetype> performRename(const ProgressCallback &progress,
                                                  const BeforeMoves &beforeMoves);
    bool undoRename(qsizetype index, const ProgressCallback &progress);
    bool revertUndoOperation(const UndoOperation &operation, const ProgressCallback &progress);
    RecoveryReport recoverInterruptedBatches() { return m_history.recoverInterruptedBatches(); }

Q_SIGNALS:
    void busyChanged(bool busy);
    // Files are about to move on disk, or just moved: what was read of it before is stale.
    void diskChanging();
    // A rename's outcome is in the list: statuses, paths and names of its rows.
    void renameTakenIn();
    // An undo's outcome is in the list; the new names are for the preview to work out.
    void undoTakenIn();

private:
    std::pair<qsizetype, qsizetype> finishRename(const RenameHistory::Plan &plan,
                                                 const QList<BatchMover::Outcome> &results);
    bool finishUndo(const RenameHistory::Plan &plan, const QList<BatchMover::Outcome> &results);
    // `undone` is the undo entry an undo took off the stack, and where it was.
    RenameJob *startJob(RenameJob::Kind kind, RenameHistory::Plan plan,
                        std::pair<qsizetype, UndoOperation> undone = {});
    std::pair<RenameJob::Work, RenameJob::Completion>
    jobParts(RenameJob::Kind kind, RenameHistory::Plan plan,
             std::pair<qsizetype, UndoOperation> undone);

    QList<FileItem> &m_files;
    RenameHistory m_history;
    RenameJob *m_job = nullptr;
    QString m_refusal;
};
