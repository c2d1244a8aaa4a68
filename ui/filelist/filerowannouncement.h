#pragma once

#include "files/renamestatus.h"

#include <QCoreApplication>
#include <QString>

// What a screen reader says for one row of a file list: the current name, the new name and
// the status, the problem's reason included.
class FileRowAnnouncement {
    Q_DECLARE_TR_FUNCTIONS(FileRowAnnouncement)

public:
    static QString text(const QString &originalName, const QString &newName, RenameStatus status,
                        const QString &message);
    static QString statusText(RenameStatus status, const QString &message);
};
