#pragma once

#include "disk/batchmover.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>

class QThread;

// One batch of moves (a rename or an undo) running on a worker thread, so that the event
// loop keeps turning and the window repaints while the files move. Only the moves run on
// the worker: the engine plans the batch before and takes in its outcome after, on its own
// thread, in the completion the job was given. A large drop is added the same way: its
// rows are made on the worker and join the list in the completion. The engine's
// BatchRunner owns the job and deletes it once it has finished.
class RenameJob : public QObject {
    Q_OBJECT

public:
    // `add` makes the rows of a large drop on the worker; they join the list when it is done.
    enum class Kind { rename, undo, add };
    // What the engine made of the outcomes, for whoever started the job.
    struct Summary {
        qsizetype renamed = 0;
        qsizetype failed = 0;
        // Left alone before the batch for a conflict or a problem with the new name.
        qsizetype skipped = 0;
        bool undone = false;
        // Why nothing moved at all: the batch's recovery record could not be written, or
        // what it waited for left the list with problems.
        QString refusal;
        // The user stopped it while it waited, before any move.
        bool cancelled = false;
    };
    // Runs the moves, on the worker; reports each one done through the progress callback.
    using Work = std::function<QList<BatchMover::Outcome>(const BatchMover::Progress &)>;
    using Completion = std::function<Summary(const QList<BatchMover::Outcome> &)>;

    // How often the progress is reported while the moves run.
    static constexpr int progressIntervalMilliseconds = 50;

    RenameJob(Kind kind, qsizetype total, Work work, Completion completion,
              QObject *parent = nullptr);
    // Waits for moves still running: a batch is never cut short by its owner going away.
    ~RenameJob() override;

    void start();

    // A rename that must wait before it can be planned (the files' own information being
    // read): it runs no worker, counts what it waits for as its progress, and can be
    // cancelled; then it either proceeds with its moves or stops without any.
    void setWaiting(qsizetype total);
    bool isWaiting() const { return m_waiting; }
    void setWaited(qsizetype done) { m_done.store(done, std::memory_order_relaxed); }
    void proceed(qsizetype total, Work work, Completion completion);
    void stop(const Summary &summary);
    // Only while waiting.
    void cancel();

    Kind kind() const { return m_kind; }
    bool isFinished() const { return m_finished; }
    qsizetype total() const { return m_total; }
    // After finished(): files renamed, files that failed and files skipped for a problem
    // the preview showed (a rename); whether anything was taken back (an undo).
    qsizetype renamedCount() const { return m_summary.renamed; }
    qsizetype failedCount() const { return m_summary.failed; }
    qsizetype skippedCount() const { return m_summary.skipped; }
    bool undone() const { return m_summary.undone; }
    bool cancelled() const { return m_summary.cancelled; }
    // After finished(): why the batch did not start; empty when it ran.
    QString refusal() const { return m_summary.refusal; }

Q_SIGNALS:
    // Moves done out of the total, on the thread the job lives in.
    void progressChanged(qsizetype done, qsizetype total);
    // The wait is over and the moves start; total() is now the number of moves.
    void waitEnded();
    // The engine has taken in the outcome; its state is up to date.
    void finished();

private:
    void reportProgress();
    void finish();

    Kind m_kind;
    qsizetype m_total;
    Work m_work;
    Completion m_completion;
    QThread *m_worker = nullptr;
    // Written by the worker only; read here once the worker has finished.
    QList<BatchMover::Outcome> m_outcomes;
    std::atomic<qsizetype> m_done = 0;
    qsizetype m_reported = -1;
    QTimer m_progressTimer;
    Summary m_summary;
    bool m_finished = false;
    bool m_waiting = false;
};
