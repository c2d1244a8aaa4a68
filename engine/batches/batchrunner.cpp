#include "batches/batchrunner.h"

#include <optional>
#include <tuple>

BatchRunner::BatchRunner(FileMover &mover, QList<FileItem> &files, QObject *parent)
    : QObject(parent), m_files(files), m_history(mover)
{
}

BatchRunner::~BatchRunner()
{
    delete m_job;
}

std::pair<qsizetype, qsizetype> BatchRunner::performRename(const ProgressCallback &progress,
                                                           const BeforeMoves &beforeMoves)
{
    if (isBusy())
        return {0, 0};
    const RenameHistory::Plan plan = m_history.planRename(m_files);
    if (beforeMoves && !plan.moves.isEmpty() && !beforeMoves(m_history.plannedUndo(plan))) {
        m_refusal.clear();
        return {0, plan.failed};
    }
    return finishRename(plan, m_history.run(MoveJournal::Kind::batch, plan, progress));
}

std::pair<qsizetype, qsizetype> BatchRunner::finishRename(const RenameHistory::Plan &plan,
                                                          const QList<BatchMover::Outcome> &results)
{
    m_refusal = BatchMover::refusal(results);
    Q_EMIT diskChanging();
    const std::pair<qsizetype, qsizetype> counts = m_history.applyRename(m_files, plan, results);
    Q_EMIT renameTakenIn();
    return counts;
}

RenameJob *BatchRunner::startRename()
{
    if (isBusy())
        return nullptr;
    return startJob(RenameJob::Kind::rename, m_history.planRename(m_files));
}

RenameJob *BatchRunner::startUndo(qsizetype index)
{
    if (isBusy())
        return nullptr;
    std::optional<UndoOperation> operation = m_history.take(index);
    if (!operation)
        return nullptr;
    RenameHistory::Plan plan = m_history.planUndo(m_files, *operation);
    return startJob(RenameJob::Kind::undo, std::move(plan), {index, std::move(*operation)});
}

RenameJob *BatchRunner::startJob(RenameJob::Kind kind, RenameHistory::Plan plan,
                                 std::pair<qsizetype, UndoOperation> undone)
{
    const qsizetype total = plan.moves.size();
    auto [work, complete] = jobParts(kind, std::move(plan), std::move(undone));
    return launch(new RenameJob(kind, total, std::move(work), std::move(complete)));
}

RenameJob *BatchRunner::startWaitingRename(qsizetype total)
{
    if (isBusy())
        return nullptr;
    auto *job = new RenameJob(RenameJob::Kind::rename, total, {}, {});
    job->setWaiting(total);
    return launch(job);
}

void BatchRunner::proceedRename(RenameJob *job)
{
    if (job != m_job || !job->isWaiting())
        return;
    RenameHistory::Plan plan = m_history.planRename(m_files);
    const qsizetype total = plan.moves.size();
    auto [work, complete] = jobParts(RenameJob::Kind::rename, std::move(plan), {});
    job->proceed(total, std::move(work), std::move(complete));
}

std::pair<RenameJob::Work, RenameJob::Completion>
BatchRunner::jobParts(RenameJob::Kind kind, RenameHistory::Plan plan,
                      std::pair<qsizetype, UndoOperation> undone)
{
    const MoveJournal::Kind journal =
        kind == RenameJob::Kind::rename ? MoveJournal::Kind::batch : MoveJournal::Kind::undo;
    // Only the moves run on the worker; the plan is shared read-only between the two sides.
    RenameJob::Work work = [history = &m_history, journal,
                            plan](const BatchMover::Progress &progress) {
        return history->run(journal, plan, progress);
    };
    RenameJob::Completion complete = [this, kind, plan = std::move(plan),
                                      undone = std::move(undone)](const auto &results) {
        RenameJob::Summary summary;
        if (kind == RenameJob::Kind::rename) {
            std::tie(summary.renamed, summary.failed) = finishRename(plan, results);
            summary.skipped = plan.skipped;
            summary.failed -= plan.skipped;
        } else {
            summary.undone = finishUndo(plan, results);
            // An undo that did not start stays on offer.
            if (!m_refusal.isEmpty())
                m_history.putBack(undone.first, undone.second);
        }
        summary.refusal = m_refusal;
        return summary;
    };
    return {std::move(work), std::move(complete)};
}

RenameJob *BatchRunner::launch(RenameJob *job)
{
    // The moves change what is on disk; the rows are judged again after.
    Q_EMIT diskChanging();
    job->setParent(this);
    m_job = job;
    connect(m_job, &RenameJob::finished, this, [this, job] {
        m_job = nullptr;
        job->deleteLater();
        Q_EMIT busyChanged(false);
    });
    Q_EMIT busyChanged(true);
    m_job->start();
    return m_job;
}

bool BatchRunner::undoRename(qsizetype index, const ProgressCallback &progress)
{
    if (isBusy())
        return false;
    const std::optional<UndoOperation> operation = m_history.take(index);
    if (!operation)
        return false;
    const bool reverted = revertUndoOperation(*operation, progress);
    if (!m_refusal.isEmpty())
        m_history.putBack(index, *operation);
    return reverted;
}

bool BatchRunner::revertUndoOperation(const UndoOperation &operation,
                                      const ProgressCallback &progress)
{
    if (isBusy())
        return false;
    const RenameHistory::Plan plan = m_history.planUndo(m_files, operation);
    return finishUndo(plan, m_history.run(MoveJournal::Kind::undo, plan, progress));
}

bool BatchRunner::finishUndo(const RenameHistory::Plan &plan,
                             const QList<BatchMover::Outcome> &results)
{
    m_refusal = BatchMover::refusal(results);
    const bool reverted = m_history.applyUndo(m_files, plan, results);
    Q_EMIT undoTakenIn();
    return reverted;
}
