#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"
#include "files/fileorder.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <functional>
#include <vector>

class FileInfoFollower;

// The user's changes to the order of the list: sorts, the reverse and moves of rows. Each is
// refused while `busy` says so. A new order is told by aboutToReorder(), then by reordered()
// once the rows have taken it; an order that leaves every row where it is is not told.
class FileListOrder : public QObject {
    Q_OBJECT

public:
    // `files` is the list put in order and `fileInfo` what its files say of themselves; both
    // outlive this.
    FileListOrder(QList<FileItem> &files, FileInfoFollower &fileInfo, std::function<bool()> busy,
                  QObject *parent = nullptr);

    void sort(SortKey key, Qt::SortOrder order);
    void reverse();
    // The rows of `ids`, in their order, move as one block to before the row now at
    // `destination`.
    void move(const QList<QUuid> &ids, qsizetype destination);
    // Each row of `ids` moves one place up (`by` < 0) or down, stopping at the ends.
    void moveByOne(const QSet<QUuid> &ids, int by);

Q_SIGNALS:
    void aboutToReorder();
    // The rows took their new order; `order` lists the positions they had.
    void reordered(const std::vector<qsizetype> &order);

private:
    void reorder(const std::vector<qsizetype> &order);

    QList<FileItem> &m_files;
    FileInfoFollower &m_fileInfo;
    std::function<bool()> m_busy;
};
