#pragma once

#include "disk/filemover.h"

// Moves items on a local Linux file system without ever replacing one: renameat2 with
// RENAME_NOREPLACE, two steps through a temporary name for case-only changes on
// case-insensitive file systems, and where the file system does not know
// RENAME_NOREPLACE, link and unlink, or else a rename() onto an exclusively created
// reservation of the destination. What a failed move tells the user is MoveMessages';
// reading which item is at a path is IdentityReads'.
class PosixFileMover : public FileMover {
public:
    Result moveItem(const QByteArray &sourcePath, const QByteArray &destinationPath) override;
    std::optional<ItemIdentity> identity(const QByteArray &path) override;
    QList<std::optional<ItemIdentity>> identities(const QList<QByteArray> &paths) override;

    // Whether the item at `destination` is only another spelling of the item at `source` in
    // the same folder, as a case-only change on a case-insensitive file system finds it: a
    // move between the two is then made, not refused.
    static bool isOtherSpelling(const QByteArray &source, const QByteArray &destination);
    // Whether the folder of the item at `path` takes names that differ only in letter case
    // for the same name: the item's name with its letters in the other case leads to it.
    static bool ignoresCase(const QByteArray &path);
};
