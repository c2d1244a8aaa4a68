#include "filelist/filerowannouncement.h"

QString FileRowAnnouncement::text(const QString &originalName, const QString &newName,
                                  RenameStatus status, const QString &message)
{
    //: A row of the file list as read aloud: current name, new name, status.
    return tr("%1, %2, %3").arg(originalName, newName, statusText(status, message));
}

QString FileRowAnnouncement::statusText(RenameStatus status, const QString &message)
{
    switch (status) {
    case RenameStatus::pending:
        return tr("ready");
    case RenameStatus::conflict:
        return message.isEmpty() ? tr("conflict") : tr("conflict: %1").arg(message);
    case RenameStatus::error:
        return message.isEmpty() ? tr("error") : tr("error: %1").arg(message);
    case RenameStatus::success:
        return tr("renamed");
    }
    return QString();
}
