#pragma once

#include "undooperation.h"

#include <QByteArray>
#include <QString>

#include <optional>

// An undo entry kept in a file, so that a later process can take a batch back: where each
// renamed item is, its name before as exact bytes, and its identity. Paths that are valid
// UTF-8 are written as text for people to read, any other as base64 bytes; device and
// inode numbers as decimal strings, since JSON numbers lose 64-bit precision.
namespace UndoFile {

// $XDG_STATE_HOME/brisklet/undo, or ~/.local/state/brisklet/undo when the variable is unset.
QByteArray defaultFolder();

QByteArray serialize(const UndoOperation &operation);
// None, with a reason in `error`, when the bytes are not an undo file.
std::optional<UndoOperation> parse(const QByteArray &bytes, QString *error);

} // namespace UndoFile
