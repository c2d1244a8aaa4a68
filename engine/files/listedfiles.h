#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"
#include "files/rowspan.h"

#include <QList>
#include <QSet>
#include <QUrl>
#include <QUuid>

#include <functional>

class FileMover;

// Adding files to the list (a row for each dropped or chosen URL, and which item each
// local one is right now), removing them, and what the rows hold.
namespace ListedFiles {

// Appends a pending row for each of `urls` to `files`, each with its own id, and reads
// the identity of each local file through `mover`.
void append(QList<FileItem> &files, const QList<QUrl> &urls, FileMover &mover);
// The same for local files given by their exact path bytes: absolute, cleaned, without a
// trailing slash. Makes no URL on the way.
void appendPaths(QList<FileItem> &files, const QList<QByteArray> &paths, FileMover &mover);
// The same as append(), in pieces, telling `progress` how many rows are made out of all.
void appendInPieces(QList<FileItem> &files, const QList<QUrl> &urls, FileMover &mover,
                    const std::function<void(qsizetype done, qsizetype total)> &progress);

// Removes the rows whose file's id is in `ids`. Answers the runs of rows removed, in
// ascending order, at the positions they had.
QList<RowSpan> remove(QList<FileItem> &files, const QSet<QUuid> &ids);

// Removes each row from `first` on whose item a row above it already lists: the same
// identity (device and inode) under the same name, whichever spelling of its folder the
// path took. Two hard links under different names are two names to rename, and both stay;
// so do rows without an identity. Answers how many rows were removed.
qsizetype dropRepeats(QList<FileItem> &files, qsizetype first);

// Whether any row is still to be renamed.
bool anyPending(const QList<FileItem> &files);
// Whether any row's new name differs from its name.
bool anyChanged(const QList<FileItem> &files);

} // namespace ListedFiles
