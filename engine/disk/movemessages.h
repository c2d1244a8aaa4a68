#pragma once

// Internal to the engine: not part of its interface.

#include <QByteArray>
#include <QString>

// The sentence a failed move shows the user for an errno value, or for one of the codes of
// NoReplaceMove. Where one value has several causes (ENOENT: the file, its folder or the
// drive gone, or a character the file system refuses), the disk is read to tell which.
namespace MoveMessages {

QString describe(int error, const QByteArray &from, const QByteArray &to);
// The name holds a character no file system takes, such as a NUL byte.
QString nameNotAllowed();

} // namespace MoveMessages
