#include "files/filelistorder.h"

#include "fileinfo/fileinfofollower.h"

#include <utility>

FileListOrder::FileListOrder(QList<FileItem> &files, FileInfoFollower &fileInfo,
                             std::function<bool()> busy, QObject *parent)
    : QObject(parent), m_files(files), m_fileInfo(fileInfo), m_busy(std::move(busy))
{
}

void FileListOrder::sort(SortKey key, Qt::SortOrder order)
{
    if (m_busy())
        return;
    if (key != SortKey::taken) {
        reorder(FileOrder::sorted(m_files, key, order));
        return;
    }
    // Dates taken are in the files themselves: whatever is not read yet is read here, on
    // the workers, and kept for the next sort and the file-info steps.
    m_fileInfo.readEverythingNow();
    reorder(FileOrder::sorted(m_files, key, order,
                              [this](qsizetype row) { return m_fileInfo.dateTakenOf(row); }));
}

void FileListOrder::reverse()
{
    if (!m_busy())
        reorder(FileOrder::reversed(m_files.size()));
}

void FileListOrder::move(const QList<QUuid> &ids, qsizetype destination)
{
    if (!m_busy())
        reorder(FileOrder::moved(m_files, QSet<QUuid>(ids.cbegin(), ids.cend()), destination));
}

void FileListOrder::moveByOne(const QSet<QUuid> &ids, int by)
{
    if (!m_busy())
        reorder(FileOrder::movedByOne(m_files, ids, by));
}

void FileListOrder::reorder(const std::vector<qsizetype> &order)
{
    if (FileOrder::keepsPlaces(order))
        return;
    Q_EMIT aboutToReorder();
    FileOrder::apply(m_files, order);
    Q_EMIT reordered(order);
}
