#include "batches/renamejob.h"

#include <QThread>

#include <utility>

RenameJob::RenameJob(Kind kind, qsizetype total, Work work, Completion completion, QObject *parent)
    : QObject(parent), m_kind(kind), m_total(total), m_work(std::move(work)),
      m_completion(std::move(completion))
{
    m_progressTimer.setInterval(progressIntervalMilliseconds);
    connect(&m_progressTimer, &QTimer::timeout, this, &RenameJob::reportProgress);
}

RenameJob::~RenameJob()
{
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
    }
}

void RenameJob::setWaiting(qsizetype total)
{
    m_waiting = true;
    m_total = total;
}

void RenameJob::proceed(qsizetype total, Work work, Completion completion)
{
    if (!m_waiting || m_finished)
        return;
    m_waiting = false;
    m_total = total;
    m_work = std::move(work);
    m_completion = std::move(completion);
    m_done.store(0, std::memory_order_relaxed);
    m_reported = -1;
    Q_EMIT waitEnded();
    start();
}

void RenameJob::stop(const Summary &summary)
{
    if (!m_waiting || m_finished)
        return;
    m_waiting = false;
    m_progressTimer.stop();
    m_summary = summary;
    m_finished = true;
    Q_EMIT finished();
}

void RenameJob::cancel()
{
    Summary summary;
    summary.cancelled = true;
    stop(summary);
}

void RenameJob::start()
{
    if (m_worker || m_finished)
        return;
    m_progressTimer.start();
    if (m_waiting)
        return;
    m_worker = QThread::create([this] {
        m_outcomes = m_work(
            [this](qsizetype done, qsizetype) { m_done.store(done, std::memory_order_relaxed); });
    });
    m_worker->setObjectName(QStringLiteral("Brisklet batch"));
    // Delivered here, after the worker's last write: the outcomes are complete.
    connect(m_worker, &QThread::finished, this, &RenameJob::finish);
    m_worker->start();
}

void RenameJob::reportProgress()
{
    const qsizetype done = m_done.load(std::memory_order_relaxed);
    if (done == m_reported)
        return;
    m_reported = done;
    Q_EMIT progressChanged(done, total());
}

void RenameJob::finish()
{
    m_progressTimer.stop();
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    reportProgress();
    m_summary = m_completion(m_outcomes);
    m_finished = true;
    Q_EMIT finished();
}
