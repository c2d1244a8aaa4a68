#pragma once

// Internal to the engine: not part of its interface.

#include <QByteArray>

#include <cerrno>

// Moves that never replace an item, also on file systems that do not know
// RENAME_NOREPLACE: there link and unlink, or else a rename() onto an exclusively created
// reservation of the destination.
namespace NoReplaceMove {

// Our own code for "the file system refuses this name"; described like EILSEQ.
constexpr int NameNotAllowed = EILSEQ;
// Our own code for a full FAT root folder, outside the range of errno values.
constexpr int FolderFull = -1;

// Moves `from` to `to` without ever replacing an item; 0 or an errno value.
int moveNoReplace(const QByteArray &from, const QByteArray &to);
// The move for file systems that do not know RENAME_NOREPLACE (renameat2 gave EINVAL).
int moveWithoutNoReplace(const QByteArray &from, const QByteArray &to);

// Whether distinct inode numbers mean distinct items in `folder`, and one number one item.
// FUSE drivers may give every spelling of one name its own number, or a new one once the
// kernel forgets a name, and so may SMB mounts without server inode numbers.
bool inodesIdentifyItems(const QByteArray &folder);

} // namespace NoReplaceMove
