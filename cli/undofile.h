#pragma once

#include "batches/undooperation.h"

#include <QByteArray>
#include <QString>

#include <optional>

// An undo entry kept in a file, so that a later process can take a batch back: where each
// renamed item is, its name before as exact bytes, and its identity. Paths that are valid
// UTF-8 are written as text for people to read, any other as base64 bytes; device and
// inode numbers as decimal strings, since JSON numbers lose 64-bit precision.
//
// The file is written twice: before the first move with every rename the batch plans
// ("finished": false), so that a process killed on the way leaves a file that takes back
// what moved; and once the batch is over, with what it did ("finished": true).
namespace UndoFile {

// $XDG_STATE_HOME/brisklet/undo, or ~/.local/state/brisklet/undo when the variable is unset.
QByteArray defaultFolder();

enum class Stage { planned, finished };

QByteArray serialize(const UndoOperation &operation, Stage stage = Stage::finished);
// Where in bytes serialize() gave for a plan to write finishedFlag(), which makes them the
// file of a batch that made every move as planned.
qsizetype flagOffset(const QByteArray &planned);
QByteArray finishedFlag();

struct Contents {
    UndoOperation operation;
    Stage stage = Stage::finished;
    // The file ends before its last line: a full disk cut it short. The entries before
    // the cut are there.
    bool cutShort = false;
};
// None, with a reason in `error`, when the bytes are not an undo file, or hold no entry.
std::optional<Contents> parse(const QByteArray &bytes, QString *error);

} // namespace UndoFile
