#pragma once

#include "files/itemidentity.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One renaming batch that can be reverted: for every file it renamed, in the order the
// batch made them, where the item is now, its name before as exact bytes, and the identity
// of the item, so that an undo moves only the items this batch moved.
struct UndoOperation {
    struct Entry {
        QByteArray path;         // where the item is after the batch
        QByteArray originalName; // its name before, exact bytes
        std::optional<ItemIdentity> identity;
    };

    QDateTime timestamp;
    QList<Entry> entries;

    // The same renames as a map from where each file is now to the name it had before.
    // Undo never changes a file's folder, so the value is a bare name. Made when asked
    // for: a batch of many thousand files should not pay for a URL per file it may never
    // show.
    QHash<QUrl, QString> renames() const;
};
