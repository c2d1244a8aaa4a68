#pragma once

#include "batches/undooperation.h"
#include "disk/batchmover.h"
#include "disk/recoveryreport.h"
#include "files/fileitem.h"

#include <QList>
#include <QStringList>

#include <utility>

class FileMover;

// Renames the listed files and takes batches back. A batch is planned from the list,
// its moves run through a BatchMover (journaled, never replacing anything) and the outcome
// is taken into the list: rows follow their files, also a file stranded under a temporary
// name and the items inside a folder that moved. Every batch that renamed something goes on
// the undo stack, which keeps the newest `maxUndoOperations`.
//
// Planning and taking in touch the list; running the moves does not, so that it can run on
// another thread in between.
class RenameHistory {
public:
    static constexpr qsizetype maxUndoOperations = 20;

    // A batch worked out from the list, before anything moves.
    struct Plan {
        QList<BatchMover::Move> moves;
        QList<qsizetype> rows; // the listed file of each move, or -1
        QStringList newNames;  // the name each moved row takes (renames only)
        qsizetype failed = 0;  // rows that cannot be renamed at all
        qsizetype skipped = 0; // rows left alone for a conflict or problem of their new name
    };

    explicit RenameHistory(FileMover &mover) : m_mover(mover) {}

    const QList<UndoOperation> &undoStack() const { return m_undoStack; }
    bool canUndo() const { return !m_undoStack.isEmpty(); }
    // The batch at `index`, taken off the stack; none for a position that is not there.
    std::optional<UndoOperation> take(qsizetype index);
    // Puts back at `index` a batch that take() gave and that could not be taken back at all.
    void putBack(qsizetype index, const UndoOperation &operation);
    void clear() { m_undoStack.clear(); }

    // Every pending file; a file that cannot be renamed at all is marked an error here.
    Plan planRename(QList<FileItem> &files) const;
    // Files renamed, and files that failed or were skipped (not pending; the plan counts
    // those apart). Pushes the undo entry.
    std::pair<qsizetype, qsizetype> applyRename(QList<FileItem> &files, const Plan &plan,
                                                const QList<BatchMover::Outcome> &results);
    // The undo entry the batch will push if every move succeeds in the planned order.
    UndoOperation plannedUndo(const Plan &plan) const;
    Plan planUndo(const QList<FileItem> &files, const UndoOperation &operation) const;
    // Whether anything was taken back. The new names are the preview's to compute again.
    bool applyUndo(QList<FileItem> &files, const Plan &plan,
                   const QList<BatchMover::Outcome> &results);

    // Runs the moves of a plan here and now.
    QList<BatchMover::Outcome> run(MoveJournal::Kind kind, const Plan &plan,
                                   const BatchMover::Progress &progress = {});

    // Puts right what batches cut short by a crash left behind (see BatchRecovery).
    RecoveryReport recoverInterruptedBatches();

private:
    void followStrandedFile(FileItem &item, const QByteArray &sourcePath,
                            const QByteArray &currentPath) const;

    FileMover &m_mover;
    QList<UndoOperation> m_undoStack;
};
