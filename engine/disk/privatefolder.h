#pragma once

#include <QByteArray>

// Folders that hold what Brisklet writes about a user's files (journals and undo files
// name every file a batch renamed): readable by that user alone, whatever the umask.
namespace PrivateFolder {

// $XDG_STATE_HOME/brisklet, or ~/.local/state/brisklet when the variable is unset or not an
// absolute path.
QByteArray stateFolder();

// Creates `folder` and every missing folder above it with mode 0700, as folders an
// application creates for its state should be. The folders from `ours` down to `folder`
// are Brisklet's own: one that already exists with access for its group or others loses
// it. 0 when `folder` is there, otherwise the errno value of the step that failed.
int make(const QByteArray &folder, const QByteArray &ours);

// Writes every byte to `descriptor`, going on after an interrupted write. False, with
// errno set, when a write fails (a full disk).
bool writeAll(int descriptor, const QByteArray &bytes);

} // namespace PrivateFolder
