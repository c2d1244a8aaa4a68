#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// Turns the files a user names into the URLs the engine lists, keeping every path's exact
// bytes, and refuses the whole list when one of them cannot be used.
namespace InputFiles {

// Paths (relative ones taken against `workingDirectory`) or file:// URIs.
std::optional<QList<QUrl>> fromArguments(const QList<QByteArray> &arguments,
                                         const QByteArray &workingDirectory, QString *error);
// NUL-separated paths; a final NUL is optional, empty entries are skipped.
QList<QByteArray> splitNullSeparated(const QByteArray &input);

} // namespace InputFiles
