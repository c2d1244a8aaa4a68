#pragma once

#include "files/fileitem.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <optional>

// Turns the files a user names into the exact, cleaned paths the engine lists, and refuses
// the whole list when one of them cannot be used.
namespace InputFiles {

// What a folder among the arguments stands for: itself, to be renamed, or the files below
// it at every depth (the folders themselves are not listed), hidden ones ("." first) left
// out or taken too.
enum class FolderArguments { renamed, filesBelow, filesBelowWithHidden };

// Paths (relative ones taken against `workingDirectory`) or file:// URIs. Below a folder,
// the files of each folder come in the order of their names' bytes, each folder's own files
// before those of its sub-folders; a symbolic link is a file and is never followed, also
// when it is an argument.
std::optional<QList<QByteArray>> fromArguments(const QList<QByteArray> &arguments,
                                               const QByteArray &workingDirectory, QString *error,
                                               FolderArguments folders = FolderArguments::renamed);
// Why a listed file cannot be renamed: nothing at its path, or a folder on the way that
// cannot be searched. Empty when every file is there.
QString unusableFile(const QList<FileItem> &files);
// NUL-separated paths; a final NUL is optional, empty entries are skipped.
QList<QByteArray> splitNullSeparated(const QByteArray &input);

} // namespace InputFiles
