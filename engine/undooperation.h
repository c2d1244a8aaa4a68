#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QUrl>

// One renaming batch that can be reverted: for every file it renamed, where the file is
// now (key) and the name it had before (value). Undo never changes a file's folder, so
// the value is a bare name.
struct UndoOperation {
    QDateTime timestamp;
    QHash<QUrl, QString> renames;
};
