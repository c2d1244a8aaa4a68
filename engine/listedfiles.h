#pragma once

// Internal to the engine: not part of its interface.

#include "fileitem.h"

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

} // namespace ListedFiles
