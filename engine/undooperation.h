#pragma once

#include "itemidentity.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One renaming batch that can be reverted: for every file it renamed, where the file is
// now (key) and the name it had before (value). Undo never changes a file's folder, so
// the value is a bare name.
//
// `entries` holds the same renames in the order the batch made them, with exact bytes and
// the identity of each item, so that an undo moves only the items this batch moved.
struct UndoOperation {
    struct Entry {
        QByteArray path;         // where the item is after the batch
        QByteArray originalName; // its name before, exact bytes
        std::optional<ItemIdentity> identity;
    };

    QDateTime timestamp;
    QHash<QUrl, QString> renames;
    QList<Entry> entries;
};
