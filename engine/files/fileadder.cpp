#include "files/fileadder.h"

#include "batches/batchrunner.h"
#include "batches/renamejob.h"
#include "disk/batchmover.h"
#include "files/listedfiles.h"

#include <memory>
#include <utility>

FileAdder::FileAdder(QList<FileItem> &files, FileMover &mover, BatchRunner &batches,
                     QObject *parent)
    : QObject(parent), m_files(files), m_mover(mover), m_batches(batches)
{
}

void FileAdder::add(const QList<QUrl> &urls)
{
    if (m_batches.isBusy())
        return;
    const qsizetype first = m_files.size();
    ListedFiles::append(m_files, urls, m_mover);
    Q_EMIT added(urls.size() - ListedFiles::dropRepeats(m_files, first));
}

void FileAdder::addPaths(const QList<QByteArray> &paths)
{
    if (m_batches.isBusy())
        return;
    const qsizetype first = m_files.size();
    ListedFiles::appendPaths(m_files, paths, m_mover);
    Q_EMIT added(paths.size() - ListedFiles::dropRepeats(m_files, first));
}

RenameJob *FileAdder::startAdding(const QList<QUrl> &urls)
{
    if (m_batches.isBusy())
        return nullptr;
    if (urls.size() < inBackgroundFrom) {
        add(urls);
        return nullptr;
    }
    // The rows are made in pieces, so that the job can tell how far it got; nothing else
    // touches them until the worker is done.
    auto rows = std::make_shared<QList<FileItem>>();
    auto work = [rows, urls, mover = &m_mover](const BatchMover::Progress &progress) {
        ListedFiles::appendInPieces(*rows, urls, *mover, progress);
        return QList<BatchMover::Outcome>();
    };
    auto complete = [this, rows](const QList<BatchMover::Outcome> &) {
        const qsizetype first = m_files.size();
        if (m_files.isEmpty())
            m_files = std::move(*rows);
        else
            m_files.append(std::move(*rows));
        // The rows were made apart from the list; only now can they meet the ones listed.
        const qsizetype count = m_files.size() - first;
        Q_EMIT added(count - ListedFiles::dropRepeats(m_files, first));
        return RenameJob::Summary();
    };
    return m_batches.launch(
        new RenameJob(RenameJob::Kind::add, urls.size(), std::move(work), std::move(complete)));
}
