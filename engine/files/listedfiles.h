#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"

#include <QList>
#include <QUrl>

class FileMover;

// Adding files to the list: a row for each dropped or chosen URL, and which item each
// local one is right now.
namespace ListedFiles {

// Appends a pending row for each of `urls` to `files`, each with its own id, and reads
// the identity of each local file through `mover`.
void append(QList<FileItem> &files, const QList<QUrl> &urls, FileMover &mover);
// The same for local files given by their exact path bytes: absolute, cleaned, without a
// trailing slash. Makes no URL on the way.
void appendPaths(QList<FileItem> &files, const QList<QByteArray> &paths, FileMover &mover);

// Removes each row from `first` on whose item a row above it already lists: the same
// identity (device and inode) under the same name, whichever spelling of its folder the
// path took. Two hard links under different names are two names to rename, and both stay;
// so do rows without an identity. Answers how many rows were removed.
qsizetype dropRepeats(QList<FileItem> &files, qsizetype first);

} // namespace ListedFiles
