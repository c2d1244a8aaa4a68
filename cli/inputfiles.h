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

// Paths (relative ones taken against `workingDirectory`) or file:// URIs.
std::optional<QList<QByteArray>> fromArguments(const QList<QByteArray> &arguments,
                                               const QByteArray &workingDirectory, QString *error);
// Why a listed file cannot be renamed: nothing at its path, or a folder on the way that
// cannot be searched. Empty when every file is there.
QString unusableFile(const QList<FileItem> &files);
// NUL-separated paths; a final NUL is optional, empty entries are skipped.
QList<QByteArray> splitNullSeparated(const QByteArray &input);

} // namespace InputFiles
