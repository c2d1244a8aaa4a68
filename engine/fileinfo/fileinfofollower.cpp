#include "fileinfo/fileinfofollower.h"

#include "batches/batchrunner.h"
#include "batches/renamejob.h"
#include "fileinfo/fileinfoscheduler.h"
#include "files/listedfiles.h"
#include "names/fileinfostep.h"
#include "preview/preview.h"

#include <QCoreApplication>

#include <utility>

namespace {
// How often answers of the file-info reads are shown while many files are read.
constexpr int previewMilliseconds = 100;
} // namespace

FileInfoFollower::FileInfoFollower(const QList<FileItem> &files, Preview &preview,
                                   BatchRunner &batches, QObject *parent)
    : QObject(parent), m_files(files), m_preview(preview), m_batches(batches)
{
    m_previewTimer.setSingleShot(true);
    m_previewTimer.setInterval(previewMilliseconds);
    connect(&m_previewTimer, &QTimer::timeout, this, &FileInfoFollower::previewAnswers);
    connect(&m_preview.fileInfo(), &FileInfoScheduler::arrived, this,
            &FileInfoFollower::answersArrived);
}

bool FileInfoFollower::isReading() const
{
    return m_preview.readsFileInfo() && readingCount() > 0;
}

qsizetype FileInfoFollower::readingCount() const
{
    return m_preview.fileInfo().readingCount();
}

void FileInfoFollower::readNow(const QList<RenameOperationWrapper> &operations)
{
    if (!FileInfoStep::readsFileInfo(operations))
        return;
    m_preview.fileInfo().readNow(m_files, FileInfoStep::depthFor(operations));
    Q_EMIT previewDue();
}

void FileInfoFollower::readEverythingNow()
{
    m_preview.fileInfo().readNow(m_files, FileInfoReader::Depth::everything);
}

std::optional<qint64> FileInfoFollower::dateTakenOf(qsizetype row) const
{
    if (row < 0 || row >= m_files.size())
        return std::nullopt;
    const std::optional<FileInfo> info = m_preview.fileInfo().infoOf(m_files.at(row).id);
    return info ? info->dateTaken : std::nullopt;
}

void FileInfoFollower::setReader(Reading reader)
{
    m_preview.fileInfo().setReader(
        [reader = std::move(reader)](const QByteArray &path, FileInfoReader::Depth depth) {
            return reader(path, depth == FileInfoReader::Depth::everything);
        });
}

RenameJob *FileInfoFollower::startWaitingRename()
{
    m_waitTotal = readingCount();
    m_waitingRename = m_batches.startWaitingRename(m_waitTotal);
    return m_waitingRename;
}

void FileInfoFollower::answersArrived()
{
    if (m_waitingRename && m_waitingRename->isWaiting())
        m_waitingRename->setWaited(m_waitTotal - readingCount());
    // The last answers are shown at once; those before, together, once in a while.
    if (readingCount() == 0)
        previewAnswers();
    else if (!m_previewTimer.isActive())
        m_previewTimer.start();
}

void FileInfoFollower::previewAnswers()
{
    m_previewTimer.stop();
    // The rows of a batch that moves files stay as they are; one that waits for these
    // answers has not planned yet.
    const bool waiting = m_waitingRename && m_waitingRename->isWaiting();
    if (m_batches.isBusy() && !waiting)
        return;
    Q_EMIT previewDue();
    if (waiting && readingCount() == 0)
        finishWaitingRename();
}

void FileInfoFollower::finishWaitingRename()
{
    RenameJob *job = std::exchange(m_waitingRename, nullptr);
    if (!job || !job->isWaiting())
        return;
    // The user agreed to rename names they had not seen: any problem they show now stops
    // the batch before its first move.
    const qsizetype problems = m_preview.conflictCount() + m_preview.errorCount();
    RenameJob::Summary stopped;
    if (problems > 0)
        stopped.refusal = QCoreApplication::translate(
            "RenameEngine",
            "Once their information was read, %n file(s) had conflicts or errors. Look at the "
            "list, then rename again.",
            nullptr, int(problems));
    else if (!ListedFiles::anyPending(m_files) || !ListedFiles::anyChanged(m_files))
        stopped.refusal = QCoreApplication::translate(
            "RenameEngine", "Once their information was read, no file would get a new name.");
    if (!stopped.refusal.isEmpty())
        job->stop(stopped);
    else
        m_batches.proceedRename(job);
}
