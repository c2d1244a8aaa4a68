#include "batches/undooperation.h"

#include "disk/localpath.h"

QHash<QUrl, QString> UndoOperation::renames() const
{
    QHash<QUrl, QString> map;
    map.reserve(entries.size());
    for (const Entry &entry : entries)
        map.insert(LocalPath::toUrl(entry.path), LocalPath::display(entry.originalName));
    return map;
}
